#pragma once

#include <QCommandLineParser>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <functional>
#include <memory>
#include <optional>

#include "include/BackendFailure.h"
#include "include/LeftoverItem.h"
#include "platform/Platform.h"

class CUninstallerCore;

// What every command of tolvanire-uninstaller-cli shares: exit codes,
// output streams, option parsing and opening the target machine.
namespace cli {

// The exit codes, the same for every command.
enum class ExitCode : int {
    Success = 0,
    Incomplete = 1,         // the command ran but not all of its work was done
    Usage = 2,              // bad command line
    BackendFailed = 3,      // the target machine could not be reached
    UnknownName = 4,        // a NAME names no installed program
    UninstallerMissing = 5, // a program's uninstaller is missing and its removal was not forced
};

// UTF-8 whatever the locale, so that names outside ASCII survive a C locale.
QTextStream& Out();
QTextStream& Err();

// Adds "--prefix DIR".
void AddPrefixOption(QCommandLineParser& parser);

// Parses `arguments` (see CCliCommandTable::Run). Returns nothing when the
// command should go on; otherwise the exit code to end with, after printing
// the help (Success) or the error with the usage (Usage).
std::optional<ExitCode> ParseArguments(QCommandLineParser& parser, const QStringList& arguments);

// Prints "COMMAND: WHAT" and the usage to stderr; returns Usage.
ExitCode UsageError(const QCommandLineParser& parser, const QStringList& arguments, const QString& what);

// The command's help: its usage line names the program and the command
// ("tolvanire-uninstaller-cli uninstall [options] NAME..."), whatever path
// the program was started by.
QString HelpText(const QCommandLineParser& parser, const QStringList& arguments);

// Opens the target machine: the Wine prefix CWinePrefix chooses (the Windows
// build manages its own machine). Returns null with `*exitCode` set after
// printing why: Usage when there is no prefix to manage (nothing is
// created), BackendFailed ("cannot start the Wine host: ...") otherwise.
std::unique_ptr<platform::IPlatform> OpenPlatform(const QCommandLineParser& parser, ExitCode* exitCode);

// Gives `core` the user's restore store (RestoreSettings::ForThisUser for
// the prefix `platform` reaches), finishes what a killed run left open in
// it and drops the points beyond the limits. Each point finished is told
// once, a line on stderr.
void PrepareRestoreStore(CUninstallerCore& core, const platform::IPlatform& platform);

// For a call of the core that failed: prints why and returns
// BackendFailed. A command prints no results after it, so that a dead host
// never looks like an empty machine.
ExitCode ReportFailure(const BackendFailure& failure, QTextStream& err = Err());

// Writes `document` indented, as UTF-8.
void WriteJson(QTextStream& stream, const QJsonDocument& document);

// Writes an array of `count` objects exactly as WriteJson writes the whole
// array, one object at a time: a list of thousands is never held whole as
// a document and again as its text.
void WriteJsonArray(QTextStream& stream, size_t count, const std::function<QJsonObject(size_t)>& object);

// Makes OpenPlatform use `factory` instead of the real backend (null: the
// real one again). For the tests that run commands in process.
using PlatformFactory = std::unique_ptr<platform::IPlatform> (*)(std::string* error);
void SetPlatformFactory(PlatformFactory factory);

// How the commands name a leftover's kind ("file", "folder", "registry",
// "muicache"), and one leftover as a JSON object: kind, displayText, target,
// valueName, and for a registry item the hive and view it was found in.
QString LeftoverKindName(int32_t kind);
// "installFolder", "namedAfterProgram", "namedAfterPublisherAndProgram" or
// "uninstallEntry": why a leftover was taken for the program's.
QString LeftoverReasonName(int32_t reason);
QJsonObject LeftoverToJson(const LeftoverItem& item);

// "claimedByOther", "knownFolder", "behindLink", "outsideMachine" or
// "undecided": why a place was left alone.
QString KeptReasonName(int32_t because);
// A place left alone: kind "skipped", its reason as the display text and
// its path as the target (as the leftover objects have them), and why as
// "keptBecause".
QJsonObject SkippedToJson(const SkippedLeftover& skip);

} // namespace cli
