// Parsing JSON with positions in errors, and typed access that names the place of every error.
#include "formats/text/json_node.h"

#include <algorithm>

#include "hostsim/host_error.h"

namespace formats {

using hostsim::HostError;
namespace {

// A key as a JSON pointer token: "~" is written "~0" and "/" is written "~1".
std::string pointerToken(std::string_view key) {
    std::string token;
    for (char c : key) {
        if (c == '~')
            token += "~0";
        else if (c == '/')
            token += "~1";
        else
            token += c;
    }
    return token;
}

std::string quoted(std::string_view key) { return nlohmann::json(std::string(key)).dump(); }

// nlohmann's own text after its "[json.exception...] parse error at line L, column C: " prefix.
std::string parseErrorReason(const std::string &what) {
    const auto column = what.find("column ");
    const auto colon = what.find(": ", column == std::string::npos ? 0 : column);
    return colon == std::string::npos ? what : what.substr(colon + 2);
}

// "<line>:<column>" of the character at `offset`, both counted from 1.
std::string lineAndColumn(std::string_view text, std::size_t offset) {
    std::size_t line = 1;
    std::size_t column = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return std::to_string(line) + ":" + std::to_string(column);
}

}  // namespace

nlohmann::json parseJson(std::string_view text, const std::string &file) {
    try {
        return nlohmann::json::parse(text.begin(), text.end(), nullptr, true, true);
    } catch (const nlohmann::json::parse_error &error) {
        // error.byte counts from 1 and points at the character that could not be read.
        const std::size_t offset = error.byte == 0 ? 0 : error.byte - 1;
        throw HostError(file + ":" + lineAndColumn(text, offset) + ": " +
                        parseErrorReason(error.what()));
    } catch (const nlohmann::json::exception &error) {
        // A number too large for a double: "... number overflow parsing '1e999'", without a
        // position.
        const std::string what = error.what();
        const std::string reason =
            what.substr(what.find("] ") == std::string::npos ? 0 : what.find("] ") + 2);
        const auto open = what.find('\'');
        const auto close = what.rfind('\'');
        const auto at = open < close ? text.find(what.substr(open + 1, close - open - 1))
                                     : std::string_view::npos;
        throw HostError(file + (at == std::string_view::npos ? "" : ":" + lineAndColumn(text, at)) +
                        ": " + reason);
    }
}

void JsonNode::fail(std::string_view message) const {
    throw HostError(*file_ + ": " + (pointer_.empty() ? std::string("/") : pointer_) + ": " +
                    std::string(message));
}

void JsonNode::requireObject() const {
    if (!value_->is_object()) fail("expected an object");
}

bool JsonNode::has(std::string_view key) const {
    requireObject();
    return value_->contains(key);
}

JsonNode JsonNode::member(std::string_view key) const {
    if (!has(key)) fail("expected a member " + quoted(key));
    return JsonNode(value_->at(std::string(key)), pointer_ + "/" + pointerToken(key), *file_);
}

std::optional<JsonNode> JsonNode::optionalMember(std::string_view key) const {
    if (!has(key)) return std::nullopt;
    return member(key);
}

void JsonNode::allowOnly(std::initializer_list<std::string_view> keys) const {
    requireObject();
    for (const auto &[key, value] : value_->items()) {
        if (std::find(keys.begin(), keys.end(), key) != keys.end()) continue;
        std::string known;
        for (std::string_view k : keys) known += (known.empty() ? "" : ", ") + quoted(k);
        JsonNode(value, pointer_ + "/" + pointerToken(key), *file_)
            .fail("unknown member; expected one of " + known);
    }
}

std::vector<JsonNode> JsonNode::elements() const {
    if (!value_->is_array()) fail("expected an array");
    std::vector<JsonNode> nodes;
    nodes.reserve(value_->size());
    for (std::size_t i = 0; i < value_->size(); ++i) {
        nodes.emplace_back((*value_)[i], pointer_ + "/" + std::to_string(i), *file_);
    }
    return nodes;
}

std::string JsonNode::text() const {
    if (!value_->is_string()) fail("expected a string");
    return value_->get<std::string>();
}

double JsonNode::number() const {
    if (!value_->is_number()) fail("expected a number");
    return value_->get<double>();
}

std::int64_t JsonNode::integer(std::int64_t least, std::int64_t most) const {
    const std::string range =
        "expected an integer from " + std::to_string(least) + " to " + std::to_string(most);
    if (value_->is_number_unsigned()) {
        const auto v = value_->get<std::uint64_t>();
        if (most < 0 || v > static_cast<std::uint64_t>(most)) fail(range);
        return static_cast<std::int64_t>(v);
    }
    if (!value_->is_number_integer()) fail(range);
    const auto v = value_->get<std::int64_t>();
    if (v < least || v > most) fail(range);
    return v;
}

}  // namespace formats
