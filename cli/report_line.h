// A line put together without allocating, for the reports made in a signal or exception handler.
#pragma once

#include "hostsim/exception_text.h"
#include "hostsim/module_call.h"

#include <cstddef>
#include <cstdint>

namespace cli {

class ReportLine {
  public:
    void add(const char *text) {
        while (*text != '\0' && size_ < sizeof text_) text_[size_++] = *text++;
    }
    void add(std::int32_t number) {
        char digits[12];
        int n = 0;
        auto magnitude =
            static_cast<std::uint32_t>(number < 0 ? 0u - static_cast<std::uint32_t>(number)
                                                  : static_cast<std::uint32_t>(number));
        do {
            digits[n++] = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
        if (number < 0) add("-");
        while (n > 0 && size_ < sizeof text_) text_[size_++] = digits[--n];
    }
    // Eight hexadecimal digits after "0x".
    void addHex(std::uint32_t number) {
        add("0x");
        for (int shift = 28; shift >= 0 && size_ < sizeof text_; shift -= 4)
            text_[size_++] = "0123456789ABCDEF"[(number >> shift) & 0xFu];
    }
    // A Windows exception's code and, where known, its name: "0xC0000005 (access violation)".
    void addException(std::uint32_t code) {
        addHex(code);
        if (const char *name = hostsim::exceptionName(code)) {
            add(" (");
            add(name);
            add(")");
        }
    }
    // " in <entry>", and " at frame N" when the call belongs to a frame: where a module call under
    // way stands. False, adding nothing, when no call of the module is under way.
    bool addCallPlace(const hostsim::CallInProgress *call) {
        if (call == nullptr) return false;
        const char *entry = call->entry;
        if (entry == nullptr) return false;
        add(" in ");
        add(entry);
        if (call->hasFrame) {
            add(" at frame ");
            add(call->frame);
        }
        return true;
    }
    const char *data() const { return text_; }
    std::size_t size() const { return size_; }

  private:
    char text_[1024]{};
    std::size_t size_ = 0;
};

}  // namespace cli
