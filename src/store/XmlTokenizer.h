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

// Where the bytes of a document come from when they are not all in memory at once: a window of the
// document that blocks arrive at the end of without moving what it holds, so that the names and
// values the tokenizer hands out stay valid while an element is read. Between elements the part
// already read can be dropped from its front, and the rest may then move.
class XmlByteSource {
public:
    virtual ~XmlByteSource() = default;
    // The window: the bytes that have arrived and were not dropped; a call after More() returns a
    // longer view of the same memory.
    virtual std::string_view Held() const noexcept = 0;
    // Reads the next block; false at the end of the document.
    virtual bool More() = 0;
    // The first `count` bytes of the window will not be looked at again. Returns how many of them
    // the source dropped (none, or all `count`); the window then starts that much later.
    virtual std::size_t Drop(std::size_t count) noexcept = 0;
};

// The markup of a datapacket held in memory, whole or arriving from an XmlByteSource: tags, their raw
// attribute values and the skipping of what the reader does not want. Every access is bounds-checked;
// a document broken or cut short fails with the store's structure error at the offset where reading
// stopped, which is the same whether the document came whole or in blocks.
class XmlTokenizer {
public:
    explicit XmlTokenizer(std::string_view text) noexcept
        : s_(text) {}
    explicit XmlTokenizer(XmlByteSource& source) noexcept
        : s_(source.Held())
        , source_(&source) {}

    // The cursor's offset in the document.
    std::size_t Offset() const noexcept { return base_ + p_; }
    bool AtTag() const noexcept { return p_ < s_.size() && s_[p_] == '<'; }
    // The bytes from document offset `from` to the cursor; `from` must not be before the part still
    // held (nothing was released since the cursor was there).
    std::string_view Since(std::size_t from) const noexcept {
        return s_.substr(from - base_, base_ + p_ - from);
    }

    [[noreturn]] void Fail(StoreErrorCode code) const { FailAt(code, Offset()); }
    [[noreturn]] static void FailAt(StoreErrorCode code, std::size_t offset) {
        RaiseStoreError(code, static_cast<long long>(offset));
    }

    void SkipBlanks();

    // Tells the source that nothing before the cursor is looked at again; names and values handed
    // out before may no longer be read. Called between elements.
    void ReleaseRead() noexcept {
        if (source_ == nullptr) return;
        const std::size_t dropped = source_->Drop(p_);
        if (dropped == 0) return;
        base_ += dropped;
        p_ -= dropped;
        s_ = source_->Held();
    }

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
            if (c == '/' && Holds(2) && s_[p_ + 1] == '>') {
                p_ += 2;
                tag.kind = TagKind::Empty;
                return;
            }
            const size_t nameBegin = p_;
            for (;;) {
                while (p_ < s_.size()) {
                    const char ch = s_[p_];
                    if (IsXmlBlank(ch) || ch == '=' || ch == '>' || ch == '/' || ch == '\0') break;
                    ++p_;
                }
                if (p_ < s_.size() || !Grow()) break;
            }
            const std::string_view name = s_.substr(nameBegin, p_ - nameBegin);
            SkipBlanks();
            if (name.empty() || p_ >= s_.size() || s_[p_] != '=') return EndMalformedTag(tag);
            ++p_;
            SkipBlanks();
            if (p_ >= s_.size() || s_[p_] != '"') return EndMalformedTag(tag);
            ++p_;
            const size_t end = Find('"', p_);
            if (end == std::string_view::npos) {
                p_ = s_.size();
                Fail(StoreErrorCode::Malformed);
            }
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
    // Makes more of the document available from the source; false at its end (or without a source).
    bool Grow();
    // True when `count` bytes from the cursor are available, once as many as there are have arrived.
    bool Holds(std::size_t count) {
        while (s_.size() - p_ < count)
            if (!Grow()) return false;
        return true;
    }
    // The position of `c` at or after `from`, npos when the document has none.
    std::size_t Find(char c, std::size_t from);
    // The position of `text` at or after `from`, npos when the document has none.
    std::size_t Find(std::string_view text, std::size_t from);
    bool StartsWith(std::string_view prefix);
    void SkipPast(std::string_view terminator);
    std::string_view ReadName();
    void EndMalformedTag(Tag& tag);

    // The part of the document in memory, the cursor in it, and the offset in the document where
    // that part starts.
    std::string_view s_;
    std::size_t p_ = 0;
    std::size_t base_ = 0;
    XmlByteSource* source_ = nullptr;
};

// True when the first tag is a declaration whose encoding attribute names UTF-8.
bool DeclaresUtf8(std::string_view text);

} // namespace quorvel
