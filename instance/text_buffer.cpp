#include "instance/text_buffer.h"

#include <cstring>

namespace vistrel {

TextBuffer::TextBuffer(const char *text) {
    if (text != nullptr) assignBytes(text, std::strlen(text));
}

TextBuffer::TextBuffer(const TextBuffer &other) { assignBytes(other.text(), other.length()); }

TextBuffer &TextBuffer::operator=(const TextBuffer &other) {
    if (this != &other) {
        TextBuffer copy(other);
        *this = std::move(copy);
    }
    return *this;
}

void TextBuffer::append(const TextBuffer &other) {
    const std::size_t total = length_ + other.length_;
    auto block = std::make_unique<char[]>(total + 1);
    if (length_ > 0) std::memcpy(block.get(), block_.get(), length_);
    if (other.length_ > 0) std::memcpy(block.get() + length_, other.block_.get(), other.length_);
    block[total] = '\0';
    block_ = std::move(block);
    length_ = total;
}

void TextBuffer::release() noexcept {
    block_.reset();
    length_ = 0;
}

void TextBuffer::assignBytes(const char *bytes, std::size_t length) {
    if (bytes == nullptr) {
        release();
        return;
    }
    auto block = std::make_unique<char[]>(length + 1);
    std::memcpy(block.get(), bytes, length);
    block[length] = '\0';
    block_ = std::move(block);
    length_ = length;
}

}  // namespace vistrel
