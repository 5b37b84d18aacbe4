#include "app/RuntimeFiles.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include "support/HostPaths.h"
#include "support/Log.h"
#include "widgetlib/Palette.h"

namespace {
QString& TestFolder() {
    static QString folder;
    return folder;
}
} // namespace

QString CRuntimeFiles::Folder() {
    const QString& test = TestFolder();
    return QDir::fromNativeSeparators(test.isEmpty() ? DataDirectory() : test);
}

void CRuntimeFiles::SetFolderForTesting(const QString& folder) {
    TestFolder() = folder;
}

QString CRuntimeFiles::Path(const QString& name) {
    QString relative = name;
    if (relative.startsWith(QLatin1String("./"))) relative.remove(0, 2);
    if (!relative.startsWith(QLatin1String("Resources/")) && !relative.startsWith(QLatin1String("QSS/"))) return name;
    return Folder() + QLatin1Char('/') + relative;
}

QString CRuntimeFiles::StyleSheet(const QString& sheet) {
    static const QRegularExpression relativeUrl(QStringLiteral("url\\(\\s*([\"']?)\\./([^\"')]*)\\1\\s*\\)"));
    QString folder = Folder();
    // Inside a quoted url a backslash escapes the next character.
    folder.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('"'), QStringLiteral("\\\""));
    QString result;
    int last = 0;
    QRegularExpressionMatchIterator it = relativeUrl.globalMatch(sheet);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        result += sheet.midRef(last, match.capturedStart() - last);
        result += QStringLiteral("url(\"%1/%2\")").arg(folder, match.captured(2));
        last = match.capturedEnd();
    }
    result += sheet.midRef(last);
    return CPalette::Fill(result);
}

QString CRuntimeFiles::ReadStyleSheet(const QString& name) {
    QFile file(Path(name));
    if (!file.open(QIODevice::ReadOnly)) {
        // The window still opens, unstyled; the log says which file was
        // missing (a broken or moved installation).
        LogInfo("style sheet %s could not be read", qUtf8Printable(QDir::toNativeSeparators(file.fileName())));
        return QString();
    }
    return StyleSheet(QString::fromUtf8(file.readAll()));
}
