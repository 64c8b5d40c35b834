#pragma once

#include "store/XmlTokenizer.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace quorvel::testing {

// A document handed to the XML reader `block` bytes at a time. What the reader lets go of is dropped
// at once and the rest moved to the front, so that a reader that still looked at dropped bytes, or
// kept a view across a drop, would read something else than the document.
class BlockSource final : public XmlByteSource {
public:
    BlockSource(std::string text, std::size_t block)
        : text_(std::move(text))
        , block_(std::max<std::size_t>(block, 1)) {}

    std::string_view Held() const noexcept override { return std::string_view(text_).substr(0, held_); }
    bool More() override {
        if (held_ == text_.size()) return false;
        held_ = std::min(text_.size(), held_ + block_);
        return true;
    }
    std::size_t Drop(std::size_t count) noexcept override {
        count = std::min(count, held_);
        text_.erase(0, count);
        held_ -= count;
        dropped_ += count;
        return count;
    }
    // How many bytes were dropped in all.
    std::size_t Dropped() const noexcept { return dropped_; }

private:
    std::string text_;
    std::size_t block_;
    std::size_t held_ = 0;
    std::size_t dropped_ = 0;
};

} // namespace quorvel::testing
