#pragma once

#include <QCommandLineParser>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <memory>

#include "include/LeftoverItem.h"
#include "platform/Platform.h"

// What every command of tolvanire-uninstaller-cli shares: exit codes,
// output streams, option parsing and opening the target machine.
namespace cli {

enum ExitCode : int {
    kExitSuccess = 0,
    kExitFailure = 1,  // the command ran but could not do its work
    kExitUsage = 2,    // bad command line
    kExitPlatform = 3, // the target machine could not be reached
};

// UTF-8 whatever the locale, so that names outside ASCII survive a C locale.
QTextStream& Out();
QTextStream& Err();

// Adds "--prefix DIR".
void AddPrefixOption(QCommandLineParser& parser);

// Parses `arguments` (see CCliCommandTable::Run). Returns -1 when the
// command should go on; otherwise the exit code to end with, after printing
// the help (0) or the error with the usage (kExitUsage).
int ParseArguments(QCommandLineParser& parser, const QStringList& arguments);

// Opens the target machine: the Wine prefix CWinePrefix chooses (the Windows
// build manages its own machine). Returns null with `*exitCode` set after
// printing why: kExitUsage when there is no prefix to manage (nothing is
// created), kExitPlatform ("cannot start the Wine host: ...") otherwise.
std::unique_ptr<platform::IPlatform> OpenPlatform(const QCommandLineParser& parser, int* exitCode);

// After work on an open platform: when the backend failed on the way,
// prints why and returns true (the caller exits with kExitPlatform). Every
// command checks it before printing results, so that a dead host never
// looks like an empty machine.
bool ReportBackendFailure(const platform::IPlatform& platform);

// For a call that returned kErrorBackendFailure: prints why and returns
// kExitPlatform.
int ExitForBackendFailure(const platform::IPlatform& platform);

// Makes OpenPlatform use `factory` instead of the real backend (null: the
// real one again). For the tests that run commands in process.
using PlatformFactory = std::unique_ptr<platform::IPlatform> (*)(std::string* error);
void SetPlatformFactory(PlatformFactory factory);

// How the commands name a leftover's kind ("file", "folder", "registry",
// "muicache"), and one leftover as a JSON object: kind, displayText, target,
// valueName, and for a registry item the hive and view it was found in.
QString LeftoverKindName(int32_t kind);
QJsonObject LeftoverToJson(const LeftoverItem& item);

} // namespace cli
