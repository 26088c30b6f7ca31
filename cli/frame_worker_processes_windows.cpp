// Starting, reading, releasing and ending the worker processes of a run on Windows, and a worker's
// own life. A worker is this program started anew with the run's command line and "--worker
// ORDER"; it inherits one end of a duplex pipe and the section of shared positions, and nothing
// else of the run's (the two handles are inheritable only while it is made).
#include "cli/frame_worker_processes.h"

#include "cli/module_watch.h"
#include "cli/stop_signals.h"
#include "cli/worker_frames.h"
#include "formats/text/text_file.h"
#include "hostsim/host_error.h"

#include <windows.h>

#include <io.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

namespace cli {
namespace {

[[noreturn]] void end(int code) { std::_Exit(code); }

std::string systemError(const char *what) {
    return std::string("vistrelle run: cannot ") + what + " (system error " +
           std::to_string(GetLastError()) + ")";
}

// The program's own file, as the system knows it.
std::wstring programFile() {
    std::wstring file(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, file.data(), static_cast<DWORD>(file.size()));
        if (length == 0) throw hostsim::HostError(systemError("find the program's own file"));
        if (length < file.size()) {
            file.resize(length);
            return file;
        }
        file.resize(file.size() * 2);
    }
}

// A job object that ends every process in it when its last handle, this process's, closes.
HANDLE workerJob() {
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (job == nullptr) return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    return job;
}

// A duplex pipe: this process's end, and the worker's end, which is not inheritable yet.
std::pair<HANDLE, HANDLE> workerPipe(unsigned k) {
    static LONG made = 0;
    const std::wstring name =
        L"\\\\.\\pipe\\vistrelle-run-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
        std::to_wstring(InterlockedIncrement(&made)) + L"-" + std::to_wstring(k);
    HANDLE ours = CreateNamedPipeW(
        name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 1 << 16,
        1 << 16, 0, nullptr);
    if (ours == INVALID_HANDLE_VALUE)
        throw hostsim::HostError(systemError("make a pipe for a worker"));
    HANDLE theirs = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (theirs == INVALID_HANDLE_VALUE) {
        const std::string error = systemError("make a pipe for a worker");
        CloseHandle(ours);
        throw hostsim::HostError(error);
    }
    return {ours, theirs};
}

// Starts the program anew with `arguments` added, handing it `handles` only.
HANDLE startWorker(const std::wstring &arguments, std::initializer_list<HANDLE> handles,
                   HANDLE job) {
    static const std::wstring program = programFile();
    std::wstring line = std::wstring(GetCommandLineW()) + L" " + arguments;
    for (HANDLE h : handles) SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION made{};
    const BOOL started = CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE,
                                        CREATE_SUSPENDED, nullptr, nullptr, &startup, &made);
    const std::string error = started ? std::string() : systemError("start a worker");
    for (HANDLE h : handles) SetHandleInformation(h, HANDLE_FLAG_INHERIT, 0);
    if (!started) throw hostsim::HostError(error);
    if (job != nullptr) AssignProcessToJobObject(job, made.hProcess);
    ResumeThread(made.hThread);
    CloseHandle(made.hThread);
    return made.hProcess;
}

void interrupted() { throwIfStopped(); }

// An exit code as Windows shows it: in hex when it is an exception's (0xC0000005), else in decimal.
std::string exitCodeText(int status) {
    const auto code = static_cast<std::uint32_t>(status);
    if (code < 0xC0000000u) return std::to_string(code);
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
    return text;
}

}  // namespace

WorkerOrder parseWorkerOrder(const std::string &text) {
    WorkerOrder order;
    std::uintptr_t pipe = 0, section = 0;
    char c1 = 0, c2 = 0, c3 = 0, c4 = 0, c5 = 0;
    std::istringstream in(text);
    in >> order.from >> c1 >> order.last >> c2 >> order.stride >> c3 >> pipe >> c4 >> section >>
        c5 >> order.positions;
    if (!in || !in.eof() || c1 != ',' || c2 != ',' || c3 != ',' || c4 != ',' || c5 != ',' ||
        order.stride < 1)
        throw hostsim::HostError("vistrelle run: --worker " + text + ": not an order from a run");
    order.fd = _open_osfhandle(static_cast<intptr_t>(pipe), 0);
    order.section = reinterpret_cast<void *>(section);
    if (order.fd < 0) throw hostsim::HostError("vistrelle run: --worker " + text + ": no pipe");
    return order;
}

