// The replaced allocation functions and the scope that switches counting on.
#include "testkit/allocation_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

// The one global of the counter: operator new and malloc take no context pointer, so what they
// count has to live here. Constant-initialised, so allocations before main find it ready.
struct CounterState {
    std::atomic<bool> on{false};
    std::atomic<std::size_t> newCalls{0};
    std::atomic<std::size_t> newBytes{0};
    std::atomic<std::size_t> deleteCalls{0};
    std::atomic<std::size_t> mallocCalls{0};
    std::atomic<std::size_t> mallocBytes{0};
};
constinit CounterState state;

void noteNew(std::size_t size) {
    if (!state.on.load(std::memory_order_relaxed)) return;
    state.newCalls.fetch_add(1, std::memory_order_relaxed);
    state.newBytes.fetch_add(size, std::memory_order_relaxed);
}

void noteDelete(void *pointer) {
    if (pointer == nullptr || !state.on.load(std::memory_order_relaxed)) return;
    state.deleteCalls.fetch_add(1, std::memory_order_relaxed);
}

[[maybe_unused]] void noteMalloc(std::size_t size) {
    if (!state.on.load(std::memory_order_relaxed)) return;
    state.mallocCalls.fetch_add(1, std::memory_order_relaxed);
    state.mallocBytes.fetch_add(size, std::memory_order_relaxed);
}

void *allocate(std::size_t size) {
    noteNew(size);
    return std::malloc(size == 0 ? 1 : size);
}

void *allocateAligned(std::size_t size, std::align_val_t alignment) {
    noteNew(size);
    const auto align = static_cast<std::size_t>(alignment);
    const std::size_t rounded = (size + align - 1) / align * align;
    return std::aligned_alloc(align, rounded == 0 ? align : rounded);
}

void release(void *pointer) noexcept {
    noteDelete(pointer);
    std::free(pointer);
}

void *orThrow(void *pointer) {
    if (pointer == nullptr) throw std::bad_alloc();
    return pointer;
}

}  // namespace

namespace testkit {

bool countsMalloc() {
#if defined(__SANITIZE_ADDRESS__)
    return false;
#else
    return true;
#endif
}

CountingScope::CountingScope() {
    state.newCalls = 0;
    state.newBytes = 0;
    state.deleteCalls = 0;
    state.mallocCalls = 0;
    state.mallocBytes = 0;
    state.on = true;
}

CountingScope::~CountingScope() { state.on = false; }

AllocationCount CountingScope::counted() const {
    return {state.newCalls.load(), state.newBytes.load(), state.deleteCalls.load(),
            state.mallocCalls.load(), state.mallocBytes.load()};
}

}  // namespace testkit

void *operator new(std::size_t size) { return orThrow(allocate(size)); }
void *operator new[](std::size_t size) { return orThrow(allocate(size)); }
void *operator new(std::size_t size, const std::nothrow_t &) noexcept { return allocate(size); }
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept { return allocate(size); }
void *operator new(std::size_t size, std::align_val_t a) {
    return orThrow(allocateAligned(size, a));
}
void *operator new[](std::size_t size, std::align_val_t a) {
    return orThrow(allocateAligned(size, a));
}
void *operator new(std::size_t size, std::align_val_t a, const std::nothrow_t &) noexcept {
    return allocateAligned(size, a);
}
void *operator new[](std::size_t size, std::align_val_t a, const std::nothrow_t &) noexcept {
    return allocateAligned(size, a);
}

void operator delete(void *p) noexcept { release(p); }
void operator delete[](void *p) noexcept { release(p); }
void operator delete(void *p, std::size_t) noexcept { release(p); }
void operator delete[](void *p, std::size_t) noexcept { release(p); }
void operator delete(void *p, const std::nothrow_t &) noexcept { release(p); }
void operator delete[](void *p, const std::nothrow_t &) noexcept { release(p); }
void operator delete(void *p, std::align_val_t) noexcept { release(p); }
void operator delete[](void *p, std::align_val_t) noexcept { release(p); }
void operator delete(void *p, std::size_t, std::align_val_t) noexcept { release(p); }
void operator delete[](void *p, std::size_t, std::align_val_t) noexcept { release(p); }
void operator delete(void *p, std::align_val_t, const std::nothrow_t &) noexcept { release(p); }
void operator delete[](void *p, std::align_val_t, const std::nothrow_t &) noexcept { release(p); }

#if !defined(__SANITIZE_ADDRESS__)
// malloc and friends, counted and handed on to glibc's own allocator; free needs no replacement.
extern "C" {
void *__libc_malloc(std::size_t size) noexcept;
void *__libc_calloc(std::size_t count, std::size_t size) noexcept;
void *__libc_realloc(void *pointer, std::size_t size) noexcept;

void *malloc(std::size_t size) noexcept {
    noteMalloc(size);
    return __libc_malloc(size);
}

void *calloc(std::size_t count, std::size_t size) noexcept {
    noteMalloc(count * size);
    return __libc_calloc(count, size);
}

void *realloc(void *pointer, std::size_t size) noexcept {
    noteMalloc(size);
    return __libc_realloc(pointer, size);
}
}
#endif
