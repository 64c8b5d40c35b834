#include "sheet/XmlHalves.h"

#include <algorithm>
#include <string_view>

namespace quorvel {
namespace {

// Deeper than this the elements around the data are not followed, and the part is not cut.
constexpr int kMaxChainDepth = 16;

OpenElement ElementAt(XmlPartReader& xml) {
    OpenElement element{xml.Depth(), xml.Xml().qualifiedName().toString(), {}};
    for (const QXmlStreamNamespaceDeclaration& d : xml.Xml().namespaceDeclarations())
        element.namespaces.emplace_back(d.prefix().toString(), d.namespaceUri().toString());
    return element;
}

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.';
}

// A tag named `tag` starts before `at`, where its name is: "<tag" or "<prefix:tag", followed by a
// blank, ">" or "/".
bool TagAt(std::string_view text, std::size_t at, std::string_view tag, std::size_t& start) {
    const std::size_t after = at + tag.size();
    if (after >= text.size() || at == 0) return false;
    const char next = text[after];
    if (next != ' ' && next != '\t' && next != '\r' && next != '\n' && next != '>' && next != '/')
        return false;
    if (text[at - 1] == '<') {
        start = at - 1;
        return true;
    }
    if (text[at - 1] != ':') return false;
    std::size_t p = at - 1;
    while (p > 0 && IsNameChar(text[p - 1]))
        --p;
    if (p == 0 || p == at - 1 || text[p - 1] != '<') return false;
    start = p - 1;
    return true;
}

} // namespace

void FollowChain(ElementChain& chain, XmlPartReader& xml, QXmlStreamReader::TokenType token, int maxDepth) {
    if (token == QXmlStreamReader::StartElement) {
        if (xml.Depth() <= maxDepth) chain.push_back(ElementAt(xml));
    } else if (token == QXmlStreamReader::EndElement) {
        // The depth is that of the parent once an element has ended.
        if (!chain.empty() && chain.back().depth == xml.Depth() + 1) chain.pop_back();
    }
}

std::optional<ElementChain> ChainAround(const QString& name, std::span<const char> part,
                                        const SheetLimits& limits, QStringView container) {
    // Text in UTF-16 or UTF-32 starts with a byte-order mark or holds zero bytes among its first.
    const std::string_view start(part.data(), std::min<std::size_t>(part.size(), 4));
    if (start.find('\0') != std::string_view::npos || start.starts_with("\xFE\xFF") ||
        start.starts_with("\xFF\xFE"))
        return std::nullopt;
    XmlPartReader xml(name, {{part, 0, true}}, limits);
    ElementChain chain;
    try {
        for (;;) {
            const auto token = xml.Next();
            if (token == QXmlStreamReader::EndDocument) return std::nullopt;
            if (token == QXmlStreamReader::StartDocument) {
                const QStringView encoding = xml.Xml().documentEncoding();
                const QStringView version = xml.Xml().documentVersion();
                if ((!encoding.isEmpty() && encoding.compare(u"UTF-8", Qt::CaseInsensitive) != 0) ||
                    (!version.isEmpty() && version != u"1.0"))
                    return std::nullopt;
            }
            FollowChain(chain, xml, token, kMaxChainDepth);
            if (token == QXmlStreamReader::StartElement && xml.Xml().name() == container)
                return xml.Depth() <= kMaxChainDepth ? std::optional(chain) : std::nullopt;
        }
    } catch (const ESheetError&) {
        return std::nullopt;
    }
}

std::size_t FindTag(std::span<const char> part, std::size_t from, std::string_view tag) {
    const std::string_view text(part.data(), part.size());
    from = std::min(from, text.size());
    std::size_t start = 0;
    for (std::size_t at = text.find(tag, from); at != std::string_view::npos; at = text.find(tag, at + 1))
        if (TagAt(text, at, tag, start) && start >= from) return start;
    for (std::size_t at = text.rfind(tag, from); at != std::string_view::npos && at > 0;
         at = text.rfind(tag, at - 1))
        if (TagAt(text, at, tag, start) && start < from) return start;
    return std::string_view::npos;
}

namespace halves {

QByteArray StartTags(const ElementChain& chain) {
    QString tags;
    for (const OpenElement& element : chain) {
        tags += QLatin1Char('<') + element.name;
        for (const auto& [prefix, uri] : element.namespaces)
            tags += (prefix.isEmpty() ? QStringLiteral(" xmlns") : QStringLiteral(" xmlns:") + prefix) +
                    QStringLiteral("=\"") + uri.toHtmlEscaped() + QLatin1Char('"');
        tags += QLatin1Char('>');
    }
    return tags.toUtf8();
}

// The limit on a token counts the blocks fed while the parser waits for it, and the blocks of the
// halves end at the cut where those of the whole do not: a token near the cut may wait for up to a
// block more in the whole. A half whose tokens all kept two blocks below the limit stands for the
// whole; one that came closer is read in one pass.
bool FarFromTokenLimit(const XmlPartReader& xml, const SheetLimits& limits) {
    return xml.LongestToken() + 2 * XmlPartReader::kBlock <= limits.maxTokenBytes;
}

} // namespace halves
} // namespace quorvel
