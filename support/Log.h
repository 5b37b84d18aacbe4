#pragma once

#include <QString>

// The diagnostic log. Every call appends one line to the log file and
// flushes it to the operating system before returning, so a crash right
// after a call loses nothing. Safe to call from any thread. Failures to
// write are not reported: logging must never disturb the caller.
//
// The file is "tolvanire-uninstaller.log":
// - on Windows beside the executable;
// - elsewhere in $XDG_STATE_HOME/tolvanire-uninstaller/, or
//   ~/.local/state/tolvanire-uninstaller/ when XDG_STATE_HOME is not set.
// The environment variable TOLVANIRE_LOG_FILE, or SetLogFilePath, names
// another file (tests use it to keep their lines apart).

// Formats with printf rules and logs the result as one line.
void LogInfo(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Logs a line the caller has already formatted. A trailing "\r\n" or "\n"
// is replaced by the platform's line end; a line without one gets it.
void LogInfoEx(const char* line);

// Logs `format` with its one "%s" filled in with the local time
// ("yyyy.MM.dd hh:mm:ss"), cut to the program's fixed 260-byte line: the
// timing lines of the inventory passes and of the program list.
void LogTimedLine(const char* format);

// Sends the following lines to `path` (created with its folder when
// missing). An empty path goes back to the default place.
void SetLogFilePath(const QString& path);

// The file the next line goes to.
QString LogFilePath();
