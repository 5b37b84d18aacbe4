#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

#include "include/LeftoverItem.h"
#include "uninstall/LeftoverCleaner.h"

class CRestorePoint;

// The files Wine's menu builder writes in the Linux home for the shortcuts
// of a prefix: a menu entry under applications/wine/ and a launcher on the
// desktop (each a .desktop file whose Exec starts the shortcut), a .menu
// that files the entry into the menu, the .directory of its Start Menu
// folder, and icons. The shortcuts go with a program; these files stay and
// leave a dead menu entry and a dead launcher behind.
//
// This class is the one way into the Linux home: every other leftover path
// lies in the prefix and goes through the platform's fences. It takes only
// what the menu builder wrote, for this prefix, for a shortcut that is one
// of the program's leftovers or no longer exists; it deletes only files of
// the shapes the menu builder writes, in the places it writes them. A file
// it cannot read is kept, and so is everything whose need it then cannot
// tell (a .directory, an icon).
class CWineMenuFiles {
public:
    // Where the menu builder writes, from the user's environment.
    struct Places {
        QString home;
        QStringList dataHomes;   // $XDG_DATA_HOME and ~/.local/share, each once
        QStringList configHomes; // $XDG_CONFIG_HOME and ~/.config, each once
        // XDG_DESKTOP_DIR of user-dirs.dirs (else ~/Desktop), and the home
        // itself, where Wine puts desktop shortcuts when that folder is missing.
        QStringList desktops;

        // `dataHome`, `configHome`: the XDG variables, empty when unset.
        static Places From(const QString& home, const QString& dataHome, const QString& configHome);
        static Places ForThisProcess();
    };

    // What a launcher starts, read from its Exec value (as it stands in the
    // file, escapes and all).
    struct Launch {
        // Wine's own form: [env NAME=VALUE...] wine <C:\...\x.lnk>, or
        // wine start /unix </path/x.lnk>. Anything else (a launcher that
        // runs a program directly, other options) is not.
        bool wine = false;
        bool prefixNamed = false; // WINEPREFIX is set; else Wine's default prefix runs it
        QString prefix;
        QString link; // the shortcut: a Windows path, or a Linux one (unixLink)
        bool unixLink = false;
    };
    static Launch ParseExec(const QString& execValue);

    // Whether a shortcut of the prefix exists, asked of the target machine.
    enum class LinkState { Present, Gone, Unknown };
    using LinkCheck = std::function<LinkState(const QString& windowsPath)>;

    // `prefix`: the Linux folder of the prefix whose program is cleaned.
    CWineMenuFiles(const QString& prefix, const Places& places);

    // The menu builder's files for this prefix's shortcuts that are among
    // `leftovers` (a .lnk, or one inside a leftover folder) or gone, in the
    // order they are deleted: entries and launchers, .menu, .directory,
    // icons. `skipped` receives the files that could not be read.
    QList<LeftoverItem> Collect(const QList<LeftoverItem>& leftovers, const LinkCheck& linkState,
                                QList<SkippedLeftover>* skipped) const;

    // Deletes a collected file; only one of the menu builder's shapes in
    // its places, never through a symbolic link. With a restore point the
    // file is moved into it instead (and stays where it is when it cannot
    // be). A menu entry's folders left empty go too. False when nothing was
    // deleted.
    bool Delete(const LeftoverItem& item, CRestorePoint* point = nullptr) const;
    static bool Exists(const LeftoverItem& item);

    // Whether `path` has the shape and place of a file the menu builder writes.
    bool IsMenuBuilderFile(const QString& path) const;

private:
    struct Entry;
    QList<Entry> ReadEntries(QList<SkippedLeftover>* skipped, bool* allRead) const;
    bool Qualifies(const Entry& entry, const QList<LeftoverItem>& leftovers, const LinkCheck& linkState) const;
    QString WindowsLink(const Launch& launch) const;

    QString prefix;
    Places places;
};
