// The load and save records the host hands to an instance: a source that delivers stored
// integers and a sink that collects written ones. Each records the count of every call.
#pragma once

#include "host/load_record.h"
#include "host/save_record.h"

#include <cstdint>
#include <vector>

namespace hostsim {

// Values of the host's own slots of both records, so that a test can see they are left alone.
inline void *loadSaveSentinel(unsigned slot) {
    return reinterpret_cast<void *>(static_cast<std::uintptr_t>(0x5A7E0000u + slot));
}

class IntSource {
  public:
    explicit IntSource(std::vector<std::int32_t> values);
    IntSource(const IntSource &) = delete;
    IntSource &operator=(const IntSource &) = delete;

    // The record to pass to `load`; it refers to this source.
    const LoadRecord *record() const { return &record_; }
    // The count asked for by each readInts32 call, in order.
    const std::vector<std::int32_t> &requests() const { return requests_; }
    // How many values have been delivered so far.
    std::size_t delivered() const { return next_; }

    // Delivers up to `count` of the next values into `buffer`; how many it delivered (0 past the
    // end).
    std::int32_t read(std::int32_t *buffer, std::int32_t count);

  private:
    LoadRecord record_{};
    std::vector<std::int32_t> values_;
    std::size_t next_ = 0;
    std::vector<std::int32_t> requests_;
};

class IntSink {
  public:
    IntSink();
    IntSink(const IntSink &) = delete;
    IntSink &operator=(const IntSink &) = delete;

    // The record to pass to `save`; it refers to this sink.
    const SaveRecord *record() const { return &record_; }
    // Everything written, in order.
    const std::vector<std::int32_t> &values() const { return values_; }
    // The count of each writeInts32 call, in order.
    const std::vector<std::int32_t> &requests() const { return requests_; }

    void write(const std::int32_t *buffer, std::int32_t count);

  private:
    SaveRecord record_{};
    std::vector<std::int32_t> values_;
    std::vector<std::int32_t> requests_;
};

}  // namespace hostsim
