#pragma once

#include <cstddef>
#include <string>

namespace platform {

// The byte stream between CWineHostConnection and one host: the pipes of a
// winehost.exe process under Wine (CPipeHostTransport), or in the tests a
// CHostServer in the same process. The connection does the framing and the
// time limits; a transport only moves bytes and ends its host.
class IHostTransport {
public:
    enum class ReadResult {
        Data,     // `got` bytes arrived
        Closed,   // the host is gone (ExitDescription() says how)
        TimedOut, // nothing arrived within the time given
    };

    virtual ~IHostTransport() = default;

    // Sends all of `bytes`. False when the host is gone.
    virtual bool Write(const std::string& bytes) = 0;
    // Waits up to `timeoutMs` (no limit when negative) for bytes from the
    // host and reads at most `capacity` of them.
    virtual ReadResult Read(char* buffer, size_t capacity, size_t* got, int timeoutMs) = 0;
    // Ends the host at once: it stopped answering or sent garbage, and the
    // stream can no longer be trusted. Later reads and writes fail.
    virtual void End() = 0;
    // How the host ended, for the failure message ("exit code 3; it said:
    // ..."). Called once the host is gone.
    virtual std::string ExitDescription() = 0;
    // The last line the host wrote to its error output, if any.
    virtual std::string LastWords() = 0;
    // The host's process id, or -1 when it runs in this process.
    virtual int ProcessId() const { return -1; }
};

} // namespace platform
