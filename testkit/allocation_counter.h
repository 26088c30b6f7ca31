// Counts the heap allocations this process makes while a CountingScope is open. The global operator
// new and delete are replaced in the executable; a module loaded later (vistrel.p) binds to them
// too, because it takes operator new from the shared libstdc++ and the executable's definition
// comes first. Outside AddressSanitizer builds malloc, calloc and realloc are replaced as well
// (forwarded to glibc); ASan owns those, so there only operator new is counted.
#pragma once

#include <cstddef>

namespace testkit {

struct AllocationCount {
    std::size_t newCalls = 0;     // operator new and new[], every variant
    std::size_t newBytes = 0;     // bytes asked of them
    std::size_t deleteCalls = 0;  // operator delete and delete[] of a non-null pointer
    std::size_t mallocCalls = 0;  // malloc, calloc and realloc (also those made by operator new)
    std::size_t mallocBytes = 0;

    std::size_t allocations() const { return newCalls + mallocCalls; }
};

// True when malloc, calloc and realloc are counted in this build.
bool countsMalloc();

// Counts from construction to destruction. Scopes do not nest.
class CountingScope {
  public:
    CountingScope();
    ~CountingScope();
    CountingScope(const CountingScope &) = delete;
    CountingScope &operator=(const CountingScope &) = delete;

    // What was counted so far in this scope.
    AllocationCount counted() const;
};

}  // namespace testkit
