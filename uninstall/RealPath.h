#pragma once

#include <QString>
#include <string>

#include "uninstall/TargetPath.h"

// Where an entry of the target machine really is, on the machine's own
// disk: a path with every link on the way resolved, as the file system's
// final-path call answers it, or a listed entry's own place (its folder's
// real path and its name: the entry itself, a link included, is judged
// where it stands). Only real paths are listed, walked, deleted and
// removed; a text becomes one only through CProtectedFolders, so that a
// path whose links were never resolved cannot reach a deletion.
class CRealPath {
public:
    CRealPath() = default;
    // A text that already names a real place: a final-path answer, or the
    // target of a leftover, which was listed at its real place. Empty for
    // anything but an absolute Windows path.
    static CRealPath FromText(const QString& text) { return CRealPath(CTargetPath::FromText(text)); }

    // The same place as a target path, for the policy's comparisons.
    const CTargetPath& Path() const { return path; }

    bool IsEmpty() const { return path.IsEmpty(); }
    const QString& Native() const { return path.Native(); }
    QString Slashed() const { return path.Slashed(); }
    // The form in which a real path goes to the platform: \\?\ and the
    // native text, so that the name is taken as it is spelled. Without it
    // Windows drops a name's trailing dots and spaces and "Other Tool."
    // would reach "Other Tool". A drive root needs no such form.
    std::string Exact() const { return IsDriveRoot() ? path.Utf8() : "\\\\?\\" + path.Utf8(); }
    bool IsDriveRoot() const { return path.IsDriveRoot(); }
    QString Name() const { return path.Name(); }
    // The folder holding the entry, where it really is: a real folder's
    // parent is a real folder.
    CRealPath Parent() const { return CRealPath(path.Parent()); }
    // An entry listed in this real folder.
    CRealPath Child(const QString& name) const { return CRealPath(path.Child(name)); }

    bool operator==(const CRealPath& other) const { return path == other.path; }

private:
    explicit CRealPath(const CTargetPath& place) : path(place) {}

    CTargetPath path;
};
