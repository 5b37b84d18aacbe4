#pragma once

#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>

#include "platform/wine/HostTransport.h"

namespace platform {

// One winehost.exe process started under Wine in one prefix, and the pipes
// to it: requests go to its stdin, replies come from its stdout, and the
// tail of its stderr is kept for error messages.
class CPipeHostTransport : public IHostTransport {
public:
    struct Options {
        std::string prefix;   // absolute path of the Wine prefix
        std::string hostPath; // winehost.exe
        std::string winePath; // the wine launcher
    };

    CPipeHostTransport();
    ~CPipeHostTransport() override;
    CPipeHostTransport(const CPipeHostTransport&) = delete;
    CPipeHostTransport& operator=(const CPipeHostTransport&) = delete;

    // Starts the host. False and `error` set when it cannot be started.
    bool Start(const Options& options, std::string* error);

    bool Write(const std::string& bytes) override;
    ReadResult Read(char* buffer, size_t capacity, size_t* got, int timeoutMs) override;
    void End() override;
    std::string ExitDescription() override;
    std::string LastWords() override;
    int ProcessId() const override { return static_cast<int>(pid); }

    // Runs a program with the prefix's environment until it ends or the
    // time-out passes, its output kept out of ours. Returns its exit code
    // (-1 when it could not start, was killed or timed out) and the tail of
    // what it printed.
    static int RunQuiet(const std::string& program, const char* const* arguments, const std::string& prefix,
                        const char* dllOverrides, int timeoutMs, std::string* output);

private:
    void StderrLoop();
    std::string StderrTail() const;

    pid_t pid = -1;
    bool reaped = false;
    int toHost = -1;
    int fromHost = -1;
    int stderrPipe = -1;
    int stopPipe[2] = {-1, -1};
    std::thread stderrThread;
    mutable std::mutex stderrMutex;
    std::string stderrTail;
};

} // namespace platform
