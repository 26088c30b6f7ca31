// The checks behind GltfFields: kinds and ranges first, then the value.
#include "formats/gltf_fields.h"

#include "hostsim/host_error.h"

namespace formats {

namespace {

const nlohmann::json emptyArray = nlohmann::json::array();

}  // namespace

void GltfFields::fail(std::string_view where, std::string_view what) const {
    throw hostsim::HostError(file_ + ": " + (where.empty() ? "" : std::string(where) + ": ") +
                             std::string(what));
}

bool GltfFields::has(const nlohmann::json &object, std::string_view key,
                     std::string_view where) const {
    if (!object.is_object()) fail(where, "expected a JSON object");
    return object.find(key) != object.end();
}

const nlohmann::json &GltfFields::array(const nlohmann::json &object, std::string_view key,
                                        std::string_view where) const {
    if (!has(object, key, where)) return emptyArray;
    const nlohmann::json &value = *object.find(key);
    if (!value.is_array()) fail(where, std::string(key) + ": expected an array");
    return value;
}

const nlohmann::json &GltfFields::entry(const nlohmann::json &root, std::string_view list,
                                        std::string_view singular, std::uint64_t index) const {
    const nlohmann::json &entries = array(root, list, "");
    const std::string name = std::string(singular) + " " + std::to_string(index);
    if (index >= entries.size())
        fail("", name + " is named, but the file has " + std::to_string(entries.size()) + " " +
                     std::string(list));
    const nlohmann::json &value = entries[static_cast<std::size_t>(index)];
    if (!value.is_object()) fail(name, "expected a JSON object");
    return value;
}

std::optional<std::uint64_t> GltfFields::optionalWhole(const nlohmann::json &object,
                                                       std::string_view key,
                                                       std::string_view where) const {
    if (!has(object, key, where)) return std::nullopt;
    const nlohmann::json &value = *object.find(key);
    if (value.is_number_unsigned()) return value.get<std::uint64_t>();
    if (value.is_number_integer() && value.get<std::int64_t>() >= 0)
        return static_cast<std::uint64_t>(value.get<std::int64_t>());
    fail(where, std::string(key) +
                    ": expected a whole number from 0 to 18446744073709551615, found " +
                    (value.is_number() ? value.dump() : std::string(value.type_name())));
}

std::uint64_t GltfFields::whole(const nlohmann::json &object, std::string_view key,
                                std::string_view where,
                                std::optional<std::uint64_t> fallback) const {
    if (const auto value = optionalWhole(object, key, where)) return *value;
    if (!fallback) fail(where, "expected a member \"" + std::string(key) + "\"");
    return *fallback;
}

std::optional<std::string> GltfFields::optionalText(const nlohmann::json &object,
                                                    std::string_view key,
                                                    std::string_view where) const {
    if (!has(object, key, where)) return std::nullopt;
    const nlohmann::json &value = *object.find(key);
    if (!value.is_string()) fail(where, std::string(key) + ": expected a string");
    return value.get<std::string>();
}

}  // namespace formats
