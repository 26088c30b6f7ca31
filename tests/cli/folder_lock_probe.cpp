// folder_lock_probe FOLDER SECONDS: takes the lock a run takes on its output folder (Windows
// build), prints "locked" once it holds it and keeps it SECONDS seconds; when another process
// holds it, prints the refusal's line and exits 1. The Windows stage runs two at once under Wine.
#include "cli/output_guard.h"
#include "hostsim/host_error.h"

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <thread>

int wmain(int argc, wchar_t **argv) {
    if (argc != 3) {
        std::fputs("usage: folder_lock_probe FOLDER SECONDS\n", stderr);
        return 2;
    }
    try {
        const cli::FolderLock lock{std::filesystem::path(argv[1])};
        std::puts("locked");
        std::fflush(stdout);
        std::this_thread::sleep_for(std::chrono::seconds(std::wcstol(argv[2], nullptr, 10)));
    } catch (const hostsim::HostError &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