void serveFrames(hostsim::Host &host, const FrameHandlers &handlers, std::int64_t first,
                 const WorkerOrder &order) {
    const int fd = order.fd;
    end(reportingFailures(fd, [&] {
        const SharedPositions shared(static_cast<std::size_t>(order.positions), order.section);
        const auto firstFrame = static_cast<std::int32_t>(first);
        ModuleWatch::startFrame(firstFrame);
        host.runFrame(firstFrame);
        ModuleWatch::endFrame();
        handlers.settle();
        return playWorkerFrames(host, handlers, fd, shared, order.from, order.last, order.stride);
    }));
}

void FrameWorkerProcesses::start(hostsim::Host &host, const FrameHandlers &, std::int64_t from,
                                 std::int64_t last, std::int64_t step, unsigned jobs,
                                 std::size_t positions) {
    instances_ = host.displacementInstances();
    if (job_ == nullptr) job_ = workerJob();
    for (unsigned k = 0; k < jobs && from + k * step <= last; ++k) {
        Worker worker;
        worker.shared = std::make_unique<SharedPositions>(positions);
        const auto [ours, theirs] = workerPipe(k);
        const std::wstring order =
            L"--worker " + std::to_wstring(from + k * step) + L"," + std::to_wstring(last) + L"," +
            std::to_wstring(step * jobs) + L"," +
            std::to_wstring(reinterpret_cast<std::uintptr_t>(theirs)) + L"," +
            std::to_wstring(reinterpret_cast<std::uintptr_t>(worker.shared->section())) + L"," +
            std::to_wstring(positions);
        try {
            worker.process = startWorker(order, {theirs, worker.shared->section()}, job_);
        } catch (...) {
            CloseHandle(ours);
            CloseHandle(theirs);
            throw;
        }
        CloseHandle(theirs);
        worker.fd = _open_osfhandle(reinterpret_cast<intptr_t>(ours), 0);
        workers_.push_back(std::move(worker));
    }
}

void FrameWorkerProcesses::receive(std::size_t k, std::int32_t frame, ReceivedFrame &got) {
    Worker &w = workers_[k];
    const std::string where = "vistrelle run: frame " + std::to_string(frame) + ": ";
    std::string what;
    switch (readRecord(w.fd, *w.shared, got, what, &interrupted)) {
        case Reading::frame:
            if (got.frame == frame) {
                // The worker's own instances: the same objects, in this process.
                for (hostsim::DisplacedObject &o : got.objects)
                    o.instance =
                        o.displacement < instances_.size() ? instances_[o.displacement] : nullptr;
                return;
            }
            removeFiles(got.files.paths);
            break;
        case Reading::ended: {
            throwIfStopped();  // a Ctrl+C reaches the workers too, and they end first
            const int status = reap(w);
            if (status > 128 && isStopSignal(status - 128)) throw RunStopped(status - 128, true);
            throw WorkerEnded("a worker ended unexpectedly with exit code " + exitCodeText(status));
        }
        case Reading::error:
            reap(w);
            throw hostsim::HostError(what.empty() ? where + "the worker playing it failed" : what);
        case Reading::diskFull:
            reap(w);
            throw formats::DiskFullError(what.empty() ? where + "the disk is full" : what);
        case Reading::garbled:
            break;
    }
    throw hostsim::HostError(where + "the worker playing it sent something else");
}

void FrameWorkerProcesses::release(std::size_t k) {
    const char taken = 1;
    writeAll(workers_[k].fd, &taken, 1);  // a worker that has ended needs none: nothing to report
}

void FrameWorkerProcesses::finish(std::size_t k) {
    Worker &w = workers_[k];
    _close(w.fd);
    w.fd = -1;
    const int status = reap(w);
    if (status == 0 || (status > 128 && isStopSignal(status - 128))) return;
    throw hostsim::HostError("vistrelle run: a worker ended badly after its last frame");
}

void FrameWorkerProcesses::stopAll() {
    for (Worker &w : workers_) {
        if (w.process != nullptr) TerminateProcess(w.process, 1);
        if (w.fd >= 0) _close(w.fd);
        w.fd = -1;
        reap(w);
    }
    if (job_ != nullptr) CloseHandle(job_);
    job_ = nullptr;
}

int FrameWorkerProcesses::reap(Worker &w) {
    DWORD code = 0;
    if (w.process == nullptr) return 0;
    WaitForSingleObject(w.process, INFINITE);
    GetExitCodeProcess(w.process, &code);
    CloseHandle(w.process);
    w.process = nullptr;
    return static_cast<int>(code);
}

}  // namespace cli
