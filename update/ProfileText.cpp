#include "update/ProfileText.h"

#include <QList>

QByteArray CProfileText::Value(const QByteArray& iniText, const QByteArray& section, const QByteArray& key,
                               int bufferSize) {
    if (bufferSize <= 0) return QByteArray();
    const QByteArray wantedSection = section.trimmed().toLower();
    const QByteArray wantedKey = key.trimmed().toLower();
    bool inSection = false;
    for (QByteArray line : iniText.split('\n')) {
        if (line.endsWith('\r')) line.chop(1);
        const QByteArray trimmed = line.trimmed();
        if (trimmed.startsWith('[')) {
            const int end = trimmed.indexOf(']');
            inSection = end > 0 && trimmed.mid(1, end - 1).trimmed().toLower() == wantedSection;
            continue;
        }
        if (!inSection) continue;
        const int equals = trimmed.indexOf('=');
        if (equals <= 0 || trimmed.left(equals).trimmed().toLower() != wantedKey) continue;
        QByteArray value = trimmed.mid(equals + 1).trimmed();
        if (value.size() >= 2 &&
            ((value.startsWith('"') && value.endsWith('"')) || (value.startsWith('\'') && value.endsWith('\''))))
            value = value.mid(1, value.size() - 2);
        return value.left(bufferSize - 1);
    }
    return QByteArray();
}
