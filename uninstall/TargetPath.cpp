#include "uninstall/TargetPath.h"

#include <QStringList>

#include "include/PathText.h"

CTargetPath::CTargetPath(const QString& cleaned) : native(cleaned), key(WindowsNameKey(cleaned)) {
    if (key.endsWith(QLatin1Char('\\'))) key.chop(1);
}

bool CTargetPath::IsSeparator(QChar c) {
    return c == QLatin1Char('\\') || c == QLatin1Char('/');
}

bool CTargetPath::IsAbsolute(const QString& text) {
    return text.size() >= 3 && text.at(0).isLetter() && text.at(0).unicode() < 0x80 && text.at(1) == QLatin1Char(':') &&
           IsSeparator(text.at(2));
}

bool CTargetPath::SameName(const QString& a, const QString& b) {
    return SameWindowsName(a, b);
}

QString CTargetPath::Stem(const QString& name) {
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

CTargetPath CTargetPath::FromText(const QString& text) {
    if (!IsAbsolute(text)) return CTargetPath();
    QString native = text;
    native.replace(QLatin1Char('/'), QLatin1Char('\\'));
    const QStringList parts = native.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    QStringList kept;
    for (const QString& part : parts) {
        if (part == QLatin1String(".")) continue;
        if (part == QLatin1String("..")) {
            if (kept.size() > 1) kept.removeLast();
            continue;
        }
        kept.append(part);
    }
    if (kept.size() == 1) return CTargetPath(kept.front() + QLatin1Char('\\'));
    return CTargetPath(kept.join(QLatin1Char('\\')));
}

QString CTargetPath::Slashed() const {
    QString slashed = native;
    slashed.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return slashed;
}

QString CTargetPath::Name() const {
    if (IsDriveRoot()) return QString();
    return native.mid(native.lastIndexOf(QLatin1Char('\\')) + 1);
}

CTargetPath CTargetPath::Parent() const {
    if (native.isEmpty() || IsDriveRoot()) return CTargetPath();
    const int slash = native.lastIndexOf(QLatin1Char('\\'));
    // "C:\Apps" is held by the drive root "C:\".
    return CTargetPath(slash == 2 ? native.left(3) : native.left(slash));
}

CTargetPath CTargetPath::Child(const QString& name) const {
    if (native.isEmpty() || name.isEmpty()) return CTargetPath();
    return CTargetPath(IsDriveRoot() ? native + name : native + QLatin1Char('\\') + name);
}

bool CTargetPath::IsInside(const CTargetPath& folder) const {
    if (native.isEmpty() || folder.native.isEmpty()) return false;
    return key == folder.key || key.startsWith(folder.key + QLatin1Char('\\'));
}
