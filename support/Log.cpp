#include "support/Log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/WindowsFacts.h"
#include "support/HostPaths.h"

namespace {

const char kLogFileName[] = "tolvanire-uninstaller.log";

#ifdef _WIN32
const char kLineEnd[] = "\r\n";
#else
const char kLineEnd[] = "\n";
#endif

QString DefaultLogFilePath() {
    const QString redirect = qEnvironmentVariable("TOLVANIRE_LOG_FILE");
    if (!redirect.isEmpty()) return redirect;
    return DefaultLogFolder() + QLatin1Char('/') + QLatin1String(kLogFileName);
}

// One writer for the whole process; the mutex keeps lines of different
// threads from interleaving.
class LogWriter {
public:
    static LogWriter& Instance() {
        static LogWriter writer;
        return writer;
    }

    void SetPath(const QString& path) {
        std::lock_guard<std::mutex> lock(mutex);
        logFile.reset();
        logPath = path.isEmpty() ? DefaultLogFilePath() : path;
    }

    QString Path() {
        std::lock_guard<std::mutex> lock(mutex);
        return logPath;
    }

    void Write(const char* text, size_t length) {
        // Whatever line end the caller wrote, the file gets the platform's.
        while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r'))
            --length;
        std::lock_guard<std::mutex> lock(mutex);
        if (!logFile && !Open()) return;
        QByteArray line(text, int(length));
        line.append(kLineEnd);
        // Unbuffered: each write reaches the operating system at once.
        logFile->write(line);
    }

private:
    LogWriter() : logPath(DefaultLogFilePath()) {}
    // At exit. The thread that wrote last may be a detached worker that no
    // one joined: taking the lock orders its writes before the file goes.
    ~LogWriter() {
        std::lock_guard<std::mutex> lock(mutex);
        logFile.reset();
    }

    bool Open() {
        QDir().mkpath(QFileInfo(logPath).absolutePath());
        auto file = std::make_unique<QFile>(logPath);
        if (!file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) return false;
        logFile = std::move(file);
        return true;
    }

    std::mutex mutex;
    QString logPath;
    std::unique_ptr<QFile> logFile;
};

} // namespace

void LogInfo(const char* format, ...) {
    if (format == nullptr) return;
    char small[512];
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (needed < 0) {
        va_end(copy);
        return;
    }
    if (size_t(needed) < sizeof small) {
        va_end(copy);
        LogWriter::Instance().Write(small, size_t(needed));
        return;
    }
    std::vector<char> large(size_t(needed) + 1);
    std::vsnprintf(large.data(), large.size(), format, copy);
    va_end(copy);
    LogWriter::Instance().Write(large.data(), size_t(needed));
}

void LogInfoEx(const char* line) {
    if (line == nullptr) return;
    LogWriter::Instance().Write(line, std::char_traits<char>::length(line));
}

void LogTimedLine(const char* format) {
    const QByteArray now = QDateTime::currentDateTime().toString(QStringLiteral("yyyy.MM.dd hh:mm:ss")).toLatin1();
    char line[platform::kTextBufferSize] = {};
    std::snprintf(line, sizeof line, format, now.constData());
    LogInfoEx(line);
}

void SetLogFilePath(const QString& path) {
    LogWriter::Instance().SetPath(path);
}

QString LogFilePath() {
    return LogWriter::Instance().Path();
}
