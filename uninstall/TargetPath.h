#pragma once

#include <QString>
#include <string>

// An absolute path of the target machine as a text names it
// ("C:\Apps\Acme"): cleaned once when it is made (".." and "." resolved,
// forward and doubled separators made single backslashes, no trailing one
// but on a drive root), then split, joined and compared ignoring case in
// one place. A text that is no absolute Windows path makes an empty one.
// Where such a path really leads, with every link resolved, is a
// CRealPath, a type of its own.
class CTargetPath {
public:
    CTargetPath() = default;
    // "X:\..." (either separator, an ASCII drive letter) cleaned; empty for
    // anything else: a bare uninstaller stem, a drive-relative text.
    static CTargetPath FromText(const QString& text);

    bool IsEmpty() const { return native.isEmpty(); }
    // Backslashes only; "C:\" for a drive root.
    const QString& Native() const { return native; }
    // Forward slashes only: Qt's own form, as a file's leftover text shows it.
    QString Slashed() const;
    // The native text in UTF-8, as the platform interfaces take it.
    std::string Utf8() const { return native.toStdString(); }
    // Upper case as Windows compares names (WindowsNameKey), no trailing
    // separator ("C:" for a drive root): the form in which paths are
    // compared.
    const QString& Key() const { return key; }

    bool IsDriveRoot() const { return !native.isEmpty() && native.size() <= 3; }
    // The last component; empty for a drive root.
    QString Name() const;
    // The folder holding this path; empty above a drive root.
    CTargetPath Parent() const;
    // `name` (one component) inside this folder.
    CTargetPath Child(const QString& name) const;
    // Whether this path is `folder` or lies below it.
    bool IsInside(const CTargetPath& folder) const;

    bool operator==(const CTargetPath& other) const { return key == other.key; }
    bool operator!=(const CTargetPath& other) const { return key != other.key; }

    // Text helpers for what is not yet a path.
    static bool IsAbsolute(const QString& text);
    static bool IsSeparator(QChar c);
    // Names compare ignoring case, as Windows compares them.
    static bool SameName(const QString& a, const QString& b);
    // A file name without its last extension.
    static QString Stem(const QString& name);
    static QString FromUtf8(const std::string& text) {
        return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
    }

private:
    explicit CTargetPath(const QString& cleaned);

    QString native;
    QString key;
};
