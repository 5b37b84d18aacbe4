#pragma once

#include <QString>
#include <string>

// Turns a "DisplayIcon" text into a bare path. A quoted path is read whole
// (a folder name may hold a comma): "\"C:\\Other, Inc\\app.exe\",0" gives
// C:\Other, Inc\app.exe. An unquoted text loses a trailing ",index" (an
// optional sign and digits) only: C:\App\app.exe,-101 gives C:\App\app.exe,
// C:\Other, Inc\app.exe stays whole. Then, while a double quote remains,
// a leading quote is dropped and any other quote ends the text.
QString CleanPathText(const QString& text);
std::string CleanPathText(const std::string& text);

// The file name of an uninstaller without its four-character extension:
// D:\Apps\Acme\unins000.exe gives unins000, and so does the command
// "D:\Apps\Acme\unins000.exe" /SILENT (quotes and arguments are dropped
// first). A name of four characters or fewer gives an empty text.
QString UninstallerStem(const QString& text);
std::string UninstallerStem(const std::string& text);

// An install-location text as a bare folder: quotes trimmed as
// CleanPathText trims them, but no cut at a comma, which a folder name may
// hold ("C:\Program Files\Other App, Inc\Tool").
QString CleanFolderText(const QString& text);

// The program path of a command line: the quoted part of a quoted command,
// else the text up to an ".exe" that arguments follow, else the whole text.
QString CommandPath(const QString& command);

// The form in which Windows compares file and key names ignoring case:
// each UTF-16 unit upper-cased on its own (ordinal, simple mapping), so
// "ÄPFEL" and "äpfel" are one name but "Straße" and "STRASSE" are two; a
// character outside the Basic Multilingual Plane is left as it is.
QString WindowsNameKey(const QString& name);
// Whether two names are one name by that rule, without building either key.
bool SameWindowsName(const QString& a, const QString& b);
