#pragma once

#include <QString>

#include "include/InstalledProgram.h"
#include "inventory/AppEnum.h"

// The text fields of a record, decoded from the target's ANSI code page:
// what the window and the command line show, search and compare.
struct ProgramText {
    QString name;
    QString publisher;
    QString version;
    QString displayIcon;
    QString installLocation;
    QString uninstallCommand;
    QString iconGroup;
};

// One installed program as both front ends receive it: the record as the
// registry gave it (what an uninstall runs and compares with the registry),
// where it was read, and its decoded texts.
struct ProgramRecord {
    InstalledProgram program;
    ProgramSource source = ProgramSource::LocalMachine32;
    ProgramText text;
};
