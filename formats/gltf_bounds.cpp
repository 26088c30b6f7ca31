// The accessor checks: each comparison is arranged so that no sum or product of file values can
// wrap.
#include "formats/gltf_bounds.h"

#include <limits>

#include "hostsim/host_error.h"

namespace formats {

namespace {

std::string text(std::uint64_t value) { return std::to_string(value); }

}  // namespace

AccessorPlace placeAccessor(const AccessorLayout &accessor, const ViewLayout &view,
                            const std::string &file) {
    const std::string viewName = "bufferView " + text(view.index);
    const std::string accessorName = "accessor " + text(accessor.index);
    const auto refuse = [&](const std::string &what, const std::string &why) {
        throw hostsim::HostError(file + ": " + what + ": " + why);
    };

    if (view.byteOffset > view.bufferLength) {
        refuse(viewName, "byteOffset " + text(view.byteOffset) + " lies past buffer " +
                             text(view.buffer) + " (" + text(view.bufferLength) + " bytes)");
    }
    if (view.byteLength > view.bufferLength - view.byteOffset) {
        refuse(viewName, "byteLength " + text(view.byteLength) + " from byteOffset " +
                             text(view.byteOffset) + " reaches past buffer " + text(view.buffer) +
                             " (" + text(view.bufferLength) + " bytes)");
    }

    if (accessor.componentSize == 0 || accessor.components == 0 || accessor.componentSize > 8 ||
        accessor.components > 16) {
        refuse(accessorName, "no known component type and type");
    }
    // At most 8 x 16: the product cannot wrap.
    const std::uint64_t elementSize = accessor.componentSize * accessor.components;
    std::uint64_t stride = elementSize;
    if (view.byteStride) {
        stride = *view.byteStride;
        if (stride < elementSize) {
            refuse(viewName, "byteStride " + text(stride) + " is smaller than one element of " +
                                 accessorName + " (" + text(elementSize) + " bytes)");
        }
        if (stride % accessor.componentSize != 0) {
            refuse(viewName, "byteStride " + text(stride) +
                                 " is not a multiple of the component size of " + accessorName +
                                 " (" + text(accessor.componentSize) + " bytes)");
        }
    }
    if (accessor.byteOffset > view.byteLength) {
        refuse(accessorName, "byteOffset " + text(accessor.byteOffset) + " lies past " + viewName +
                                 " (" + text(view.byteLength) + " bytes)");
    }

    AccessorPlace place{view.byteOffset + accessor.byteOffset, stride, accessor.count, elementSize};
    if (accessor.count == 0) return place;
    const std::uint64_t room = view.byteLength - accessor.byteOffset;
    // The last element starts at (count - 1) x stride and ends elementSize later, within `room`.
    const std::uint64_t steps = accessor.count - 1;
    const bool fits = elementSize <= room && (steps == 0 || (room - elementSize) / stride >= steps);
    if (!fits) {
        const bool wraps =
            stride != 0 &&
            steps > (std::numeric_limits<std::uint64_t>::max() - elementSize) / stride;
        refuse(accessorName,
               "count " + text(accessor.count) + " x byteStride " + text(stride) +
                   (wraps ? " overflows 64 bits"
                          : " from byteOffset " + text(accessor.byteOffset) + " reaches past " +
                                viewName + " (" + text(view.byteLength) + " bytes)"));
    }
    return place;
}

}  // namespace formats
