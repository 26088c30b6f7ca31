// A validation group's child process on POSIX systems: a fork that writes its verdict to a pipe.
#include "validate/group_process.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

namespace validate {
namespace {

using Clock = std::chrono::steady_clock;

void writeAll(int fd, const std::string &text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

std::string signalName(int signal) {
    const char *name = ::sigabbrev_np(signal);
    return name ? std::string("SIG") + name : "signal " + std::to_string(signal);
}

}  // namespace

void writeVerdict(const Group &group, const GroupOptions &options, std::uintptr_t pipe) {
    const std::string verdict = verdictOf(group, options);
    std::cout.flush();
    std::fflush(stdout);
    writeAll(pipe == 0 ? STDOUT_FILENO : static_cast<int>(pipe), verdict);
}

GroupOutcome runInChild(const Group &group, const GroupOptions &options, const RunOptions &run) {
    int fds[2];
    if (::pipe(fds) != 0)
        return {false, std::string("cannot make a pipe: ") + std::strerror(errno)};
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) return {false, std::string("cannot fork: ") + std::strerror(errno)};
    if (child == 0) {
        ::close(fds[0]);
        writeAll(fds[1], verdictOf(group, options));
        ::close(fds[1]);
        // A normal exit, so that leak checkers look at the child's memory.
        std::exit(EXIT_SUCCESS);
    }
    ::close(fds[1]);
    std::string verdict;
    bool timedOut = false;
    const auto deadline = Clock::now() + run.timeLimit;
    while (true) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            timedOut = true;
            break;
        }
        pollfd watch{fds[0], POLLIN, 0};
        const int ready = ::poll(&watch, 1, static_cast<int>(std::min<long long>(left, 1000)));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) continue;
        char buffer[4096];
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        verdict.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    if (timedOut) ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {}
    if (timedOut)
        return {false, "took longer than its limit of " + std::to_string(run.timeLimit.count()) +
                           " s and was ended"};
    if (WIFSIGNALED(status)) {
        const GroupOutcome partial = outcomeOf(verdict);
        return {false, "crashed with " + signalName(WTERMSIG(status)) +
                           (verdict.empty() ? std::string() : " after: " + partial.detail)};
    }
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    GroupOutcome outcome = outcomeOf(verdict);
    if (code != 0) {
        const std::string what = "exited with code " + std::to_string(code) +
                                 " (a sanitizer or valgrind report above says why)";
        return {false, verdict.empty()  ? what
                       : outcome.passed ? "passed its checks but " + what
                                        : outcome.detail + "; then " + what};
    }
    return outcome;
}

}  // namespace validate
