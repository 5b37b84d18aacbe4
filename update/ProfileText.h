#pragma once

#include <QByteArray>

// Reads one value of INI text the way the Windows profile-string call does:
// section and key names ignore case and surrounding blanks, the value loses
// its surrounding blanks and one pair of enclosing quotes, the first
// occurrence counts, and the value is cut to fit a buffer of `bufferSize`
// bytes with its terminating zero (so at most bufferSize - 1 bytes).
// Missing section or key: empty.
class CProfileText {
public:
    static QByteArray Value(const QByteArray& iniText, const QByteArray& section, const QByteArray& key,
                            int bufferSize);
};
