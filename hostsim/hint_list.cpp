// Walks a hint list word by word, never past its bound.
#include "hostsim/hint_list.h"
#include "hostsim/hex_text.h"

#include "hostsim/host_error.h"

#include <iomanip>

namespace hostsim {
namespace {

[[noreturn]] void fail(const std::string &what) { throw HostError("hint list: " + what); }

class HintReader {
  public:
    HintReader(const std::uintptr_t *hints, std::size_t maxWords)
        : hints_(hints), maxWords_(maxWords) {}

    std::uintptr_t next() {
        if (reading_.words.size() >= maxWords_)
            fail("no end word within " + std::to_string(maxWords_) + " words");
        const std::uintptr_t word = hints_[reading_.words.size()];
        reading_.words.push_back(word);
        return word;
    }

    // The words of a 0x81 list after its argument, up to and without the closing 0.
    std::vector<std::uintptr_t> closedList(std::uintptr_t tag) {
        std::vector<std::uintptr_t> list;
        while (true) {
            if (reading_.words.size() >= maxWords_)
                fail("the list of tag " + hexText(tag) + " has no closing 0 within " +
                     std::to_string(maxWords_) + " words");
            const std::uintptr_t word = next();
            if (word == 0) return list;
            list.push_back(word);
        }
    }

    HintReading read() {
        while (true) {
            const std::uintptr_t tag = next();
            if (tag == HINT_END) return std::move(reading_);
            reading_.tags.push_back(tag);
            const std::uintptr_t count = tag & 0xffu;
            if (count == HINT_ARG_LIST) {
                const auto control = static_cast<std::uint32_t>(next());
                const auto list = closedList(tag);
                if (tag == HINT_DERIVED) {
                    auto &derived = reading_.derived[control];
                    for (const std::uintptr_t id : list)
                        derived.push_back(static_cast<std::uint32_t>(id));
                } else {
                    reading_.skippedTags.push_back(tag);
                }
                continue;
            }
            std::vector<std::uintptr_t> args;
            for (std::uintptr_t i = 0; i < count; ++i) args.push_back(next());
            interpret(tag, args);
        }
    }

  private:
    static std::string text(const void *pointer, const std::string &what) {
        if (pointer == nullptr) fail(what + " is null");
        return static_cast<const char *>(pointer);
    }

    void interpret(std::uintptr_t tag, const std::vector<std::uintptr_t> &args) {
        switch (tag) {
            case HINT_TITLE:
                reading_.titleControl = static_cast<std::uint32_t>(args[0]);
                reading_.title = text(reinterpret_cast<const void *>(args[1]), "the title text");
                return;
            case HINT_CHANGE_NOTIFY:
                reading_.changeNotify = reinterpret_cast<PanelChangeFn>(args[0]);
                return;
            case HINT_POPUP_FUNCS:
                reading_.popups[static_cast<std::uint32_t>(args[0])] = {
                    reinterpret_cast<PopupCountFn>(args[1]),
                    reinterpret_cast<PopupNameFn>(args[2])};
                return;
            case HINT_STRING_LIST: {
                const auto control = static_cast<std::uint32_t>(args[0]);
                const auto *entries = reinterpret_cast<const char *const *>(args[1]);
                if (entries == nullptr)
                    fail("the string list of control " + hexText(control) + " is null");
                std::vector<std::string> list;
                for (std::size_t i = 0; entries[i] != nullptr; ++i) {
                    if (i == maxStringListEntries)
                        fail("the string list of control " + hexText(control) +
                             " is not closed within " + std::to_string(maxStringListEntries) +
                             " entries");
                    list.emplace_back(entries[i]);
                }
                reading_.stringLists[control] = std::move(list);
                return;
            }
            default:
                reading_.skippedTags.push_back(tag);
        }
    }

    const std::uintptr_t *hints_;
    std::size_t maxWords_;
    HintReading reading_;
};

}  // namespace

HintReading readHints(const std::uintptr_t *hints, std::size_t maxWords) {
    if (hints == nullptr) fail("null");
    return HintReader(hints, maxWords).read();
}

}  // namespace hostsim
