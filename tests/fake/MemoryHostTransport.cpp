#include "tests/fake/MemoryHostTransport.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>

#include "platform/winehost/HostPulse.h"

CMemoryHostTransport::CMemoryHostTransport(platform::IPlatform& backend, std::shared_ptr<Script> script)
    : server(backend.Registry(), backend.System(), backend.Files()), toClient(server.Greeting()),
      script(std::move(script)) {}

CMemoryHostTransport::~CMemoryHostTransport() {
    if (slowAnswer.joinable()) slowAnswer.join();
}

std::unique_ptr<platform::CWinePlatform>
CMemoryHostTransport::Connect(platform::IPlatform& backend, CMemoryHostTransport** transport, bool batchCalls,
                              platform::CWineHostConnection::Limits limits, std::shared_ptr<Script> script,
                              OpenHook onOpen) {
    std::string error;
    auto opened = std::make_shared<std::atomic<int>>(0);
    auto platform = platform::CWinePlatform::Connect(
        [&backend, transport, script, onOpen, opened](std::string*) -> std::unique_ptr<platform::IHostTransport> {
            auto made = std::make_unique<CMemoryHostTransport>(backend, script ? script : std::make_shared<Script>());
            const int number = (*opened)++;
            // Siblings come and go; the test's pointer stays on the host
            // that lives as long as the platform.
            if (transport && number == 0) *transport = made.get();
            if (onOpen) onOpen(*made, number);
            return made;
        },
        limits, batchCalls, &error);
    return platform;
}

void CMemoryHostTransport::FailAt(size_t request, Fault fault) {
    std::lock_guard<std::mutex> lock(mutex);
    script->failAt = request;
    script->fault = fault;
}

size_t CMemoryHostTransport::Requests() const {
    std::lock_guard<std::mutex> lock(mutex);
    return script->requests;
}

bool CMemoryHostTransport::Ended() const {
    std::lock_guard<std::mutex> lock(mutex);
    return ended;
}

bool CMemoryHostTransport::Write(const std::string& bytes) {
    std::lock_guard<std::mutex> lock(mutex);
    if (dead || ended) return false;
    received += bytes;
    while (received.size() >= 4) {
        uint32_t size = 0;
        for (int i = 0; i < 4; ++i)
            size |= static_cast<uint32_t>(static_cast<unsigned char>(received[i])) << (8 * i);
        if (received.size() - 4 < size) break;
        const std::string payload = received.substr(4, size);
        received.erase(0, 4 + size);
        const size_t request = ++script->requests;
        if (script->failAt != 0 && request > script->failAt) ++script->afterFault;
        if (silent) continue;
        if (request == script->failAt && script->fault == Fault::AnswersSlowly && !slowAnswer.joinable()) {
            slowAnswer = std::thread(&CMemoryHostTransport::AnswerSlowly, this, payload);
            continue;
        }
        bool quit = false;
        std::string reply = server.Handle(payload, &quit);
        if (request == script->failAt && reply.empty() && !quit) {
            // A call without a reply cannot show a fault: it strikes the
            // next request instead.
            ++script->failAt;
        } else if (request == script->failAt) {
            if (script->fault == Fault::Dies) dead = true;
            if (script->fault == Fault::FallsSilent || script->fault == Fault::FreezesMidReply) silent = true;
            if (script->fault == Fault::FreezesMidReply)
                reply.resize(reply.size() / 2);
            else if (script->fault == Fault::AnswersGarbage)
                reply = std::string("\x03\x00\x00\x00\x7f\x7f\x7f", 7); // a frame too short to hold a status
            else
                reply.clear();
        }
        toClient += reply;
        if (quit || dead) break;
    }
    wake.notify_all();
    return true;
}

void CMemoryHostTransport::AnswerSlowly(const std::string& payload) {
    int slowMs = 0;
    int progressMs = 0;
    {
        std::lock_guard<std::mutex> lock(mutex);
        slowMs = script->slowMs;
        progressMs = script->progressMs;
    }
    {
        platform::wire::CHostPulse pulse(
            [this] {
                std::lock_guard<std::mutex> lock(mutex);
                toClient.append(4, '\0');
                wake.notify_all();
            },
            progressMs);
        if (server.SendsProgress(payload)) pulse.Begin();
        std::this_thread::sleep_for(std::chrono::milliseconds(slowMs));
        pulse.End();
    }
    std::lock_guard<std::mutex> lock(mutex);
    bool quit = false;
    toClient += server.Handle(payload, &quit);
    wake.notify_all();
}

platform::IHostTransport::ReadResult CMemoryHostTransport::Read(char* buffer, size_t capacity, size_t* got,
                                                                int timeoutMs) {
    *got = 0;
    std::unique_lock<std::mutex> lock(mutex);
    const auto ready = [this] { return ended || dead || !toClient.empty(); };
    if (timeoutMs < 0)
        wake.wait(lock, ready);
    else if (!wake.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready))
        return ReadResult::TimedOut;
    if (ended || toClient.empty()) return ReadResult::Closed;
    *got = std::min(capacity, toClient.size());
    std::memcpy(buffer, toClient.data(), *got);
    toClient.erase(0, *got);
    return ReadResult::Data;
}

void CMemoryHostTransport::End() {
    std::lock_guard<std::mutex> lock(mutex);
    ended = true;
    wake.notify_all();
}

std::string CMemoryHostTransport::ExitDescription() {
    std::lock_guard<std::mutex> lock(mutex);
    return ended ? "ended by the client" : "the in-process host stopped";
}
