// The chunk buffer: handed on whole when full, grown only for a piece longer than itself.
#include "formats/text/chunked_text.h"

#include <cstring>
#include <string_view>

namespace formats {

ChunkedText::ChunkedText(const TextSink &sink, std::size_t chunkSize)
    : sink_(sink),
      buffer_(std::make_unique_for_overwrite<char[]>(chunkSize)),
      cursor_(buffer_.get()),
      end_(buffer_.get() + chunkSize) {}

void ChunkedText::finish() {
    if (cursor_ != buffer_.get())
        sink_(std::string_view(buffer_.get(), static_cast<std::size_t>(cursor_ - buffer_.get())));
    cursor_ = buffer_.get();
}

void ChunkedText::put(std::string_view text) {
    if (text.empty()) return;
    if (static_cast<std::size_t>(end_ - cursor_) < text.size()) {
        finish();
        if (static_cast<std::size_t>(end_ - cursor_) < text.size()) return sink_(text);
    }
    std::memcpy(cursor_, text.data(), text.size());
    cursor_ += text.size();
}

void ChunkedText::makeRoom(std::size_t count) {
    finish();
    if (static_cast<std::size_t>(end_ - cursor_) >= count) return;
    buffer_ = std::make_unique_for_overwrite<char[]>(count);
    cursor_ = buffer_.get();
    end_ = cursor_ + count;
}

}  // namespace formats
