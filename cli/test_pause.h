// A hold a test puts on the command at a named moment, so that it can send a signal exactly there
// rather than at a time it guesses. When the environment variable VISTRELLE_TEST_PAUSE lists the
// moment (names separated by commas), the process stops itself there (SIGSTOP) and goes on when it
// is sent SIGCONT; a signal sent meanwhile is handled as it goes on, at that very place. Without
// the variable, and on Windows, nothing happens. The moments:
//   taken:<frame>  the run has handed on that frame: its files and the pages listing it are written
//   played         the run has handed on its last frame (the .glb files and the summary are next)
//   exit           a command has done its work and is about to end (its folder lock released)
//   worker-end     a worker has sent its last frame and is about to end
//   reap           the run is about to wait for a worker that has sent its last frame
#pragma once

#include <cstdint>
#include <string_view>

namespace cli {

void pauseForTest(std::string_view moment);

// The moment "<moment>:<frame>".
void pauseForTest(std::string_view moment, std::int32_t frame);

}  // namespace cli
