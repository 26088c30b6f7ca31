// Load and save records over vectors of integers.
#include "hostsim/int_streams.h"

#include <algorithm>

namespace hostsim {
namespace {

extern "C" {
static std::int32_t hostReadInts32(void *stream, std::int32_t *buffer, std::int32_t count) {
    try {
        return stream ? static_cast<IntSource *>(stream)->read(buffer, count) : 0;
    } catch (...) {
        return 0;
    }
}
static void hostWriteInts32(void *stream, const std::int32_t *buffer, std::int32_t count) {
    try {
        if (stream) static_cast<IntSink *>(stream)->write(buffer, count);
    } catch (...) {}
}
}

template <typename Record>
void fillHostSlots(Record &record) {
    record.slot1 = loadSaveSentinel(1);
    record.slot3 = loadSaveSentinel(3);
    record.slot4 = loadSaveSentinel(4);
    record.slot5 = loadSaveSentinel(5);
}

}  // namespace

IntSource::IntSource(std::vector<std::int32_t> values) : values_(std::move(values)) {
    fillHostSlots(record_);
    record_.stream = this;
    record_.readInts32 = &hostReadInts32;
}

std::int32_t IntSource::read(std::int32_t *buffer, std::int32_t count) {
    requests_.push_back(count);
    if (buffer == nullptr || count <= 0) return 0;
    const std::size_t n = std::min(static_cast<std::size_t>(count), values_.size() - next_);
    std::copy_n(values_.begin() + static_cast<std::ptrdiff_t>(next_), n, buffer);
    next_ += n;
    return static_cast<std::int32_t>(n);
}

IntSink::IntSink() {
    fillHostSlots(record_);
    record_.stream = this;
    record_.writeInts32 = &hostWriteInts32;
}

void IntSink::write(const std::int32_t *buffer, std::int32_t count) {
    requests_.push_back(count);
    if (buffer == nullptr || count <= 0) return;
    values_.insert(values_.end(), buffer, buffer + count);
}

}  // namespace hostsim
