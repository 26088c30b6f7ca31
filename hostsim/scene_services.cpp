// Item info, object info and mesh handles over the owned scene.
#include "hostsim/scene_services.h"

#include "hostsim/active_host.h"
#include "hostsim/host_error.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace hostsim {
namespace {

// The C entries. Item and object info carry no context, so they reach the active host's scene;
// mesh entries are checked against that scene too, so a foreign handle is refused, not followed.
extern "C" {
static ItemId hostFirstItem(std::int32_t type, ItemId parent) {
    SceneServices *s = activeHost().scene;
    return s ? s->firstItem(type, parent) : nullptr;
}
static ItemId hostNextItem(ItemId item) {
    SceneServices *s = activeHost().scene;
    return s ? s->nextItem(item) : nullptr;
}
static const char *hostItemName(ItemId item) {
    SceneServices *s = activeHost().scene;
    return s ? s->itemName(item) : nullptr;
}
static void hostItemParam(ItemId item, std::int32_t code, double time, double out[3]) {
    if (SceneServices *s = activeHost().scene) s->itemParam(item, code, time, out);
}
static MeshHandle *hostObjectMesh(ItemId object, std::int32_t mode) {
    SceneServices *s = activeHost().scene;
    try {
        return s ? s->objectMesh(object, mode) : nullptr;
    } catch (...) {
        return nullptr;
    }
}
static std::int32_t hostMeshPointCount(MeshHandle *mesh) {
    SceneServices *s = activeHost().scene;
    return s ? s->meshPointCount(mesh) : 0;
}
static std::int32_t hostMeshScanPoints(MeshHandle *mesh, ScanFn fn, void *data) {
    SceneServices *s = activeHost().scene;
    return s ? s->meshScanPoints(mesh, fn, data) : MESH_SCAN_DONE;
}
static std::int32_t hostMeshPointPosition(MeshHandle *mesh, PointId point, float position[3]) {
    SceneServices *s = activeHost().scene;
    return s ? s->meshPointPosition(mesh, point, position) : MESH_POINT_UNKNOWN;
}
}

ItemId idFromSerial(std::uintptr_t serial) { return reinterpret_cast<ItemId>(serial); }

}  // namespace

SceneServices::SceneServices(Scene scene) : scene_(std::move(scene)) {
    for (std::size_t i = 0; i < scene_.items.size(); ++i) ids_.push_back(idFromSerial(nextId_++));
    reindexFrom(0);
    itemInfo_.firstItem = &hostFirstItem;
    itemInfo_.nextItem = &hostNextItem;
    itemInfo_.itemName = &hostItemName;
    itemInfo_.itemParam = &hostItemParam;
    objectInfo_.objectMesh = &hostObjectMesh;
}

Item &SceneServices::item(std::size_t index) {
    if (index >= scene_.items.size())
        throw HostError("stand-in host: no item " + std::to_string(index) + ", the scene has " +
                        std::to_string(scene_.items.size()));
    return scene_.items[index];
}

ItemId SceneServices::itemId(std::size_t index) const {
    if (index >= ids_.size())
        throw HostError("stand-in host: no item " + std::to_string(index) + ", the scene has " +
                        std::to_string(ids_.size()));
    return ids_[index];
}

std::size_t SceneServices::slotOf(ItemId item) const {
    const auto serial = reinterpret_cast<std::uintptr_t>(item);
    if (serial >= slots_.size() || slots_[serial] == noSlot) return ids_.size();
    return slots_[serial];
}

void SceneServices::reindexFrom(std::size_t position) {
    slots_.resize(nextId_, noSlot);
    for (std::size_t i = position; i < ids_.size(); ++i)
        slots_[reinterpret_cast<std::uintptr_t>(ids_[i])] = i;
}

std::optional<std::size_t> SceneServices::indexOf(ItemId item) const {
    const std::size_t slot = slotOf(item);
    if (slot == ids_.size()) return std::nullopt;
    return slot;
}

ItemId SceneServices::insertItem(std::size_t position, Item item) {
    if (position > scene_.items.size())
        throw HostError("stand-in host: cannot insert at " + std::to_string(position) +
                        ", the scene has " + std::to_string(scene_.items.size()) + " items");
    const ItemId id = idFromSerial(nextId_++);
    const auto at = static_cast<std::ptrdiff_t>(position);
    scene_.items.insert(scene_.items.begin() + at, std::move(item));
    ids_.insert(ids_.begin() + at, id);
    reindexFrom(position);
    return id;
}

