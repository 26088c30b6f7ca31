// A validation group's child process on Windows: this program again, started with the arguments
// that make it run the one group and write its verdict to a pipe of its own (the child's standard
// output stays the module's); ended when it passes its time limit. A crash ends the child with the
// exception's code and no debugger or error box, and the parent names the exception.
#include "validate/group_process.h"

#include "hostsim/exception_text.h"

#include <windows.h>

#include <algorithm>
#include <iostream>
#include <string>

namespace validate {
namespace {

using Clock = std::chrono::steady_clock;

std::wstring wide(const std::string &text) {
    if (text.empty()) return {};
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(std::max(length, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), length);
    return out;
}

// One argument quoted so that the C runtime's parser gives it back unchanged.
void appendQuoted(std::wstring &line, const std::wstring &argument) {
    if (!line.empty()) line += L' ';
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        line += argument;
        return;
    }
    line += L'"';
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote escaped.
        line.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(2 * backslashes, L'\\');
    line += L'"';
}

std::wstring thisProgram() {
    std::wstring path(MAX_PATH, L'\0');
    while (true) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) return path.substr(0, length);
        path.resize(2 * path.size());
    }
}

// Closes a handle when it goes.
struct OwnedHandle {
    HANDLE handle = nullptr;
    OwnedHandle() = default;
    explicit OwnedHandle(HANDLE h) : handle(h) {}
    OwnedHandle(const OwnedHandle &) = delete;
    OwnedHandle &operator=(const OwnedHandle &) = delete;
    ~OwnedHandle() { reset(); }
    void reset() {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
        handle = nullptr;
    }
};

std::string lastError(const char *what) {
    return std::string(what) + " (Windows error " + std::to_string(GetLastError()) + ")";
}

// Appends what the pipe holds now; answers false at its end.
bool drain(HANDLE pipe, std::string &verdict) {
    DWORD waiting = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr)) return false;
    while (waiting > 0) {
        char buffer[4096];
        DWORD got = 0;
        if (!ReadFile(pipe, buffer, std::min<DWORD>(waiting, sizeof buffer), &got, nullptr) ||
            got == 0)
            return false;
        verdict.append(buffer, got);
        waiting -= got;
    }
    return true;
}

// An unhandled exception ends the process at once with its code: no debugger, no report dialog.
LONG WINAPI endAtOnce(EXCEPTION_POINTERS *) { return EXCEPTION_EXECUTE_HANDLER; }

}  // namespace

void writeVerdict(const Group &group, const GroupOptions &options, std::uintptr_t pipe) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(&endAtOnce);
    const std::string verdict = verdictOf(group, options);
    std::cout.flush();
    std::fflush(stdout);
    const HANDLE out = pipe == 0 ? GetStdHandle(STD_OUTPUT_HANDLE) : reinterpret_cast<HANDLE>(pipe);
    for (std::size_t done = 0; done < verdict.size();) {
        DWORD wrote = 0;
        const auto size = static_cast<DWORD>(std::min<std::size_t>(verdict.size() - done, 1 << 16));
        if (!WriteFile(out, verdict.data() + done, size, &wrote, nullptr) || wrote == 0) return;
        done += wrote;
    }
}

GroupOutcome runInChild(const Group &group, const GroupOptions &, const RunOptions &run) {
    const std::wstring program = thisProgram();
    if (program.empty()) return {false, lastError("cannot find this program's file")};
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherited, 1 << 16))
        return {false, lastError("cannot make a pipe")};
    OwnedHandle reader(readEnd);
    OwnedHandle writer(writeEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    // The verdict's pipe is named by its handle, which the child inherits with the same value.
    std::wstring line;
    appendQuoted(line, program);
    for (const std::string &argument : run.childArguments) appendQuoted(line, wide(argument));
    appendQuoted(line, wide(std::string(group.name)));
    appendQuoted(line, L"--verdict-pipe");
    appendQuoted(line, std::to_wstring(reinterpret_cast<std::uintptr_t>(writeEnd)));

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION child{};
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &child))
        return {false, lastError("cannot start a child process")};
    OwnedHandle process(child.hProcess);
    OwnedHandle thread(child.hThread);
    writer.reset();  // the child holds the only write end: the pipe ends when the child does

    std::string verdict;
    bool timedOut = false;
    const auto deadline = Clock::now() + run.timeLimit;
    while (true) {
        drain(reader.handle, verdict);
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            timedOut = true;
            break;
        }
        if (WaitForSingleObject(process.handle, static_cast<DWORD>(std::min<long long>(
                                                    left, 20))) == WAIT_OBJECT_0) {
            drain(reader.handle, verdict);
            break;
        }
    }
    if (timedOut) {
        TerminateProcess(process.handle, 1);
        WaitForSingleObject(process.handle, INFINITE);
        return {false, "took longer than its limit of " + std::to_string(run.timeLimit.count()) +
                           " s and was ended"};
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(process.handle, &code))
        return {false, lastError("cannot read the child's exit code")};
    std::erase(verdict, '\r');
    const GroupOutcome outcome = outcomeOf(verdict);
    // Exit codes of 0xC0000000 and above are the exceptions that end a Windows process: a crash.
    if (code >= 0xC0000000u) {
        return {false, "crashed with exception " + hostsim::exceptionText(code) +
                           (verdict.empty() ? std::string() : " after: " + outcome.detail)};
    }
    if (code != 0) {
        const std::string what = "exited with code " + std::to_string(code);
        return {false, verdict.empty()  ? what
                       : outcome.passed ? "passed its checks but " + what
                                        : outcome.detail + "; then " + what};
    }
    return outcome;
}

}  // namespace validate
