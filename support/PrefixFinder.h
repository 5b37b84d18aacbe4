#pragma once

#include <QString>
#include <vector>

// Finds the Wine prefixes of a user in the places where Wine and the game
// and prefix managers keep them: $WINEPREFIX, ~/.wine, ~/.local/share/
// wineprefixes, Bottles (also as a Flatpak), Lutris (the prefixes its game
// files name, and ~/Games), Steam's compatibility folders (in every library
// its libraryfolders.vdf lists) and PlayOnLinux. A folder is a prefix only
// when CWinePrefix says so; one reached twice (through a link, or named by
// two places) is listed once, where it was found first. Places that are
// missing or cannot be read are passed over in silence. Nothing is created
// and Wine is never started.
class CPrefixFinder {
public:
    struct Found {
        QString path;     // as found, absolute and clean
        QString foundIn;  // "WINEPREFIX", "default", "wineprefixes", "Bottles", "Lutris", "Steam" or "PlayOnLinux"
        int programs = 0; // CPrefixProgramCount's estimate
    };

    // `home`: the user's home folder; `environment`: the value of
    // WINEPREFIX, empty when not set (a relative one is passed over).
    static std::vector<Found> Find(const QString& home, const QString& environment);

    // The same for this process's user; nothing on Windows, where the
    // program manages the machine itself.
    static std::vector<Found> ForThisProcess();
};
