// Spawning vistrelle with its output redirected into files of a scratch folder.
#include "tests/cli/command_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char **environ;

namespace clitest {

CommandOutcome runVistrelle(const std::vector<std::string> &arguments, ModuleChoice module) {
    const testkit::ScratchFolder capture;
    const std::string outFile = (capture / "stdout").string();
    const std::string errFile = (capture / "stderr").string();

    std::vector<std::string> words{VISTRELLE_COMMAND_FILE};
    words.insert(words.end(), arguments.begin(), arguments.end());
    if (module == ModuleChoice::underTest) words.insert(words.end(), {"--module", VISTREL_MODULE_FILE});
    std::vector<char *> argv;
    for (std::string &word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error(std::string("cannot start ") + VISTRELLE_COMMAND_FILE);

    int status = 0;
    waitpid(child, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, testkit::fileText(outFile), testkit::fileText(errFile)};
}

std::filesystem::path fixture(const std::string &name) { return std::filesystem::path(CLI_TEST_DATA) / name; }

std::vector<std::string> linesOf(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace clitest
