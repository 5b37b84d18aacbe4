#include "support/WinePrefix.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

namespace {

QString Absolute(const QString& path, const QString& workingFolder) {
    const QString absolute = QDir::isAbsolutePath(path) ? path : workingFolder + QLatin1Char('/') + path;
    return QDir::cleanPath(absolute);
}

} // namespace

CWinePrefix::Choice CWinePrefix::Choose(const QString& option, const QString& environment, const QString& home,
                                        const QString& workingFolder, const QString& remembered) {
    Choice choice;
    QString source;
    if (!option.isEmpty()) {
        choice.path = Absolute(option, workingFolder);
        source = QStringLiteral(" (--prefix)");
    } else if (!environment.isEmpty()) {
        choice.path = Absolute(environment, workingFolder);
        source = QStringLiteral(" (WINEPREFIX)");
    } else if (QDir::isAbsolutePath(remembered) && IsPrefix(remembered)) {
        choice.path = QDir::cleanPath(remembered);
    } else {
        choice.path = QDir::cleanPath(home + QStringLiteral("/.wine"));
        if (!QFileInfo::exists(choice.path)) {
            choice.error = QStringLiteral("There is no Wine prefix to manage: %1 does not exist. Name one with "
                                          "--prefix DIR or WINEPREFIX.")
                               .arg(QDir::toNativeSeparators(choice.path));
            choice.path.clear();
            return choice;
        }
    }
    const QString shown = QDir::toNativeSeparators(choice.path);
    if (!QFileInfo::exists(choice.path))
        choice.error = QStringLiteral("The Wine prefix %1%2 does not exist.").arg(shown, source);
    else if (!IsPrefix(choice.path))
        choice.error = QStringLiteral("%1%2 is not a Wine prefix: it has no system.reg.").arg(shown, source);
    if (!choice.error.isEmpty()) choice.path.clear();
    return choice;
}

CWinePrefix::Choice CWinePrefix::ForThisProcess(const QString& option, const QString& remembered) {
#ifdef _WIN32
    (void)option;
    (void)remembered;
    return Choice();
#else
    return Choose(option, qEnvironmentVariable("WINEPREFIX"), QDir::homePath(), QDir::currentPath(), remembered);
#endif
}

bool CWinePrefix::IsPrefix(const QString& folder) {
    return QFileInfo(folder + QStringLiteral("/system.reg")).isFile();
}

bool CWinePrefix::SamePrefix(const QString& a, const QString& b) {
    if (!QDir::isAbsolutePath(a) || !QDir::isAbsolutePath(b)) return false;
    const QString cleanA = QDir::cleanPath(a);
    const QString cleanB = QDir::cleanPath(b);
    if (cleanA == cleanB) return true;
    const QString realA = QFileInfo(cleanA).canonicalFilePath();
    return !realA.isEmpty() && realA == QFileInfo(cleanB).canonicalFilePath();
}

QString CWinePrefix::Id(const QString& prefix) {
    const QString real = QFileInfo(prefix).canonicalFilePath();
    const QByteArray path = (real.isEmpty() ? QDir::cleanPath(prefix) : real).toUtf8();
    return QString::fromLatin1(QCryptographicHash::hash(path, QCryptographicHash::Sha256).toHex().left(16));
}
