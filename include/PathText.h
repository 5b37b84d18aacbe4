#pragma once

#include <QString>
#include <string>

// Turns a "DisplayIcon" or install-location text into a bare path: the
// text is cut at its first comma (dropping an icon index), then, while a
// double quote remains, a leading quote is dropped and any other quote
// ends the text. "\"C:\\App\\app.exe\",0" gives C:\App\app.exe.
QString CleanPathText(const QString& text);
std::string CleanPathText(const std::string& text);

// The file name of an uninstaller path without its four-character
// extension: D:\Apps\Acme\unins000.exe gives unins000. A name of four
// characters or fewer gives an empty text.
QString UninstallerStem(const QString& text);
std::string UninstallerStem(const std::string& text);
