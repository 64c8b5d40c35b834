#include "store/XmlTokenizer.h"

#include "platform/AsciiText.h"

#include <algorithm>

namespace quorvel {

bool XmlTokenizer::Grow() {
    if (source_ == nullptr || !source_->More()) return false;
    s_ = source_->Held();
    return true;
}

std::size_t XmlTokenizer::Find(char c, std::size_t from) {
    for (;;) {
        if (from < s_.size())
            if (const void* q = std::memchr(s_.data() + from, c, s_.size() - from))
                return static_cast<std::size_t>(static_cast<const char*>(q) - s_.data());
        from = std::max(from, s_.size());
        if (!Grow()) return std::string_view::npos;
    }
}

std::size_t XmlTokenizer::Find(std::string_view text, std::size_t from) {
    for (;;) {
        const std::size_t at = s_.find(text, from);
        if (at != std::string_view::npos) return at;
        // A match may begin in the part already searched and end in the block that arrives next.
        if (s_.size() >= text.size()) from = std::max(from, s_.size() - text.size() + 1);
        if (!Grow()) return std::string_view::npos;
    }
}

void XmlTokenizer::SkipBlanks() {
    for (;;) {
        while (p_ < s_.size() && IsXmlBlank(s_[p_]))
            ++p_;
        if (p_ < s_.size() || !Grow()) return;
    }
}

bool XmlTokenizer::StartsWith(std::string_view prefix) {
    Holds(prefix.size());
    return s_.substr(p_).starts_with(prefix);
}

Tag XmlTokenizer::NextElement() {
    for (;;) {
        SkipBlanks();
        if (p_ >= s_.size()) return {};
        if (s_[p_] != '<') {
            const size_t lt = Find('<', p_);
            if (lt == std::string_view::npos) {
                p_ = s_.size();
                return {};
            }
            p_ = lt;
        }
        if (StartsWith("<?")) {
            SkipPast("?>");
            continue;
        }
        if (StartsWith("<!--")) {
            SkipPast("-->");
            continue;
        }
        if (StartsWith("<!")) {
            SkipPast(">");
            continue;
        }
        ++p_; // '<'
        Tag tag;
        if (Holds(1) && s_[p_] == '/') {
            ++p_;
            tag.kind = TagKind::End;
            tag.name = ReadName();
            SkipBlanks();
            if (p_ >= s_.size() || s_[p_] != '>') Fail(StoreErrorCode::Malformed);
            ++p_;
            return tag;
        }
        tag.name = ReadName();
        tag.kind = TagKind::Start; // refined by the attribute reader
        return tag;
    }
}

void XmlTokenizer::SkipPast(std::string_view terminator) {
    const size_t at = Find(terminator, p_ + 2);
    if (at == std::string_view::npos) {
        p_ = s_.size();
        Fail(StoreErrorCode::Malformed);
    }
    p_ = at + terminator.size();
}

std::string_view XmlTokenizer::ReadName() {
    const size_t begin = p_;
    for (;;) {
        while (p_ < s_.size()) {
            const char c = s_[p_];
            if (IsXmlBlank(c) || c == '/' || c == '>' || c == '=' || c == '\0') break;
            ++p_;
        }
        if (p_ < s_.size() || !Grow()) break;
    }
    return s_.substr(begin, p_ - begin);
}

void XmlTokenizer::EndMalformedTag(Tag& tag) {
    const size_t gt = Find('>', p_);
    if (gt == std::string_view::npos) {
        p_ = s_.size();
        Fail(StoreErrorCode::Malformed);
    }
    tag.kind = gt > 0 && s_[gt - 1] == '/' ? TagKind::Empty : TagKind::Start;
    p_ = gt + 1;
}

void XmlTokenizer::SkipAttributes(Tag& tag) {
    ReadAttributes(tag, [](std::string_view, std::string_view) {});
}

void XmlTokenizer::SkipElement(Tag& tag) {
    SkipAttributes(tag);
    if (tag.kind == TagKind::Start) SkipContentOf(tag);
}

// An explicit stack of open elements, so that deep nesting cannot overflow.
void XmlTokenizer::SkipContentOf(const Tag& tag) {
    std::vector<std::string_view> open{tag.name};
    while (!open.empty()) {
        Tag t = NextElement();
        if (t.kind == TagKind::Eof) Fail(StoreErrorCode::Malformed);
        if (t.kind == TagKind::End) {
            if (t.name != open.back()) Fail(StoreErrorCode::Malformed);
            open.pop_back();
            continue;
        }
        SkipAttributes(t);
        if (t.kind == TagKind::Start) open.push_back(t.name);
    }
}

bool DeclaresUtf8(std::string_view s) {
    size_t p = 0;
    while (p < s.size() && IsXmlBlank(s[p]))
        ++p;
    if (!s.substr(p).starts_with("<?")) return false;
    const size_t end = s.find("?>", p + 2);
    if (end == std::string_view::npos) return false;
    std::string_view decl = s.substr(p + 2, end - p - 2);
    // Attributes of the declaration: name = "value" or 'value'.
    size_t i = 0;
    while (i < decl.size() && !IsXmlBlank(decl[i]))
        ++i; // the target, "xml"
    while (i < decl.size()) {
        while (i < decl.size() && IsXmlBlank(decl[i]))
            ++i;
        const size_t nameBegin = i;
        while (i < decl.size() && !IsXmlBlank(decl[i]) && decl[i] != '=')
            ++i;
        const std::string_view name = decl.substr(nameBegin, i - nameBegin);
        while (i < decl.size() && IsXmlBlank(decl[i]))
            ++i;
        if (i >= decl.size() || decl[i] != '=') return false;
        ++i;
        while (i < decl.size() && IsXmlBlank(decl[i]))
            ++i;
        if (i >= decl.size() || (decl[i] != '"' && decl[i] != '\'')) return false;
        const char quote = decl[i++];
        const size_t close = decl.find(quote, i);
        if (close == std::string_view::npos) return false;
        const std::string_view value = decl.substr(i, close - i);
        if (EqualsIgnoringAsciiCase(name, "encoding")) return EqualsIgnoringAsciiCase(value, "UTF-8");
        i = close + 1;
    }
    return false;
}

} // namespace quorvel
