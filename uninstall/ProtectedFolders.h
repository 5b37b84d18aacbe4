#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include "include/LeftoverItem.h"
#include "platform/FileSystem.h"
#include "uninstall/BackendWatch.h"
#include "uninstall/RealPath.h"
#include "uninstall/TargetPath.h"

// The protected-folder policy of the leftover remover: which places it must
// neither take as a program's nor delete nor remove as an emptied parent.
// Protected are the system's known folders, every profile and its known
// folders, the running program's own folder, whatever lies outside the
// machine's own disk, and what the other installed programs claim: their
// folders, and every folder below the known folders that bears a name one
// of them bears. A place is judged by its real location, with every link on
// the way resolved. What cannot be read fails closed (Failure()).
class CProtectedFolders {
public:
    // Where a path really is.
    enum class Place {
        Found,   // `real` is its location on the machine's own disk
        Missing, // nothing is there
        Outside, // it lies outside the machine's own disk (under Wine: the Linux side)
        Unknown, // it could not be told: the caller keeps what it would touch
    };
    struct Location {
        Place place = Place::Unknown;
        CRealPath real;   // when Found
        QString hostPath; // when Outside: the path on the system that hosts the machine
    };

    CProtectedFolders(platform::IFileSystem& files, CBackendWatch& watch);

    // The folder of the running program (absolute, as the target machine
    // sees it). It, its parents and everything in it are never deleted.
    void SetOwnFolder(const QString& folder);

    // Forgets the known folders, the claims and the locations looked up
    // (once per collection: a profile may have appeared meanwhile).
    void Reset();
    // Forgets the locations looked up, which a deletion may change.
    void ForgetLocations();

    // Why the policy cannot tell what to keep (a known folder, or the real
    // location of a claimed one, could not be read); empty while it can.
    // Nothing may be collected then.
    QString Failure();

    // What the other installed programs claim: their folders, and the
    // names they bear (a folder of such a name, and all that lies in it, is
    // theirs wherever it stands below the known folders).
    void SetClaims(const QList<CTargetPath>& folders, const QStringList& names);

    // The real location of what a text names (Windows' own reading of it:
    // a name's trailing dots and spaces dropped), the last link resolved.
    Location FinalLocation(const CTargetPath& text);
    // The real location of a listed entry itself, as its name is spelled:
    // its folder's real location and its own name, so that a link is
    // judged where it stands.
    Location EntryLocation(const CRealPath& entry);

    // Inside the Windows folder or the running program's own folder (or one
    // of that folder's parents), or no absolute Windows path at all.
    bool IsUntouchable(const CTargetPath& path);
    // Untouchable, a drive root, a known folder or one that holds one, a
    // claimed folder or one that holds one, or inside a claim.
    bool IsRefusedFolder(const CTargetPath& path);
    bool IsRefusedFolder(const CRealPath& path) { return IsRefusedFolder(path.Path()); }
    // Untouchable or inside a claim: a file that must stay.
    bool IsRefusedFile(const CTargetPath& path);
    bool IsRefusedFile(const CRealPath& path) { return IsRefusedFile(path.Path()); }
    // Whether `path` is a known folder or holds one (claims left aside).
    bool IsKnownFolder(const CTargetPath& path);
    bool IsKnownFolder(const CRealPath& path) { return IsKnownFolder(path.Path()); }
    // Whether another installed program bears this name (a folder's, or a
    // file's without its extension).
    bool IsClaimedName(const QString& name) const;
    // Whether a path lies inside a claimed folder, or inside (or at) a
    // folder that bears a claimed name below the known folders, a file of
    // such a name included.
    bool IsInsideClaim(const CTargetPath& path);
    bool IsInsideClaim(const CRealPath& path) { return IsInsideClaim(path.Path()); }

    // Why a refused folder or file is kept: KeptKnownFolder for a known or
    // untouchable place, else KeptClaimedByOther.
    int32_t WhyRefused(const CTargetPath& path) { return IsKnownFolder(path) ? KeptKnownFolder : KeptClaimedByOther; }
    int32_t WhyRefused(const CRealPath& path) { return WhyRefused(path.Path()); }

private:
    void Load();
    Location Judge(uint32_t status, const std::string& real);
    // The looked-up location of `key`, asked for with `call` when not yet known.
    Location Lookup(const QString& key, const std::string& call);
    bool BearsClaimedName(const CTargetPath& path);

    platform::IFileSystem& files;
    CBackendWatch& watch;
    CTargetPath ownFolder;
    bool loaded = false;
    bool usersUnknown = false; // a Users folder could not be listed
    QString failure;           // see Failure()
    CTargetPath windowsFolder;
    QList<CTargetPath> usersFolders;
    QList<CTargetPath> protectedFolders; // text and real locations
    QList<CTargetPath> claimedFolders;   // text and real locations
    QSet<QString> claimedNames;          // as WindowsNameKey gives them
    QSet<int> claimedLengths;            // of those names
    QHash<QString, Location> finalCache; // by key
};
