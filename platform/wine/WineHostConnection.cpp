#include "platform/wine/WineHostConnection.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "platform/winehost/HostProtocol.h"
#include "platform/winehost/WireReader.h"

extern char** environ;

namespace platform {
namespace {

constexpr size_t kStderrTail = 4096;

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// The environment for Wine: the prefix, quiet debug output unless the user
// asked for some, and optional DLL overrides put before the user's own.
std::vector<std::string> WineEnvironment(const std::string& prefix, const char* dllOverrides) {
    std::vector<std::string> env;
    bool hasDebug = false;
    std::string userOverrides;
    for (char** entry = environ; entry && *entry; ++entry) {
        const std::string text = *entry;
        if (text.rfind("WINEPREFIX=", 0) == 0) continue;
        if (text.rfind("WINEDLLOVERRIDES=", 0) == 0) {
            userOverrides = text.substr(17);
            continue;
        }
        if (text.rfind("WINEDEBUG=", 0) == 0) hasDebug = true;
        env.push_back(text);
    }
    env.push_back("WINEPREFIX=" + prefix);
    if (!hasDebug) env.push_back("WINEDEBUG=-all");
    std::string overrides = dllOverrides ? dllOverrides : "";
    if (!userOverrides.empty()) overrides += (overrides.empty() ? "" : ";") + userOverrides;
    if (!overrides.empty()) env.push_back("WINEDLLOVERRIDES=" + overrides);
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(&text[0]);
    pointers.push_back(nullptr);
    return pointers;
}

std::string DescribeStatus(int status) {
    if (WIFEXITED(status)) return "exit code " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return "killed by signal " + std::to_string(WTERMSIG(status));
    return "status " + std::to_string(status);
}

// The last non-empty line of what a program printed, for an error message.
std::string LastLine(const std::string& text) {
    size_t end = text.find_last_not_of("\r\n \t");
    if (end == std::string::npos) return std::string();
    size_t start = text.find_last_of('\n', end);
    start = start == std::string::npos ? 0 : start + 1;
    return text.substr(start, end - start + 1);
}

void AppendTail(std::string* tail, const char* data, size_t size) {
    tail->append(data, size);
    if (tail->size() > kStderrTail) tail->erase(0, tail->size() - kStderrTail);
}

} // namespace

CWineHostConnection::CWineHostConnection() = default;

CWineHostConnection::~CWineHostConnection() {
    if (toHost_ >= 0) close(toHost_); // the host ends when its stdin closes
    if (pid_ > 0 && !reaped_) {
        const auto deadline = Clock::now() + std::chrono::seconds(3);
        int status = 0;
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (Clock::now() > deadline) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
                break;
            }
            usleep(1000); // it is usually gone within a few ms, and the program waits for it
        }
    }
    if (stderrThread_.joinable()) {
        const char stop = 1;
        (void)!write(stopPipe_[1], &stop, 1);
        stderrThread_.join();
    }
    for (int fd : {fromHost_, stderrPipe_, stopPipe_[0], stopPipe_[1]})
        if (fd >= 0) close(fd);
}

int CWineHostConnection::RunQuiet(const std::string& program, const char* const* arguments, const std::string& prefix,
                                  const char* dllOverrides, int timeoutMs, std::string* output) {
    output->clear();
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return -1;
    std::vector<std::string> env = WineEnvironment(prefix, dllOverrides);
    std::vector<char*> envp = Pointers(env);
    std::vector<std::string> args;
    for (const char* const* arg = arguments; *arg; ++arg)
        args.emplace_back(*arg);
    std::vector<char*> argv = Pointers(args);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned != 0) {
        close(pipeFds[0]);
        *output = std::strerror(spawned);
        return -1;
    }
    // Wine's server may inherit the pipe and outlive the program, so the end
    // of the program, not the end of its output, ends the wait.
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = -1;
    bool open = true;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (Clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            AppendTail(output, "\n(timed out)", 12);
            status = -1;
            break;
        }
        if (open) {
            pollfd fd = {pipeFds[0], POLLIN, 0};
            if (poll(&fd, 1, 100) > 0) {
                char chunk[4096];
                const ssize_t got = read(pipeFds[0], chunk, sizeof(chunk));
                if (got > 0)
                    AppendTail(output, chunk, static_cast<size_t>(got));
                else
                    open = false;
            }
        } else {
            usleep(50000);
        }
    }
    close(pipeFds[0]);
    if (status >= 0 && WIFEXITED(status)) return WEXITSTATUS(status);
    if (status >= 0 && WIFSIGNALED(status)) AppendTail(output, "\n(killed by a signal)", 21);
    return -1;
}

bool CWineHostConnection::Start(const Options& options, std::string* error) {
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0 ||
        pipe2(stopPipe_, O_CLOEXEC) != 0) {
        *error = std::string("cannot create pipes: ") + std::strerror(errno);
        return false;
    }
    std::vector<std::string> env = WineEnvironment(options.prefix, nullptr);
    std::vector<char*> envp = Pointers(env);
    std::vector<std::string> args = {options.winePath, options.hostPath};
    std::vector<char*> argv = Pointers(args);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    const int spawned = posix_spawn(&pid_, options.winePath.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    close(err[1]);
    toHost_ = in[1];
    fromHost_ = out[0];
    stderrPipe_ = err[0];
    if (spawned != 0) {
        pid_ = -1;
        *error = "cannot run " + options.winePath + ": " + std::strerror(spawned);
        return false;
    }
    stderrThread_ = std::thread(&CWineHostConnection::StderrLoop, this);

    std::string greeting;
    if (!ReadFrame(&greeting, options.startTimeoutMs)) {
        *error = FatalError();
        return false;
    }
    wire::WireReader reader(greeting);
    const uint32_t magic = reader.U32();
    const uint32_t version = reader.U32();
    architecture_ = static_cast<uint16_t>(reader.U32());
    ansiCodePage_ = reader.U32();
    if (reader.Failed() || magic != wire::kHostMagic || version != wire::kProtocolVersion) {
        Fail(options.hostPath + " does not speak this program's protocol (version " + std::to_string(version) + ")");
        *error = FatalError();
        return false;
    }
    return true;
}

