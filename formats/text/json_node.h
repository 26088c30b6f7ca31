// A value of a parsed JSON document together with its JSON pointer and file name, so that every
// complaint about the document names the file and the place: "scene.json: /items/2/position: ...".
#pragma once

#include <cstdint>
#include <initializer_list>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace formats {

// Parses JSON text (comments allowed); bad JSON throws HostError "<file>:<line>:<column>: <what>".
nlohmann::json parseJson(std::string_view text, const std::string &file);

class JsonNode {
  public:
    JsonNode(const nlohmann::json &value, std::string pointer, const std::string &file)
        : value_(&value), pointer_(std::move(pointer)), file_(&file) {}

    const nlohmann::json &value() const { return *value_; }
    const std::string &pointer() const { return pointer_; }

    // Throws HostError "<file>: <pointer>: <message>".
    [[noreturn]] void fail(std::string_view message) const;

    // Objects. Each checks first that this node is an object.
    bool has(std::string_view key) const;
    JsonNode member(std::string_view key) const;  // missing: "expected a member \"key\""
    std::optional<JsonNode> optionalMember(std::string_view key) const;
    void allowOnly(std::initializer_list<std::string_view> keys) const;  // other keys are errors

    // Arrays: the elements, each with its own pointer.
    std::vector<JsonNode> elements() const;

    // Values of the expected kind, or an error "expected ...".
    std::string text() const;
    double number() const;  // any JSON number
    std::int64_t integer(std::int64_t least, std::int64_t most) const;
    std::int32_t int32() const {
        return static_cast<std::int32_t>(integer(std::numeric_limits<std::int32_t>::min(),
                                                 std::numeric_limits<std::int32_t>::max()));
    }

  private:
    void requireObject() const;

    const nlohmann::json *value_;
    std::string pointer_;
    const std::string *file_;
};

}  // namespace formats
