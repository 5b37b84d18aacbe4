#include "platform/wine/PipeHostTransport.h"

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

extern char** environ;

namespace platform {
namespace {

constexpr size_t kStderrTail = 4096;

using Clock = std::chrono::steady_clock;

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

CPipeHostTransport::CPipeHostTransport() = default;

CPipeHostTransport::~CPipeHostTransport() {
    if (toHost >= 0) close(toHost); // the host ends when its stdin closes
    if (pid > 0 && !reaped) {
        const auto deadline = Clock::now() + std::chrono::seconds(3);
        int status = 0;
        while (waitpid(pid, &status, WNOHANG) == 0) {
            if (Clock::now() > deadline) {
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                break;
            }
            usleep(1000); // it is usually gone within a few ms, and the program waits for it
        }
    }
    if (stderrThread.joinable()) {
        const char stop = 1;
        (void)!write(stopPipe[1], &stop, 1);
        stderrThread.join();
    }
    for (int fd : {fromHost, stderrPipe, stopPipe[0], stopPipe[1]})
        if (fd >= 0) close(fd);
}

int CPipeHostTransport::RunQuiet(const std::string& program, const char* const* arguments, const std::string& prefix,
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

bool CPipeHostTransport::Start(const Options& options, std::string* error) {
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0 ||
        pipe2(stopPipe, O_CLOEXEC) != 0) {
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
    const int spawned = posix_spawn(&pid, options.winePath.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    close(err[1]);
    toHost = in[1];
    fromHost = out[0];
    stderrPipe = err[0];
    if (spawned != 0) {
        pid = -1;
        *error = "cannot run " + options.winePath + ": " + std::strerror(spawned);
        return false;
    }
    stderrThread = std::thread(&CPipeHostTransport::StderrLoop, this);
    return true;
}

bool CPipeHostTransport::Write(const std::string& bytes) {
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
        const ssize_t wrote = write(toHost, bytes.data() + done, bytes.size() - done);
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

IHostTransport::ReadResult CPipeHostTransport::Read(char* buffer, size_t capacity, size_t* got, int timeoutMs) {
    *got = 0;
    for (;;) {
        if (fromHost < 0) return ReadResult::Closed;
        if (timeoutMs >= 0) {
            pollfd fd = {fromHost, POLLIN, 0};
            const int ready = poll(&fd, 1, timeoutMs);
            if (ready < 0 && errno == EINTR) continue;
            if (ready == 0) return ReadResult::TimedOut;
        }
        const ssize_t count = read(fromHost, buffer, capacity);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return ReadResult::Closed;
        *got = static_cast<size_t>(count);
        return ReadResult::Data;
    }
}

void CPipeHostTransport::End() {
    if (pid > 0 && !reaped) kill(pid, SIGKILL);
}

std::string CPipeHostTransport::LastWords() {
    return LastLine(StderrTail());
}

std::string CPipeHostTransport::ExitDescription() {
    if (pid <= 0) return "not started";
    // The pipe closes a moment before the process is gone.
    int status = 0;
    pid_t done = 0;
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    while (!reaped && (done = waitpid(pid, &status, WNOHANG)) == 0 && Clock::now() < deadline)
        usleep(5000);
    std::string text = done == pid ? DescribeStatus(status) : std::string("still running, pipe closed");
    if (done == pid) reaped = true;
    usleep(20000); // let the last words on stderr arrive
    const std::string last = LastLine(StderrTail());
    if (!last.empty()) text += "; it said: " + last;
    return text;
}

void CPipeHostTransport::StderrLoop() {
    pollfd fds[2] = {{stderrPipe, POLLIN, 0}, {stopPipe[0], POLLIN, 0}};
    bool open = true;
    for (;;) {
        fds[0].fd = open ? stderrPipe : -1;
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents) return;
        if (open && fds[0].revents) {
            char chunk[4096];
            const ssize_t got = read(stderrPipe, chunk, sizeof(chunk));
            if (got > 0) {
                std::lock_guard<std::mutex> lock(stderrMutex);
                AppendTail(&stderrTail, chunk, static_cast<size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                open = false;
            }
        }
    }
}

std::string CPipeHostTransport::StderrTail() const {
    std::lock_guard<std::mutex> lock(stderrMutex);
    return stderrTail;
}

} // namespace platform