bool CWineHostConnection::WriteAll(const std::string& bytes) {
    // A host that died would raise SIGPIPE: keep it pending instead of
    // letting it end the program, then take it away again.
    sigset_t pipeSet, oldSet;
    sigemptyset(&pipeSet);
    sigaddset(&pipeSet, SIGPIPE);
    sigset_t pending;
    sigpending(&pending);
    const bool wasPending = sigismember(&pending, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &pipeSet, &oldSet);
    size_t done = 0;
    bool ok = true;
    while (done < bytes.size()) {
        const ssize_t wrote = write(toHost_, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            ok = false;
            break;
        }
        done += static_cast<size_t>(wrote);
    }
    if (!ok && errno == EPIPE && !wasPending) {
        const timespec zero = {0, 0};
        while (sigtimedwait(&pipeSet, nullptr, &zero) < 0 && errno == EINTR) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &oldSet, nullptr);
    return ok;
}

bool CWineHostConnection::ReadExact(char* out, size_t size, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    while (size > 0) {
        if (bufferPos_ == bufferEnd_) {
            if (timeoutMs >= 0) {
                pollfd fd = {fromHost_, POLLIN, 0};
                const int ready = poll(&fd, 1, RemainingMs(deadline));
                if (ready < 0 && errno == EINTR) continue;
                if (ready == 0) {
                    Fail("the Wine host did not answer within " + std::to_string(timeoutMs / 1000) + " s" +
                         (StderrTail().empty() ? std::string() : ": " + LastLine(StderrTail())));
                    return false;
                }
            }
            const ssize_t got = read(fromHost_, buffer_, sizeof(buffer_));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) {
                Fail("the Wine host exited unexpectedly (" + ExitDescription() + ")");
                return false;
            }
            bufferPos_ = 0;
            bufferEnd_ = static_cast<size_t>(got);
        }
        const size_t take = std::min(size, bufferEnd_ - bufferPos_);
        std::memcpy(out, buffer_ + bufferPos_, take);
        bufferPos_ += take;
        out += take;
        size -= take;
    }
    return true;
}

bool CWineHostConnection::ReadFrame(std::string* payload, int timeoutMs) {
    unsigned char header[4];
    if (!ReadExact(reinterpret_cast<char*>(header), 4, timeoutMs)) return false;
    const uint32_t size = header[0] | (header[1] << 8) | (header[2] << 16) | (static_cast<uint32_t>(header[3]) << 24);
    if (size > wire::kMaxFrameSize) {
        Fail("the Wine host sent a broken reply");
        return false;
    }
    payload->assign(size, '\0');
    return size == 0 || ReadExact(&(*payload)[0], size, timeoutMs);
}

bool CWineHostConnection::Call(const std::string& frame, std::string* reply) {
    std::lock_guard<std::mutex> lock(callMutex_);
    if (dead_) return false;
    if (!WriteAll(frame)) {
        Fail("the Wine host exited unexpectedly (" + ExitDescription() + ")");
        return false;
    }
    return ReadFrame(reply, -1);
}

void CWineHostConnection::Send(const std::string& frame) {
    std::lock_guard<std::mutex> lock(callMutex_);
    if (dead_) return;
    if (!WriteAll(frame)) Fail("the Wine host exited unexpectedly (" + ExitDescription() + ")");
}

void CWineHostConnection::Fail(const std::string& why) {
    std::lock_guard<std::mutex> lock(errorMutex_);
    if (fatalError_.empty()) fatalError_ = why;
    dead_ = true;
}

std::string CWineHostConnection::FatalError() const {
    std::lock_guard<std::mutex> lock(errorMutex_);
    return fatalError_;
}

std::string CWineHostConnection::ExitDescription() {
    if (pid_ <= 0) return "not started";
    // The pipe closes a moment before the process is gone.
    int status = 0;
    pid_t done = 0;
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    while (!reaped_ && (done = waitpid(pid_, &status, WNOHANG)) == 0 && Clock::now() < deadline)
        usleep(5000);
    std::string text = done == pid_ ? DescribeStatus(status) : std::string("still running, pipe closed");
    if (done == pid_) reaped_ = true;
    usleep(20000); // let the last words on stderr arrive
    const std::string last = LastLine(StderrTail());
    if (!last.empty()) text += "; it said: " + last;
    return text;
}

void CWineHostConnection::StderrLoop() {
    pollfd fds[2] = {{stderrPipe_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
    bool open = true;
    for (;;) {
        fds[0].fd = open ? stderrPipe_ : -1;
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents) return;
        if (open && fds[0].revents) {
            char chunk[4096];
            const ssize_t got = read(stderrPipe_, chunk, sizeof(chunk));
            if (got > 0) {
                std::lock_guard<std::mutex> lock(stderrMutex_);
                AppendTail(&stderrTail_, chunk, static_cast<size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                open = false;
            }
        }
    }
}

std::string CWineHostConnection::StderrTail() const {
    std::lock_guard<std::mutex> lock(stderrMutex_);
    return stderrTail_;
}

} // namespace platform
