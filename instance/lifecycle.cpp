#include "instance/lifecycle.h"

#include <memory>
#include <new>

#include "instance/item_list.h"
#include "instance/plugin_instance.h"
#include "module/module_state.h"

namespace vistrel {

namespace {

// Shared by every instance; each useItems call overwrites the first entry. The second stays none.
ItemId usedItems[2] = {nullptr, nullptr};

constexpr const char *descriptionPrefix = "Vistrelobject: ";

}  // namespace

void *create(void * /*context*/, ItemId object) {
    try {
        auto instance = std::make_unique<PluginInstance>();
        const ObjectInfo *objects = objectInfoService;
        instance->meshInfo = objects != nullptr && objects->objectMesh != nullptr
                                 ? objects->objectMesh(object, OBJECT_MESH_MODE_DEFAULT)
                                 : nullptr;
        MeshHandle *mesh = instance->meshInfo;
        if (mesh != nullptr && mesh->meshPointCount != nullptr) {
            instance->pointCount = mesh->meshPointCount(mesh);
            instance->leafCount =
                static_cast<double>(mesh->meshPointCount(mesh) / instance->leafPoints);
        }
        resizeLeafArrays(*instance);
        return instance.release();
    } catch (...) {
        return nullptr;
    }
}

void destroy(void *instance) {
    // Owned again here, so that the arrays and the description go with the record.
    std::unique_ptr<PluginInstance> owned(static_cast<PluginInstance *>(instance));
}

// Reads nothing and copies nothing: a copy keeps its own settings.
const char *copy(void * /*to*/, const void * /*from*/) { return ENTRY_NO_ERROR; }

const char *describe(void *instance) {
    auto *self = static_cast<PluginInstance *>(instance);
    if (self == nullptr) return "";
    try {
        self->description = TextBuffer(descriptionPrefix);
        self->description.append(TextBuffer(itemNameAt(nullptr, self->targetIndex)));
    } catch (...) {
        self->description.release();
    }
    const char *text = self->description.text();
    return text != nullptr ? text : "";
}

const ItemId *useItems(void *instance) {
    const auto *self = static_cast<const PluginInstance *>(instance);
    usedItems[0] = self != nullptr ? self->targetItem : nullptr;
    return usedItems;
}

const char *newTime(void *instance, std::int32_t frame, double time) {
    auto *self = static_cast<PluginInstance *>(instance);
    if (self == nullptr) return ENTRY_NO_ERROR;
    self->currentFrame = frame;
    self->currentTime = time;
    self->needsScan = 1;
    // The next point goes through every check of evaluate: the scan is due.
    self->aim.forget();
    return ENTRY_NO_ERROR;
}

std::uint32_t flags(void * /*instance*/) { return VISTRELLE_HANDLER_FLAGS; }

}  // namespace vistrel
