#include "instance/persistence.h"

#include <cstdint>

#include "instance/plugin_instance.h"

namespace vistrel {

namespace {

// The stored fields, in stored order.
constexpr std::int32_t PluginInstance::*storedFields[] = {
    &PluginInstance::leafPoints,   &PluginInstance::targetIndex, &PluginInstance::pivotType,
    &PluginInstance::headingAlign, &PluginInstance::pitchAlign,
};

}  // namespace

const char *load(void *instance, const LoadRecord *record) {
    auto *self = static_cast<PluginInstance *>(instance);
    if (self == nullptr || record == nullptr || record->readInts32 == nullptr)
        return ENTRY_NO_ERROR;
    for (auto field : storedFields) {
        std::int32_t value = 0;
        if (record->readInts32(record->stream, &value, 1) >= 1) self->*field = value;
    }
    // A scene saved with another leaf size turns all of its leaves, not only as many as the
    // default size gave.
    self->leafCount = wholeLeafCount(*self);
    resizeLeafArrays(*self);
    return ENTRY_NO_ERROR;
}

const char *save(void *instance, const SaveRecord *record) {
    const auto *self = static_cast<const PluginInstance *>(instance);
    if (self == nullptr || record == nullptr || record->writeInts32 == nullptr)
        return ENTRY_NO_ERROR;
    for (auto field : storedFields) {
        const std::int32_t value = self->*field;
        record->writeInts32(record->stream, &value, 1);
    }
    return ENTRY_NO_ERROR;
}

}  // namespace vistrel
