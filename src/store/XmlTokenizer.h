#pragma once

#include "store/StoreErrors.h"

#include <cstddef>
#include <cstring>
#include <string_view>
#include <vector>

namespace quorvel {

inline bool IsXmlBlank(char c) noexcept {
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x01 && u <= 0x20;
}

enum class TagKind { Start, Empty, End, Eof };

struct Tag {
    TagKind kind = TagKind::Eof;
    std::string_view name;
};

// The markup of a datapacket held whole in memory: tags, their raw attribute values and the
// skipping of what the reader does not want. Every access is bounds-checked; a document broken or
// cut short fails with the store's structure error at the offset where reading stopped.
class XmlTokenizer {
public:
    explicit XmlTokenizer(std::string_view text) noexcept
        : s_(text) {}

    std::size_t Offset() const noexcept { return p_; }
    bool AtTag() const noexcept { return p_ < s_.size() && s_[p_] == '<'; }

    [[noreturn]] void Fail(StoreErrorCode code) const { FailAt(code, p_); }
    [[noreturn]] static void FailAt(StoreErrorCode code, std::size_t offset) {
        RaiseStoreError(code, static_cast<long long>(offset));
    }

    void SkipBlanks() noexcept;

    // The next start, empty or end tag; declarations, comments, other markup and text between
    // elements are skipped. Eof at the end of the input. A start tag's attributes are read next.
    Tag NextElement();

    // Reads the attributes of the start tag the cursor stands in and calls fn(name, rawValue) for
    // each; leaves the cursor after the tag and sets tag.kind to Start or Empty. An attribute without
    // "=" or without a double-quoted value ends the attributes; the tag then ends at the next ">".
    template <class Fn> void ReadAttributes(Tag& tag, Fn&& fn) {
        for (;;) {
            SkipBlanks();
            if (p_ >= s_.size()) Fail(StoreErrorCode::Malformed);
            const char c = s_[p_];
            if (c == '>') {
                ++p_;
                tag.kind = TagKind::Start;
                return;
            }
            if (c == '/' && p_ + 1 < s_.size() && s_[p_ + 1] == '>') {
                p_ += 2;
                tag.kind = TagKind::Empty;
                return;
            }
            const size_t nameBegin = p_;
            while (p_ < s_.size()) {
                const char ch = s_[p_];
                if (IsXmlBlank(ch) || ch == '=' || ch == '>' || ch == '/' || ch == '\0') break;
                ++p_;
            }
            const std::string_view name = s_.substr(nameBegin, p_ - nameBegin);
            SkipBlanks();
            if (name.empty() || p_ >= s_.size() || s_[p_] != '=') return EndMalformedTag(tag);
            ++p_;
            SkipBlanks();
            if (p_ >= s_.size() || s_[p_] != '"') return EndMalformedTag(tag);
            ++p_;
            const void* q = std::memchr(s_.data() + p_, '"', s_.size() - p_);
            if (q == nullptr) {
                p_ = s_.size();
                Fail(StoreErrorCode::Malformed);
            }
            const size_t end = static_cast<size_t>(static_cast<const char*>(q) - s_.data());
            fn(name, s_.substr(p_, end - p_));
            p_ = end + 1;
        }
    }

    void SkipAttributes(Tag& tag);
    // Skips an element whose start tag NextElement returned, with all its content. End tags must
    // match their start tags.
    void SkipElement(Tag& tag);
    // Skips the content and end tag of an element whose attributes have been read.
    void SkipContentOf(const Tag& tag);

    // Calls fn(tag) for each child element of the element whose attributes have been read, up to
    // its end tag, which must be named `name`; fn reads or skips the child.
    template <class Fn> void ForEachChild(std::string_view name, Fn&& fn) {
        for (;;) {
            Tag t = NextElement();
            if (t.kind == TagKind::Eof) Fail(StoreErrorCode::Malformed);
            if (t.kind == TagKind::End) {
                if (t.name != name) Fail(StoreErrorCode::Malformed);
                return;
            }
            fn(t);
        }
    }

private:
    bool StartsWith(std::string_view prefix) const noexcept;
    void SkipPast(std::string_view terminator);
    std::string_view ReadName() noexcept;
    void EndMalformedTag(Tag& tag);

    std::string_view s_;
    std::size_t p_ = 0;
};

// True when the first tag is a declaration whose encoding attribute names UTF-8.
bool DeclaresUtf8(std::string_view text);

} // namespace quorvel
