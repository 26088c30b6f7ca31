// The scene services the module asks for: "LW Item Info 3", "LW Object Info 3" and the mesh
// handles, answered from a hostsim::Scene that this object owns. Every item gets an ID that is
// never 0 and that it keeps while items are inserted or removed ahead of it; IDs are serial
// numbers, and an index from each to its place in the list answers nextItem, itemName and position
// queries in constant time whatever the scene's size. Counters record how often the module called
// each entry.
#pragma once

#include "host/item_info.h"
#include "host/mesh_handle.h"
#include "host/object_info.h"
#include "hostsim/scene.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace hostsim {

struct SceneCounters {
    std::size_t firstItem = 0;
    std::size_t nextItem = 0;
    std::size_t itemName = 0;
    std::size_t itemParam = 0;
    std::size_t objectMesh = 0;
    std::size_t meshPointCount = 0;
    std::size_t meshScanPoints = 0;
    std::size_t meshPointPosition = 0;
};

class SceneServices {
  public:
    explicit SceneServices(Scene scene);
    SceneServices(const SceneServices &) = delete;
    SceneServices &operator=(const SceneServices &) = delete;

    const Scene &scene() const { return scene_; }
    // The item at `index` for editing its name, motion or mesh; HostError when out of range.
    Item &item(std::size_t index);
    // The ID of the item at `index`; HostError when out of range.
    ItemId itemId(std::size_t index) const;
    // The position of the item in the list, or nullopt for an unknown or removed item.
    std::optional<std::size_t> indexOf(ItemId item) const;
    // Puts `item` at `position` (0 to the item count), ahead of the item there; its new ID.
    ItemId insertItem(std::size_t position, Item item);
    // Takes the item at `position` out of the list; its ID is never given again.
    void removeItem(std::size_t position);

    // The mesh handle of an object, as objectMesh hands it out; null when the item has no mesh.
    MeshHandle *meshOf(ItemId object);
    // The item a handle of this host belongs to; null for a handle this host did not make.
    ItemId itemOfMesh(const MeshHandle *mesh) const;
    // The point of the mesh at `index`, as meshScanPoints names it.
    static PointId pointId(std::size_t index) { return reinterpret_cast<PointId>(index + 1); }

    ItemInfo *itemInfo() { return &itemInfo_; }
    ObjectInfo *objectInfo() { return &objectInfo_; }
    const SceneCounters &counters() const { return counters_; }
    void resetCounters() { counters_ = {}; }

    // The work behind each C entry; unknown items and codes give null or zeros, never a fault.
    ItemId firstItem(std::int32_t type, ItemId parent);
    ItemId nextItem(ItemId item);
    const char *itemName(ItemId item);
    // itemParam and meshPointPosition are defined below, inline: the module calls them per point.
    void itemParam(ItemId item, std::int32_t code, double time, double out[3]);
    MeshHandle *objectMesh(ItemId object, std::int32_t mode);
    std::int32_t meshPointCount(MeshHandle *mesh);
    std::int32_t meshScanPoints(MeshHandle *mesh, ScanFn fn, void *data);
    std::int32_t meshPointPosition(MeshHandle *mesh, PointId point, float position[3]);

    // A displacement pass: from construction to destruction the host changes nothing in the scene,
    // so the services may keep an answer from one call to the next (the target's position at the
    // pass's time). Passes may nest.
    class Pass {
      public:
        explicit Pass(SceneServices &services) : services_(services) { ++services_.passDepth_; }
        ~Pass() {
            if (--services_.passDepth_ == 0) services_.kept_ = {};
        }
        Pass(const Pass &) = delete;
        Pass &operator=(const Pass &) = delete;

      private:
        SceneServices &services_;
    };

  private:
    struct MeshRecord {
        MeshHandle table;  // first, so that the handle the module holds is the record's address
        ItemId item;
    };

    // itemParam and meshPointPosition without the pass's kept answer or the walk's direct path;
    // kept apart so that those short paths stay short.
    [[gnu::noinline]] void positionAnew(ItemId item, std::int32_t code, double time, double out[3]);
    [[gnu::noinline]] std::int32_t pointPositionAnew(MeshHandle *mesh, PointId point,
                                                     float position[3]);
    // The points of the object behind a handle; null when it is unknown or has no mesh now.
    const Mesh *meshBehind(const MeshHandle *mesh) const;
    // What indexOf answers, as a plain number: the item count for an unknown item. The services the
    // module calls per point use it; a returned std::optional costs them a stalled load every call.
    std::size_t slotOf(ItemId item) const;
    // Brings the index up to date for the items from `position` on, after an insertion or removal.
    void reindexFrom(std::size_t position);

    // The points meshScanPoints is walking, so that meshPointPosition reaches them directly.
    struct ScanWindow {
        const MeshHandle *mesh = nullptr;
        const std::array<float, 3> *points = nullptr;
        std::size_t count = 0;
    };
    // The latest position itemParam answered within the open pass.
    struct KeptPosition {
        ItemId item = nullptr;
        std::uint64_t timeBits = 0;
        Point3 position;
    };

    Scene scene_;
    std::vector<ItemId> ids_;  // parallel to scene_.items
    std::uintptr_t nextId_ = 1;
    static constexpr std::size_t noSlot = static_cast<std::size_t>(-1);
    std::vector<std::size_t> slots_;  // by ID: the item's place in ids_, or noSlot once removed
    std::map<ItemId, std::unique_ptr<MeshRecord>> meshes_;
    ItemInfo itemInfo_{};
    ObjectInfo objectInfo_{};
    SceneCounters counters_;
    ScanWindow scan_;
    int passDepth_ = 0;
    KeptPosition kept_;
};

// The kept answer is held only within an open pass (kept_.item is null otherwise) and its item is
// never null; a null item with nothing kept answers zeros, as positionAnew does for it. So the
// short path needs neither test.
inline void SceneServices::itemParam(ItemId item, std::int32_t code, double time, double out[3]) {
    ++counters_.itemParam;
    if (item == kept_.item && code == ITEM_PARAM_POSITION &&
        std::bit_cast<std::uint64_t>(time) == kept_.timeBits && out != nullptr) [[likely]] {
        // One copy of all three: a module that reads two of them in one wide load (vistrel.p does)
        // would otherwise stall on separate stores, as with meshPointPosition.
        static_assert(sizeof kept_.position == 3 * sizeof(double));
        std::memcpy(out, &kept_.position, sizeof kept_.position);
        return;
    }
    if (out != nullptr) positionAnew(item, code, time, out);
}

// Anything but a point of the mesh being walked (a null point is index -1, past its end; with no
// walk the count is 0) takes the long way, which answers it as before.
inline std::int32_t SceneServices::meshPointPosition(MeshHandle *mesh, PointId point,
                                                     float position[3]) {
    ++counters_.meshPointPosition;
    const auto index = reinterpret_cast<std::uintptr_t>(point) - 1;
    if (mesh != scan_.mesh || index >= scan_.count) [[unlikely]]
        return pointPositionAnew(mesh, point, position);
    // The mesh being walked: straight to its points.
    if (position == nullptr) return MESH_POINT_UNKNOWN;
    std::memcpy(position, scan_.points[index].data(), sizeof scan_.points[index]);
    return MESH_POINT_FOUND;
}

}  // namespace hostsim
