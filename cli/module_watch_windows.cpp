// Reporting a module that crashes or ends the process, on Windows. A crash is an exception: a
// vectored exception handler sees it first, before any handler of the module's or the system's
// report, and for the codes that mean a crash (never a C++ exception) it writes the line and ends
// the process with 1. The handlers reach the watch in force through one static pointer and allocate
// nothing.
#include "cli/module_watch.h"

#include "cli/report_line.h"

#include <windows.h>

#include <cstdlib>

namespace cli {
namespace {

ModuleWatch::Report *volatile watched = nullptr;
bool exitHandlerAdded = false;

// Reports `what` happening in the call under way and ends the process with 1; returns when no call
// of the module is under way.
void reportAndEnd(const char *what, std::uint32_t code) {
    const ModuleWatch::Report *w = watched;
    if (w == nullptr) return;
    ReportLine line;
    line.add(w->prefix);
    line.add(what);
    if (code != 0) line.addException(code);
    if (!line.addCallPlace(w->call)) return;
    line.add("\n");
    DWORD wrote = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()), &wrote,
              nullptr);
    TerminateProcess(GetCurrentProcess(), 1);
}

// The exception codes that mean the module crashed: errors (severity bits 11) of the system's own
// facility, and misaligned data. A C++ exception (0x20474343, 0xE06D7363) is not one of them.
bool isCrash(DWORD code) {
    return (code & 0xF0000000u) == 0xC0000000u || code == EXCEPTION_DATATYPE_MISALIGNMENT;
}

LONG WINAPI onException(EXCEPTION_POINTERS *exception) {
    const DWORD code = exception->ExceptionRecord->ExceptionCode;
    if (isCrash(code)) reportAndEnd("crashed with exception ", code);
    return EXCEPTION_CONTINUE_SEARCH;
}

extern "C" void onExit() { reportAndEnd("called exit()", 0); }

}  // namespace

ModuleWatch::ModuleWatch(const std::filesystem::path &module) : prefix_(module.string() + ": ") {
    report_ = Report{prefix_.c_str(), &hostsim::moduleCall(), -1};
    watched = &report_;
    if (!exitHandlerAdded) exitHandlerAdded = std::atexit(&onExit) == 0;
    handler_ = AddVectoredExceptionHandler(1, &onException);
}

ModuleWatch::~ModuleWatch() {
    if (handler_ != nullptr) RemoveVectoredExceptionHandler(handler_);
    watched = nullptr;
}

void ModuleWatch::reportTo(int fd) {
    if (Report *w = watched) w->fd = fd;
}

}  // namespace cli
