#include "tests/fake/MemoryHostTransport.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>

CMemoryHostTransport::CMemoryHostTransport(platform::IPlatform& backend, std::shared_ptr<Script> script)
    : server_(backend.Registry(), backend.System(), backend.Files()), toClient_(server_.Greeting()),
      script_(std::move(script)) {}

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
    std::lock_guard<std::mutex> lock(mutex_);
    script_->failAt = request;
    script_->fault = fault;
}

size_t CMemoryHostTransport::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return script_->requests;
}

bool CMemoryHostTransport::Ended() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return ended_;
}

bool CMemoryHostTransport::Write(const std::string& bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (dead_ || ended_) return false;
    received_ += bytes;
    while (received_.size() >= 4) {
        uint32_t size = 0;
        for (int i = 0; i < 4; ++i)
            size |= static_cast<uint32_t>(static_cast<unsigned char>(received_[i])) << (8 * i);
        if (received_.size() - 4 < size) break;
        const std::string payload = received_.substr(4, size);
        received_.erase(0, 4 + size);
        const size_t request = ++script_->requests;
        if (script_->failAt != 0 && request > script_->failAt) ++script_->afterFault;
        if (silent_) continue;
        bool quit = false;
        std::string reply = server_.Handle(payload, &quit);
        if (request == script_->failAt && reply.empty() && !quit) {
            // A call without a reply cannot show a fault: it strikes the
            // next request instead.
            ++script_->failAt;
        } else if (request == script_->failAt) {
            if (script_->fault == Fault::Dies) dead_ = true;
            if (script_->fault == Fault::FallsSilent) silent_ = true;
            // A frame too short to hold even a status.
            reply = script_->fault == Fault::AnswersGarbage ? std::string("\x03\x00\x00\x00\x7f\x7f\x7f", 7)
                                                            : std::string();
        }
        toClient_ += reply;
        if (quit || dead_) break;
    }
    wake_.notify_all();
    return true;
}

platform::IHostTransport::ReadResult CMemoryHostTransport::Read(char* buffer, size_t capacity, size_t* got,
                                                                int timeoutMs) {
    *got = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    const auto ready = [this] { return ended_ || dead_ || !toClient_.empty(); };
    if (timeoutMs < 0)
        wake_.wait(lock, ready);
    else if (!wake_.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready))
        return ReadResult::TimedOut;
    if (ended_ || toClient_.empty()) return ReadResult::Closed;
    *got = std::min(capacity, toClient_.size());
    std::memcpy(buffer, toClient_.data(), *got);
    toClient_.erase(0, *got);
    return ReadResult::Data;
}

void CMemoryHostTransport::End() {
    std::lock_guard<std::mutex> lock(mutex_);
    ended_ = true;
    wake_.notify_all();
}

std::string CMemoryHostTransport::ExitDescription() {
    std::lock_guard<std::mutex> lock(mutex_);
    return ended_ ? "ended by the client" : "the in-process host stopped";
}
