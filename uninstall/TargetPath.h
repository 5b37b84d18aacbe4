#pragma once

#include <QString>

// Path text of the target machine (absolute Windows paths) written,
// compared and split in one place, so that every leftover class judges a
// path the same way.
class CTargetPath {
public:
    // "X:\..." with an ASCII drive letter; a bare uninstaller stem or a
    // drive-relative text is not absolute.
    static bool IsAbsolute(const QString& path);
    static bool IsSeparator(QChar c);
    // Backslashes only.
    static QString Native(const QString& path);
    // Forward slashes only: Qt's own form of an absolute path, as a file's
    // leftover text shows it.
    static QString Slashed(const QString& path);
    // "C:\a\..\b\\c\" gives "C:\b\c"; the drive root stays "C:\".
    static QString CleanAbsolute(const QString& path);
    // Cleaned, lower case, no trailing separator: the form in which paths
    // are compared.
    static QString Key(const QString& path);
    // Whether the key `key` is `folderKey` or lies below it.
    static bool IsInside(const QString& key, const QString& folderKey);
    // The folder holding a native path; empty at the top.
    static QString ParentOf(const QString& native);
    static bool Equal(const QString& a, const QString& b);
    static std::string ToUtf8(const QString& text) { return text.toStdString(); }
    static QString FromUtf8(const std::string& text) {
        return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
    }
};
