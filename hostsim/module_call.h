// The module entry this process is in, for a handler that reports a crash, an exit, a stop or a
// time limit there: its name ("startup", "activation", "create", "load", "newTime", "evaluate",
// "destroy", ...) and, for the entries of a frame, the frame. One host at a time plays a module in
// a process, so one record serves; it is read by signal handlers, hence volatile.
#pragma once

#include <cstdint>

namespace hostsim {

struct CallInProgress {
    const char *volatile entry = nullptr;  // null between calls
    volatile std::int32_t frame = 0;
    volatile bool hasFrame = false;  // whether the call belongs to `frame`
};

// The process's record.
inline CallInProgress &moduleCall() {
    static CallInProgress call;
    return call;
}

// Marks a call of the module as under way for as long as it lasts, restoring what was marked before
// (calls nest: an update a panel callback asks for runs inside it).
class CallScope {
  public:
    // A call of a frame's entry.
    CallScope(const char *entry, std::int32_t frame) : CallScope(entry) {
        call_.frame = frame;
        call_.hasFrame = true;
    }
    // A call outside a frame, or inside the one marked already.
    explicit CallScope(const char *entry)
        : entry_(call_.entry), frame_(call_.frame), hasFrame_(call_.hasFrame) {
        call_.entry = entry;
    }
    ~CallScope() {
        call_.entry = entry_;
        call_.frame = frame_;
        call_.hasFrame = hasFrame_;
    }
    CallScope(const CallScope &) = delete;
    CallScope &operator=(const CallScope &) = delete;

  private:
    CallInProgress &call_ = moduleCall();
    const char *entry_;
    std::int32_t frame_;
    bool hasFrame_;
};

}  // namespace hostsim
