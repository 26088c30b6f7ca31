// The host's reading of a panel hint list. A tag word's low byte gives the number of argument
// words after it; the low byte 0x81 means one argument word, then a list closed by a 0 word; a 0
// tag ends the list. Known tags are interpreted, unknown ones skipped by their count.
#pragma once

#include "host/panel_tables.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace hostsim {

struct PopupCallbacks {
    PopupCountFn count = nullptr;
    PopupNameFn name = nullptr;
};

struct HintReading {
    std::vector<std::uintptr_t> words;  // every word read, the end word included
    std::vector<std::uintptr_t> tags;   // every tag met, in order
    std::optional<std::string> title;
    std::uint32_t titleControl = 0;  // the control the title belongs to; 0 is the whole panel
    PanelChangeFn changeNotify = nullptr;
    std::map<std::uint32_t, PopupCallbacks> popups;  // control id -> callbacks
    std::map<std::uint32_t, std::vector<std::uint32_t>>
        derived;  // control id -> controls derived from it
    std::map<std::uint32_t, std::vector<std::string>> stringLists;  // control id -> entries
    std::vector<std::uintptr_t> skippedTags;                        // unknown tags, in order
};

// Longest hint list read, and longest string list, before the reading gives up.
inline constexpr std::size_t maxHintWords = 4096;
inline constexpr std::size_t maxStringListEntries = 256;

// Reads the list at `hints`. Throws HostError ("hint list: ...") when the list has no end within
// `maxWords` words, a 0x81 list has no closing 0, a text is null or a string list is not closed.
HintReading readHints(const std::uintptr_t *hints, std::size_t maxWords = maxHintWords);

}  // namespace hostsim
