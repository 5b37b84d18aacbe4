#include "uninstall/TargetPath.h"

#include <QStringList>

bool CTargetPath::IsSeparator(QChar c) {
    return c == QLatin1Char('\\') || c == QLatin1Char('/');
}

bool CTargetPath::IsAbsolute(const QString& path) {
    return path.size() >= 3 && path.at(0).isLetter() && path.at(0).unicode() < 0x80 && path.at(1) == QLatin1Char(':') &&
           IsSeparator(path.at(2));
}

QString CTargetPath::Native(const QString& path) {
    QString native = path;
    native.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return native;
}

QString CTargetPath::Slashed(const QString& path) {
    QString slashed = path;
    slashed.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return slashed;
}

QString CTargetPath::CleanAbsolute(const QString& path) {
    const QStringList parts = Native(path).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    QStringList kept;
    for (const QString& part : parts) {
        if (part == QLatin1String(".")) continue;
        if (part == QLatin1String("..")) {
            if (kept.size() > 1) kept.removeLast();
            continue;
        }
        kept.append(part);
    }
    if (kept.size() == 1) return kept.front() + QLatin1Char('\\');
    return kept.join(QLatin1Char('\\'));
}

QString CTargetPath::Key(const QString& path) {
    QString key = CleanAbsolute(path).toLower();
    if (key.endsWith(QLatin1Char('\\'))) key.chop(1);
    return key;
}

bool CTargetPath::IsInside(const QString& key, const QString& folderKey) {
    return key == folderKey || key.startsWith(folderKey + QLatin1Char('\\'));
}

QString CTargetPath::ParentOf(const QString& native) {
    const int slash = native.lastIndexOf(QLatin1Char('\\'));
    return slash < 0 ? QString() : native.left(slash);
}

bool CTargetPath::Equal(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}
