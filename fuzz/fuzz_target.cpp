// The libFuzzer target: every input is a program of host calls (see validate/call_sequence.h) made
// on the module through the stand-in host, with every check of the validator. A violated check
// aborts, so that libFuzzer keeps the input as a crash.
#include "validate/call_sequence.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <exception>

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    // Kept open for the whole run, so that each input's host only takes another reference and the
    // module's coverage counters stay registered once.
    if (::dlopen(VISTREL_FUZZ_MODULE, RTLD_NOW | RTLD_LOCAL) == nullptr) {
        std::fprintf(stderr, "%s: cannot be loaded: %s\n", VISTREL_FUZZ_MODULE, ::dlerror());
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    try {
        validate::runCallSequence(VISTREL_FUZZ_MODULE, {data, size});
    } catch (const std::exception &error) {
        std::fprintf(stderr, "check failed: %s\n", error.what());
        std::abort();
    }
    return 0;
}
