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
// Failures. Once the host is gone, answers garbage or falls silent,
// the connection is dead: the host is ended, FatalError() says why, and this
// and every later call returns kErrorBackendFailure at once, so that no
// caller ever reads an empty answer as data.
//
// Silence. A host that sends no byte for Limits::silenceMs while a call
// waits for its reply is taken for hung, whatever the call: a bulk call
// that takes minutes keeps its host heard through progress frames
// (wire::Limit), which the connection reads past. Only the greeting gets
// Limits::startMs, since Wine may have to start its server first.
//
// Threads and long waits. Round trips on one connection are taken one
// after another under one mutex, which is right for the many short calls of
// the inventory and the leftover search. A wait that legitimately lasts
// minutes (for an uninstaller's whole process tree) must not queue its
// polls behind those calls, nor they behind it. It therefore runs on a
// connection of its own: OpenSibling() starts a second host in the same
// prefix, from the same transport factory, and only that wait's calls are
// made on it. The first connection never notices; a sibling that dies or
// falls silent fails only the wait made on it and leaves the first alive.
// CWineSystem::RunAndWatch opens one sibling per running uninstaller and
// closes it when the wait is over.
class CWineHostConnection {
public:
    struct Limits {
        int startMs = 120000;  // the greeting: Wine may have to start its server
        int silenceMs = 20000; // any call: no byte from the host for this long
        // The whole wait for an uninstaller (CWineSystem::RunAndWatch): an
        // uninstaller may wait for its user for a while, but one still
        // running after an hour is taken for hung.
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
    // The host's process id (-1 in process), for tests that end it.
    int HostProcessId() const { return transport ? transport->ProcessId() : -1; }

    // The limits it was made with.
    const Limits& TimeLimits() const { return limits; }

private:
    // Sends a frame and, when the call has one, reads the reply payload.
    // False when the connection is or became dead.
    bool Exchange(const std::string& frame, bool replies, const char* opName, std::string* payload);
    // The next frame that is not a progress frame; no byte for `silenceMs`
    // ends the connection.
    bool ReadFrame(std::string* payload, int silenceMs, const char* opName);
    bool ReadExact(char* out, size_t size, int silenceMs, const char* opName);
    void Fail(const std::string& why);

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
};

template <class C> uint32_t CWineHostConnection::Call(const typename C::Request& request, typename C::Reply* reply) {
    std::string payload;
    if (!Exchange(wire::EncodeRequest<C>(request), C::kReplies, wire::OpName(C::kOp), &payload))
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
