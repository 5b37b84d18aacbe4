#include "platform/wine/WineHostConnection.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace platform {
namespace {

std::string Seconds(int ms) {
    if (ms % 1000 == 0) return std::to_string(ms / 1000) + " s";
    return std::to_string(ms) + " ms";
}

} // namespace

CWineHostConnection::CWineHostConnection(TransportFactory factory, Limits limits)
    : factory(std::move(factory)), limits(limits) {}

CWineHostConnection::~CWineHostConnection() = default;

bool CWineHostConnection::Start(std::string* error) {
    transport = factory ? factory(error) : nullptr;
    if (!transport) {
        if (error->empty()) *error = "the Wine host could not be started";
        dead = true;
        return false;
    }
    std::string greeting;
    if (!ReadFrame(&greeting, limits.startMs, "the greeting")) {
        *error = FatalError();
        return false;
    }
    wire::Greeting said;
    said.magic = 0;
    if (!wire::DecodeFrame(greeting, &said) || said.magic != wire::kHostMagic ||
        said.version != wire::kProtocolVersion) {
        Broken("the Wine host does not speak this program's protocol (version " + std::to_string(said.version) + ")");
        *error = FatalError();
        return false;
    }
    architecture = static_cast<uint16_t>(said.architecture);
    return true;
}

std::unique_ptr<CWineHostConnection> CWineHostConnection::OpenSibling(std::string* error) const {
    auto sibling = std::make_unique<CWineHostConnection>(factory, limits);
    if (!sibling->Start(error)) return nullptr;
    return sibling;
}

bool CWineHostConnection::Exchange(const std::string& frame, bool replies, const char* opName, std::string* payload) {
    std::lock_guard<std::mutex> lock(callMutex);
    if (dead) return false;
    if (!transport->Write(frame)) {
        Fail("the Wine host exited unexpectedly (" + transport->ExitDescription() + ")");
        return false;
    }
    return !replies || ReadFrame(payload, limits.silenceMs, opName);
}

bool CWineHostConnection::ReadExact(char* out, size_t size, int silenceMs, const char* opName) {
    while (size > 0) {
        if (bufferPos == bufferEnd) {
            size_t got = 0;
            const IHostTransport::ReadResult result = transport->Read(buffer, sizeof(buffer), &got, silenceMs);
            if (result == IHostTransport::ReadResult::TimedOut) {
                const std::string words = transport->LastWords();
                Broken("the Wine host did not answer " + std::string(opName) + ": nothing came for " +
                       Seconds(silenceMs) + (words.empty() ? std::string() : ": " + words));
                return false;
            }
            if (result == IHostTransport::ReadResult::Closed || got == 0) {
                Fail("the Wine host exited unexpectedly (" + transport->ExitDescription() + ")");
                return false;
            }
            bufferPos = 0;
            bufferEnd = got;
        }
        const size_t take = std::min(size, bufferEnd - bufferPos);
        std::memcpy(out, buffer + bufferPos, take);
        bufferPos += take;
        out += take;
        size -= take;
    }
    return true;
}

bool CWineHostConnection::ReadFrame(std::string* payload, int silenceMs, const char* opName) {
    for (;;) {
        unsigned char header[4];
        if (!ReadExact(reinterpret_cast<char*>(header), 4, silenceMs, opName)) return false;
        const uint32_t size =
            header[0] | (header[1] << 8) | (header[2] << 16) | (static_cast<uint32_t>(header[3]) << 24);
        if (size > wire::kMaxFrameSize) {
            Broken(std::string("the Wine host sent a broken reply to ") + opName);
            return false;
        }
        // An empty frame only says that the host is still at work.
        if (size == 0) continue;
        payload->assign(size, '\0');
        return ReadExact(&(*payload)[0], size, silenceMs, opName);
    }
}

uint32_t CWineHostConnection::Broken(const std::string& why) {
    Fail(why);
    // Whatever it sends next cannot be trusted, and a hung host would hold
    // its prefix's files and keys: it is ended now.
    if (transport) transport->End();
    return kErrorBackendFailure;
}

void CWineHostConnection::Fail(const std::string& why) {
    std::lock_guard<std::mutex> lock(errorMutex);
    if (fatalError.empty()) fatalError = why;
    dead = true;
}

std::string CWineHostConnection::FatalError() const {
    std::lock_guard<std::mutex> lock(errorMutex);
    return fatalError;
}

} // namespace platform
