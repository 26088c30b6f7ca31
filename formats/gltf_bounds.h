// Where an accessor's elements lie in its buffer, with every size and offset of the glTF file
// checked in 64-bit arithmetic that cannot wrap, on 32-bit builds too: a file must never make the
// reader look before or after its buffer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace formats {

// An accessor's numbers as the file declares them.
struct AccessorLayout {
    std::uint64_t index = 0;  // the accessor's own index, for messages
    std::uint64_t count = 0;
    std::uint64_t byteOffset = 0;
    std::uint64_t componentSize = 0;  // bytes: 1, 2 or 4
    std::uint64_t components = 0;     // 1 for SCALAR, 2 for VEC2, 3 for VEC3, ...
};

// A buffer view's numbers as the file declares them, and the length of the buffer it lies in.
struct ViewLayout {
    std::uint64_t index = 0;  // the view's own index, for messages
    std::uint64_t byteOffset = 0;
    std::uint64_t byteLength = 0;
    std::optional<std::uint64_t> byteStride;
    std::uint64_t buffer = 0;
    std::uint64_t bufferLength = 0;  // of the buffer's bytes as read
};

// The checked place of the elements: element i starts at offset + i * stride in the buffer, and
// offset + (count - 1) * stride + elementSize <= bufferLength.
struct AccessorPlace {
    std::uint64_t offset = 0;
    std::uint64_t stride = 0;
    std::uint64_t count = 0;
    std::uint64_t elementSize = 0;
};

// Checks the view against its buffer and the accessor against its view: byteStride at least one
// element and a multiple of the component size, byteOffsets inside, count x stride + offset neither
// wrapping nor reaching past. Throws HostError "<file>: accessor 3: byteOffset 18446744073709551568
// lies past bufferView 0 (60 bytes)" and the like.
AccessorPlace placeAccessor(const AccessorLayout &accessor, const ViewLayout &view,
                            const std::string &file);

}  // namespace formats
