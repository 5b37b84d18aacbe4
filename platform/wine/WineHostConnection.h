#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/Errors.h"
#include "platform/wine/HostTransport.h"
#include "platform/winehost/HostProtocol.h"

namespace platform {

// One host (winehost.exe in a prefix, or a CHostServer in process) and the
// stream to it: every Wine client call is one round trip through Call<>,
// encoded and decoded by the codec of HostProtocol.h.
//
// Failures. Once the host is gone, answers garbage or misses a time limit,
// the connection is dead: the host is ended, FatalError() says why, and this
// and every later call returns kErrorBackendFailure at once, so that no
// caller ever reads an empty answer as data.
//
// Time limits. Each operation declares its limit (wire::Limit): short calls
// touch one key or file and fail within Limits::shortMs; bulk calls (a key
// tree, a folder tree, a batch of texts) get Limits::bulkMs; the wait for an
// uninstaller gets Limits::runMs.
//
// Threads and long calls. Round trips on one connection are taken one after
// another under one mutex, which is right for the many short calls of the
// inventory and the leftover search. A call that legitimately lasts minutes
// (waiting for an uninstaller's whole process tree) must not hold that
// mutex, or the short calls that the GUI makes meanwhile (icons, file
// times, a refresh) would wait behind it. Such a call therefore runs on a
// connection of its own: OpenSibling() starts a second host in the same
// prefix, from the same transport factory, and the long call is the only
// one made on it, with its own limit. The first connection never notices; a
// sibling that dies, or misses the limit and is ended, fails only the call
// made on it and leaves the first alive. CWineSystem::RunAndWait opens one
// sibling per running uninstaller and closes it when the wait is over.
class CWineHostConnection {
public:
    struct Limits {
        int startMs = 120000; // the greeting: Wine may have to start its server
        int shortMs = 20000;  // wire::Limit::Short
        int bulkMs = 300000;  // wire::Limit::Bulk
        // wire::Limit::Run: an uninstaller may wait for its user for a
        // while; a host still silent after an hour is taken for hung.
        int runMs = 3600000;
    };
    // Opens one stream to a fresh host; null and `error` set when it cannot.
    using TransportFactory = std::function<std::unique_ptr<IHostTransport>(std::string* error)>;

    CWineHostConnection(TransportFactory factory, Limits limits);
    ~CWineHostConnection();
    CWineHostConnection(const CWineHostConnection&) = delete;
    CWineHostConnection& operator=(const CWineHostConnection&) = delete;

    // Opens the stream and waits for the host's greeting. False and `error`
    // set when the host does not come up or speaks another protocol.
    bool Start(std::string* error);

    // A second connection to a second host of the same kind, for a long
    // call (see above). Null and `error` set when it does not start.
    std::unique_ptr<CWineHostConnection> OpenSibling(std::string* error) const;

    // One round trip: sends `request` and decodes the reply into `reply`
    // (may be null when the caller needs only the status). Returns the
    // call's Windows error code, or kErrorBackendFailure.
    template <class C> uint32_t Call(const typename C::Request& request, typename C::Reply* reply = nullptr);

    // Takes the host for broken (a reply that decodes but cannot be true),
    // ends it and returns kErrorBackendFailure.
    uint32_t Broken(const std::string& why);

    std::string FatalError() const;
    bool Dead() const { return dead; }
    uint16_t Architecture() const { return architecture; }
    uint32_t AnsiCodePage() const { return ansiCodePage; }
    // The host's process id (-1 in process), for tests that end it.
    int HostProcessId() const { return transport ? transport->ProcessId() : -1; }

private:
    // Sends a frame and, when the call has one, reads the reply payload
    // within `limitMs`. False when the connection is or became dead.
    bool Exchange(const std::string& frame, bool replies, int limitMs, const char* opName, std::string* payload);
    bool ReadFrame(std::string* payload, int limitMs, const char* opName);
    bool ReadExact(char* out, size_t size, int64_t deadlineMs, int limitMs, const char* opName);
    void Fail(const std::string& why);
    int LimitMs(wire::Limit limit) const {
        return limit == wire::Limit::Short ? limits.shortMs : limit == wire::Limit::Bulk ? limits.bulkMs : limits.runMs;
    }

    TransportFactory factory;
    Limits limits;
    std::unique_ptr<IHostTransport> transport;

    std::mutex callMutex;
    mutable std::mutex errorMutex;
    std::string fatalError;
    std::atomic<bool> dead{false};

    char buffer[65536];
    size_t bufferPos = 0;
    size_t bufferEnd = 0;

    uint16_t architecture = 0;
    uint32_t ansiCodePage = 0;
};

template <class C> uint32_t CWineHostConnection::Call(const typename C::Request& request, typename C::Reply* reply) {
    std::string payload;
    if (!Exchange(wire::EncodeRequest<C>(request), C::kReplies, LimitMs(C::kLimit), wire::OpName(C::kOp), &payload))
        return kErrorBackendFailure;
    if (!C::kReplies) return kErrorSuccess;
    uint32_t status = 0;
    typename C::Reply decoded;
    if (!wire::DecodeReply<C>(payload, &status, &decoded))
        return Broken(std::string("the Wine host sent a broken reply to ") + wire::OpName(C::kOp));
    // Only this side speaks of backend failures; from the host it is garbage.
    if (status == kErrorBackendFailure)
        return Broken(std::string("the Wine host sent a broken reply to ") + wire::OpName(C::kOp));
    if (reply) *reply = std::move(decoded);
    return status;
}

} // namespace platform
