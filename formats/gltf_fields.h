// Typed access to the members of a glTF document, each fault one line naming the file and the
// place: "tree.glb: accessor 3: count: expected a whole number from 0 to 18446744073709551615".
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace formats {

class GltfFields {
  public:
    explicit GltfFields(std::string file) : file_(std::move(file)) {}

    const std::string &file() const { return file_; }

    // Throws HostError "<file>: <where>: <what>" (or "<file>: <what>" for an empty `where`).
    [[noreturn]] void fail(std::string_view where, std::string_view what) const;

    // The array `key` of `object`; an empty array when absent.
    const nlohmann::json &array(const nlohmann::json &object, std::string_view key,
                                std::string_view where) const;
    // Element `index` of the top-level array `list` ("accessors", ...), which must be an object;
    // its name for messages is `singular` and the index ("accessor 3").
    const nlohmann::json &entry(const nlohmann::json &root, std::string_view list,
                                std::string_view singular, std::uint64_t index) const;
    // A whole number from 0 to 2^64 - 1; `fallback` when absent, else it must be present.
    std::uint64_t whole(const nlohmann::json &object, std::string_view key, std::string_view where,
                        std::optional<std::uint64_t> fallback = std::nullopt) const;
    std::optional<std::uint64_t> optionalWhole(const nlohmann::json &object, std::string_view key,
                                               std::string_view where) const;
    // A string member; nullopt when absent.
    std::optional<std::string> optionalText(const nlohmann::json &object, std::string_view key,
                                            std::string_view where) const;
    // Whether `object` (which must be an object) has `key`.
    bool has(const nlohmann::json &object, std::string_view key, std::string_view where) const;

  private:
    std::string file_;
};

}  // namespace formats
