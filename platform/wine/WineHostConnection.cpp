#include "platform/wine/WineHostConnection.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>

namespace platform {
namespace {

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

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
    ansiCodePage = said.ansiCodePage;
    return true;
}

std::unique_ptr<CWineHostConnection> CWineHostConnection::OpenSibling(std::string* error) const {
    auto sibling = std::make_unique<CWineHostConnection>(factory, limits);
    if (!sibling->Start(error)) return nullptr;
    return sibling;
}

bool CWineHostConnection::Exchange(const std::string& frame, bool replies, int limitMs, const char* opName,
                                   std::string* payload) {
    std::lock_guard<std::mutex> lock(callMutex);
    if (dead) return false;
    if (!transport->Write(frame)) {
        Fail("the Wine host exited unexpectedly (" + transport->ExitDescription() + ")");
        return false;
    }
    return !replies || ReadFrame(payload, limitMs, opName);
}

bool CWineHostConnection::ReadExact(char* out, size_t size, int64_t deadlineMs, int limitMs, const char* opName) {
    while (size > 0) {
        if (bufferPos == bufferEnd) {
            const int64_t left = std::max<int64_t>(0, deadlineMs - NowMs());
            size_t got = 0;
            const IHostTransport::ReadResult result =
                transport->Read(buffer, sizeof(buffer), &got, limitMs < 0 ? -1 : static_cast<int>(left));
            if (result == IHostTransport::ReadResult::TimedOut) {
                const std::string words = transport->LastWords();
                Broken("the Wine host did not answer " + std::string(opName) + " within " + Seconds(limitMs) +
                       (words.empty() ? std::string() : ": " + words));
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

bool CWineHostConnection::ReadFrame(std::string* payload, int limitMs, const char* opName) {
    // One limit for the whole frame, however it arrives.
    const int64_t deadline = NowMs() + (limitMs < 0 ? 0 : limitMs);
    unsigned char header[4];
    if (!ReadExact(reinterpret_cast<char*>(header), 4, deadline, limitMs, opName)) return false;
    const uint32_t size = header[0] | (header[1] << 8) | (header[2] << 16) | (static_cast<uint32_t>(header[3]) << 24);
    if (size > wire::kMaxFrameSize) {
        Broken(std::string("the Wine host sent a broken reply to ") + opName);
        return false;
    }
    payload->assign(size, '\0');
    return size == 0 || ReadExact(&(*payload)[0], size, deadline, limitMs, opName);
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
