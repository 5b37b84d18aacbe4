#pragma once

#include <QString>

// How many programs a Wine prefix holds, read from its registry files
// (system.reg and user.reg) without starting Wine, so that a list of many
// prefixes stays quick. It applies the program list's main rules to the
// Uninstall entries of both machine views and of the user: an entry with a
// display name and an uninstall command, not a system component, and not an
// update of another entry. It is an estimate: the list also drops entries
// whose command it cannot run, and reads what Wine has not yet written back
// to the files.
class CPrefixProgramCount {
public:
    // The programs of the prefix in `folder`; 0 when its files cannot be read.
    static int Count(const QString& folder);

    // The same for the text of one registry file (Wine's own format).
    static int CountInText(const QString& text);
};
