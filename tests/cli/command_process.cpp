// Spawning vistrelle with its output redirected into files of a scratch folder.
#include "tests/cli/command_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <thread>

extern char **environ;

namespace clitest {

namespace {

// Starts vistrelle with `words` after its own path, its output into `capture`; its process id.
// In a process group of its own when `ownGroup`, as a shell starts a job, so that a signal can
// reach it and its workers together as Ctrl-C does.
pid_t spawnVistrelle(std::vector<std::string> words, const testkit::ScratchFolder &capture,
                     bool ownGroup = false, const std::string &pauses = "") {
    const std::string outFile = (capture / "stdout").string();
    const std::string errFile = (capture / "stderr").string();
    words.insert(words.begin(), VISTRELLE_COMMAND_FILE);
    std::vector<char *> argv;
    for (std::string &word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t child = 0;
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    if (ownGroup) {
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
    }
    std::vector<std::string> variables;
    for (char **variable = environ; *variable != nullptr; ++variable)
        if (!std::string_view(*variable).starts_with("VISTRELLE_TEST_PAUSE="))
            variables.emplace_back(*variable);
    if (!pauses.empty()) variables.push_back("VISTRELLE_TEST_PAUSE=" + pauses);
    std::vector<char *> envp;
    for (std::string &variable : variables) envp.push_back(variable.data());
    envp.push_back(nullptr);
    const int spawned =
        posix_spawn(&child, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        throw std::runtime_error(std::string("cannot start ") + VISTRELLE_COMMAND_FILE);
    return child;
}

CommandOutcome waitFor(pid_t child, const testkit::ScratchFolder &capture, int status = -1) {
    if (status == -1)
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {}
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, testkit::fileText(capture / "stdout"),
            testkit::fileText(capture / "stderr")};
}

}  // namespace

CommandOutcome runVistrelle(const std::vector<std::string> &arguments, ModuleChoice module) {
    const testkit::ScratchFolder capture;
    std::vector<std::string> words = arguments;
    if (module == ModuleChoice::underTest)
        words.insert(words.end(), {"--module", VISTREL_MODULE_FILE});
    return waitFor(spawnVistrelle(words, capture), capture);
}

RunningCommand::RunningCommand(const std::vector<std::string> &arguments, const std::string &pauses)
    : child_(spawnVistrelle(arguments, capture_, true, pauses)) {}

RunningCommand::~RunningCommand() {
    if (child_ <= 0) return;
    // Not waited for: a test that gave up on it. The command and its workers are ended, so that
    // one paused for good does not hold the test.
    if (endStatus_ == -1) ::kill(-child_, SIGKILL);
    waitFor(child_, capture_, endStatus_);
}

bool RunningCommand::waitUntilPaused() {
    if (endStatus_ != -1) return false;
    int status = 0;
    while (waitpid(child_, &status, WUNTRACED) < 0 && errno == EINTR) {}
    if (WIFSTOPPED(status)) return true;
    endStatus_ = status;
    return false;
}

void RunningCommand::resume() const { ::kill(child_, SIGCONT); }

CommandOutcome RunningCommand::wait() {
    const CommandOutcome outcome = waitFor(child_, capture_, endStatus_);
    child_ = -1;
    return outcome;
}

namespace {

// The fields of /proc/PID/stat from the state on ("PID (NAME) STATE ...": the name may hold
// anything, so they follow the last ')'); empty when the process is gone.
std::vector<std::string> statFields(int pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return {};
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos) return {};
    std::istringstream rest(line.substr(close + 1));
    std::vector<std::string> fields;
    for (std::string field; rest >> field;) fields.push_back(field);
    return fields;
}

}  // namespace

bool waitForState(int pid, const std::string &states) {
    for (int waited = 0; waited < 12000; ++waited) {
        const std::vector<std::string> fields = statFields(pid);
        if (fields.empty()) return false;
        if (states.find(fields[0][0]) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

long long cpuTicks(int pid) {
    long long ticks = 0;
    std::vector<int> processes{pid};
    std::ifstream children("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) +
                           "/children");
    for (int child = 0; children >> child;) processes.push_back(child);
    for (const int process : processes) {
        const std::vector<std::string> fields = statFields(process);
        if (fields.size() > 12) ticks += std::stoll(fields[11]) + std::stoll(fields[12]);
    }
    return ticks;
}

std::filesystem::path fixture(const std::string &name) {
    return std::filesystem::path(CLI_TEST_DATA) / name;
}

std::vector<std::string> linesOf(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace clitest
