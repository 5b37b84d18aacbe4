#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>

namespace platform {

// One winehost.exe process running under Wine in one prefix, and the pipe to
// it. Each round trip holds one mutex, so calls from several threads are
// answered one after another. Once the host is gone every call fails at once
// and FatalError() says why.
class CWineHostConnection {
public:
    struct Options {
        std::string prefix;   // absolute path of the Wine prefix
        std::string hostPath; // winehost.exe
        std::string winePath; // the wine launcher
        int startTimeoutMs = 120000;
    };

    CWineHostConnection();
    ~CWineHostConnection();
    CWineHostConnection(const CWineHostConnection&) = delete;
    CWineHostConnection& operator=(const CWineHostConnection&) = delete;

    // Starts the host and waits for its greeting. False and `error` set when
    // it does not come up.
    bool Start(const Options& options, std::string* error);

    // Sends one request frame and reads the reply payload. False when the
    // host is gone (FatalError() then says why).
    bool Call(const std::string& frame, std::string* reply);
    // Sends a request that gets no reply.
    void Send(const std::string& frame);

    std::string FatalError() const;
    uint16_t Architecture() const { return architecture_; }
    uint32_t AnsiCodePage() const { return ansiCodePage_; }
    pid_t HostProcessId() const { return pid_; }

    // Runs a program with the prefix's environment until it ends or the
    // time-out passes, its output kept out of ours. Returns its exit code
    // (-1 when it could not start, was killed or timed out) and the tail of
    // what it printed.
    static int RunQuiet(const std::string& program, const char* const* arguments, const std::string& prefix,
                        const char* dllOverrides, int timeoutMs, std::string* output);

private:
    bool WriteAll(const std::string& bytes);
    bool ReadExact(char* out, size_t size, int timeoutMs);
    bool ReadFrame(std::string* payload, int timeoutMs);
    void Fail(const std::string& why);
    std::string ExitDescription();
    void StderrLoop();
    std::string StderrTail() const;

    mutable std::mutex callMutex_;
    mutable std::mutex errorMutex_;
    std::string fatalError_;
    std::atomic<bool> dead_{false};

    pid_t pid_ = -1;
    bool reaped_ = false;
    int toHost_ = -1;
    int fromHost_ = -1;
    int stderrPipe_ = -1;
    int stopPipe_[2] = {-1, -1};
    std::thread stderrThread_;
    mutable std::mutex stderrMutex_;
    std::string stderrTail_;

    char buffer_[65536];
    size_t bufferPos_ = 0;
    size_t bufferEnd_ = 0;

    uint16_t architecture_ = 0;
    uint32_t ansiCodePage_ = 0;
};

} // namespace platform
