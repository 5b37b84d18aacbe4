#pragma once

#include <QIcon>

#include "include/InstalledProgram.h"

// Gives the icon a program shows in the program list. The program list page
// provides one (it has the icons at hand); the uninstall dialogs ask it and
// show the generic installer picture when there is none.
class IProgramIconSource {
public:
    virtual ~IProgramIconSource() = default;

    // A null icon when the program has no icon of its own.
    virtual QIcon ProgramIcon(const InstalledProgram& program) = 0;
};
