// TextBuffer: a small owned character string. The text lives in a heap block of exactly
// length + 1 bytes; an empty buffer holds no block at all.
#pragma once

#include <cstddef>
#include <memory>

namespace vistrel {

class TextBuffer {
  public:
    TextBuffer() = default;
    explicit TextBuffer(const char *text);
    TextBuffer(const TextBuffer &other);
    TextBuffer &operator=(const TextBuffer &other);
    TextBuffer(TextBuffer &&) noexcept = default;
    TextBuffer &operator=(TextBuffer &&) noexcept = default;
    ~TextBuffer() = default;

    // Builds a fresh block holding this text followed by the other's, then drops the old block.
    void append(const TextBuffer &other);
    // Frees the block; the buffer is empty afterwards.
    void release() noexcept;

    std::size_t length() const noexcept { return length_; }
    // The characters, or null for an empty buffer.
    const char *text() const noexcept { return block_.get(); }

  private:
    void assignBytes(const char *bytes, std::size_t length);

    std::unique_ptr<char[]> block_;
    std::size_t length_ = 0;
};

}  // namespace vistrel
