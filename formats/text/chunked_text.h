// Text made in place in a buffer of fixed size and handed to a TextSink a chunk at a time: a file
// of any size is written without holding it whole or growing a string, and the buffer stays in the
// cache.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

#include "formats/text/text_file.h"

namespace formats {

class ChunkedText {
  public:
    explicit ChunkedText(const TextSink &sink, std::size_t chunkSize = std::size_t{128} * 1024);
    ChunkedText(const ChunkedText &) = delete;
    ChunkedText &operator=(const ChunkedText &) = delete;

    // Where at least `count` characters may be written next. The chunk so far is handed on first
    // when it has less room left; the buffer grows for a piece longer than a chunk.
    char *room(std::size_t count) {
        if (static_cast<std::size_t>(end_ - cursor_) < count) makeRoom(count);
        return cursor_;
    }
    // Keeps what was written from room()'s pointer up to `end`.
    void take(char *end) { cursor_ = end; }
    // Adds `text`; text longer than a chunk is handed on as it is, after what came before it.
    void put(std::string_view text);
    // Hands on what is kept and not yet handed on; call once, at the end.
    void finish();

  private:
    void makeRoom(std::size_t count);

    const TextSink &sink_;
    std::unique_ptr<char[]> buffer_;
    char *cursor_;
    char *end_;
};

}  // namespace formats
