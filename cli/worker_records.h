// The records a worker process sends over its socket: a played frame (which frame, where its
// positions lie in the shared memory, the files written of it), or an error and nothing after it. A
// record is sent whole with one call, and a garbled or oversized one is refused rather than
// believed.
#pragma once

#include "cli/shared_positions.h"
#include "cli/written_files.h"
#include "hostsim/host.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

// What a worker sends: a frame record, or an error record and nothing after it.
enum class RecordKind : std::uint32_t {
    frame = 0x46524d33,
    error = 0x45525231,
    diskFull = 0x44534b31
};

// Writes all of `size` bytes to the socket; false when the other side has gone.
bool writeAll(int fd, const void *data, std::size_t size);

// Reads all of `size` bytes; false at the end of the stream (the other side stopped) before they
// came. A read interrupted by a signal goes on unless `interrupted` (when given) throws.
bool readAll(int fd, void *data, std::size_t size, void (*interrupted)() = nullptr);

// Sends an error record of kind error or diskFull.
void sendError(int fd, RecordKind kind, const std::string &what);

// Sends the record of a frame whose positions are in shared half `half`, played in `seconds`; false
// when the other side has gone.
bool sendFrame(int fd, std::int32_t frame, std::uint64_t half,
               const std::vector<hostsim::DisplacedObject> &objects, double seconds,
               const WrittenFiles &files);

// A frame as a worker's record gave it.
struct ReceivedFrame {
    std::int32_t frame = 0;
    std::uint64_t half = 0;
    std::vector<hostsim::DisplacedObject> objects;  // positions viewing the worker's shared memory
    double seconds = 0.0;
    WrittenFiles files;
};

enum class Reading { frame, error, diskFull, ended, garbled };

// Reads the next record from a worker's socket `fd`, whose positions lie in `shared`: a frame into
// `got`, or an error's text into `what`. `interrupted` as for readAll.
Reading readRecord(int fd, const SharedPositions &shared, ReceivedFrame &got, std::string &what,
                   void (*interrupted)() = nullptr);

}  // namespace cli
