#pragma once

#include "store/XmlTokenizer.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace quorvel::testing {

// A document handed to the XML reader `block` bytes at a time. What the reader gives back is
// overwritten with zeros at once, as the file reader's released pages read, so that a reader that
// looks at given-back bytes reads something else than the document.
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
    void Release(std::size_t offset) noexcept override {
        for (; released_ < offset && released_ < held_; ++released_)
            text_[released_] = '\0';
    }
    std::size_t Released() const noexcept { return released_; }

private:
    std::string text_;
    std::size_t block_;
    std::size_t held_ = 0;
    std::size_t released_ = 0;
};

} // namespace quorvel::testing