void SceneServices::removeItem(std::size_t position) {
    if (position >= scene_.items.size())
        throw HostError("stand-in host: cannot remove item " + std::to_string(position) +
                        ", the scene has " + std::to_string(scene_.items.size()));
    const auto at = static_cast<std::ptrdiff_t>(position);
    slots_[reinterpret_cast<std::uintptr_t>(ids_[position])] = noSlot;
    scene_.items.erase(scene_.items.begin() + at);
    ids_.erase(ids_.begin() + at);
    reindexFrom(position);
}

MeshHandle *SceneServices::meshOf(ItemId object) {
    const auto index = indexOf(object);
    if (!index || !scene_.items[*index].mesh) return nullptr;
    auto &record = meshes_[object];
    if (!record) {
        record = std::make_unique<MeshRecord>();
        record->item = object;
        record->table.meshPointCount = &hostMeshPointCount;
        record->table.meshScanPoints = &hostMeshScanPoints;
        record->table.meshPointPosition = &hostMeshPointPosition;
    }
    return &record->table;
}

ItemId SceneServices::itemOfMesh(const MeshHandle *mesh) const {
    for (const auto &[item, record] : meshes_)
        if (&record->table == mesh) return item;
    return nullptr;
}

const Mesh *SceneServices::meshBehind(const MeshHandle *mesh) const {
    const std::size_t slot = slotOf(itemOfMesh(mesh));
    if (slot == ids_.size() || !scene_.items[slot].mesh) return nullptr;
    return &*scene_.items[slot].mesh;
}

ItemId SceneServices::firstItem(std::int32_t type, ItemId parent) {
    ++counters_.firstItem;
    if (type != ITEM_TYPE_OBJECT || parent != nullptr || ids_.empty()) return nullptr;
    return ids_.front();
}

ItemId SceneServices::nextItem(ItemId item) {
    ++counters_.nextItem;
    const std::size_t slot = slotOf(item);
    if (slot + 1 >= ids_.size()) return nullptr;  // the last item, or an unknown one (slot == size)
    return ids_[slot + 1];
}

const char *SceneServices::itemName(ItemId item) {
    ++counters_.itemName;
    const std::size_t slot = slotOf(item);
    return slot < ids_.size() ? scene_.items[slot].name.c_str() : nullptr;
}

void SceneServices::positionAnew(ItemId item, std::int32_t code, double time, double out[3]) {
    out[0] = out[1] = out[2] = 0.0;
    const std::size_t slot = slotOf(item);
    if (slot == ids_.size() || code != ITEM_PARAM_POSITION) return;
    const Point3 p = scene_.items[slot].motion.at(time);
    out[0] = p.x, out[1] = p.y, out[2] = p.z;
    if (passDepth_ > 0) kept_ = {item, std::bit_cast<std::uint64_t>(time), p};
}

MeshHandle *SceneServices::objectMesh(ItemId object, std::int32_t) {
    ++counters_.objectMesh;
    return meshOf(object);
}

std::int32_t SceneServices::meshPointCount(MeshHandle *mesh) {
    ++counters_.meshPointCount;
    const Mesh *points = meshBehind(mesh);
    if (points == nullptr) return 0;
    return static_cast<std::int32_t>(
        std::min<std::size_t>(points->points.size(), std::numeric_limits<std::int32_t>::max()));
}

std::int32_t SceneServices::meshScanPoints(MeshHandle *mesh, ScanFn fn, void *data) {
    ++counters_.meshScanPoints;
    const Mesh *points = meshBehind(mesh);
    if (points == nullptr || fn == nullptr) return MESH_SCAN_DONE;
    const std::size_t count = points->points.size();
    const ScanWindow outer = scan_;
    scan_ = {mesh, points->points.data(), count};
    for (std::size_t i = 0; i < count; ++i) fn(data, pointId(i));
    scan_ = outer;
    return MESH_SCAN_DONE;
}

std::int32_t SceneServices::pointPositionAnew(MeshHandle *mesh, PointId point, float position[3]) {
    const auto index = reinterpret_cast<std::uintptr_t>(point) - 1;
    const Mesh *points = meshBehind(mesh);
    if (points == nullptr || position == nullptr || point == nullptr ||
        index >= points->points.size())
        return MESH_POINT_UNKNOWN;
    // One copy of all three floats: a module that reads them back in one wide load (vistrel.p does)
    // would otherwise stall on three separate stores, about 6 ns per point of a scan.
    const auto &p = points->points[index];
    std::memcpy(position, p.data(), sizeof p);
    return MESH_POINT_FOUND;
}

}  // namespace hostsim
