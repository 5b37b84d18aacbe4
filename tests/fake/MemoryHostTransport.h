#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/Platform.h"
#include "platform/wine/HostTransport.h"
#include "platform/wine/WinePlatform.h"
#include "platform/winehost/HostServer.h"

// A host in this process: CHostServer over a backend (the in-memory
// platform), behind the byte stream the Wine client otherwise has with
// winehost.exe. So the quick tests run the real client and the real host
// dispatch against each other. A test can make the host fail at its n-th
// request: die, answer garbage, fall silent (freeze) before its reply or
// half-way through it; or answer that request slowly, at work on a thread
// of its own and sending progress frames for a bulk call as winehost.exe
// does.
class CMemoryHostTransport : public platform::IHostTransport {
public:
    enum class Fault { None, Dies, AnswersGarbage, FallsSilent, FreezesMidReply, AnswersSlowly };

    // What the host is told to do and what it saw; shared so that a test
    // can read it after the client and its host are gone.
    struct Script {
        size_t failAt = 0; // the request that meets the fault (1: the first after the greeting)
        Fault fault = Fault::None;
        size_t requests = 0;   // requests received
        size_t afterFault = 0; // requests that came after the fault (a sound client sends none)
        int slowMs = 0;        // AnswersSlowly: how long the answer takes
        int progressMs = platform::wire::kProgressMs;
    };

    explicit CMemoryHostTransport(platform::IPlatform& backend,
                                  std::shared_ptr<Script> script = std::make_shared<Script>());
    ~CMemoryHostTransport() override;

    // Called for each host the client opens: 0 is the platform's own, then
    // one per sibling (the host of each RunAndWait), so that a test can
    // place a fault in one of them.
    using OpenHook = std::function<void(CMemoryHostTransport& host, int number)>;

    // The Wine client over a fresh in-process host for `backend`. The
    // transport stays owned by the platform; `transport` (optional) points
    // at the platform's own host for the test. A `script`, when given, is
    // shared by every host the client opens.
    static std::unique_ptr<platform::CWinePlatform>
    Connect(platform::IPlatform& backend, CMemoryHostTransport** transport = nullptr, bool batchCalls = true,
            platform::CWineHostConnection::Limits limits = platform::CWineHostConnection::Limits(),
            std::shared_ptr<Script> script = nullptr, OpenHook onOpen = nullptr);

    // Request number `request` (1 is the first after the greeting) meets
    // `fault`, and so does every later one for a host that died or fell
    // silent.
    void FailAt(size_t request, Fault fault);
    // Requests received so far.
    size_t Requests() const;
    // Whether the client ended the host.
    bool Ended() const;

    bool Write(const std::string& bytes) override;
    ReadResult Read(char* buffer, size_t capacity, size_t* got, int timeoutMs) override;
    void End() override;
    std::string ExitDescription() override;
    std::string LastWords() override { return std::string(); }

private:
    void AnswerSlowly(const std::string& payload);

    platform::wire::CHostServer server;
    mutable std::mutex mutex;
    std::condition_variable wake;
    std::string received; // bytes of a request not yet complete
    std::string toClient;
    std::shared_ptr<Script> script;
    bool dead = false;
    bool silent = false;
    bool ended = false;
    std::thread slowAnswer;
};
