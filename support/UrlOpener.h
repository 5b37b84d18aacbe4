#pragma once

#include <QString>
#include <functional>

// Every web link the program opens goes through OpenExternalUrl, so that a
// test can record the addresses instead of starting a browser.
//
// Windows: the shell's "open" verb on the address as 8-bit Latin-1 text.
// Elsewhere: the desktop's default handler. Returns false when the address
// is empty or the handler refused it; nothing is shown to the user.
bool OpenExternalUrl(const QString& url);

// Replaces the opener (tests); an empty function restores the real one.
void SetUrlOpenerForTesting(std::function<bool(const QString&)> opener);
