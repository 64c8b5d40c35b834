#pragma once

#include "sheet/SheetError.h"
#include "sheet/SheetLimits.h"
#include "sheet/XmlPartReader.h"

#include <QByteArray>
#include <QString>

#include <future>
#include <optional>
#include <span>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace quorvel {

// Reading an XML part held in memory in two halves at once, cut where one item of its data starts
// (a worksheet's row, a shared string): the first half on a thread of its own, followed by a mark
// that shows where its reading stands at the cut; the second half on the calling thread, after the
// start tags of the elements around the data, with the namespaces they declare. The halves stand
// for the whole only when the first reaches the mark between two items, inside the same elements as
// the part's head, and neither half came near the token limit; the caller then joins what they read.

// An element open around the data: how deep, its name as written and the namespaces it declares.
struct OpenElement {
    int depth = 0;
    QString name;
    std::vector<std::pair<QString, QString>> namespaces; // prefix, URI
    bool operator==(const OpenElement&) const = default;
};
using ElementChain = std::vector<OpenElement>;

// Keeps in `chain` the elements open at depths up to `maxDepth`, as the part's tokens go by.
void FollowChain(ElementChain& chain, XmlPartReader& xml, QXmlStreamReader::TokenType token, int maxDepth);

// The elements open around the first element named `container` (by local name), that element
// included; none when the part is not in UTF-8 (the second half is read without the declaration)
// or has no such element within the depth followed. Reads only the part's head.
std::optional<ElementChain> ChainAround(const QString& name, std::span<const char> part,
                                        const SheetLimits& limits, QStringView container);

// The start of the first tag of an element named `tag` (with or without a prefix) at or after byte
// `from`, or else of the last one before it; npos when there is none. A tag found this way may lie
// inside a comment or outside the data: the reading of the halves finds out.
std::size_t FindTag(std::span<const char> part, std::size_t from, std::string_view tag);

// What the readers of halves share: following the elements open around the data while reading,
// and reading tokens to the end of the part or up to the mark, the starts, ends and texts handed to
// the `Start`, `End` and `Text` of `Derived`.
template <class Derived> class HalfReader {
public:
    explicit HalfReader(XmlPartReader& xml)
        : xml_(xml) {}

    // Follows the elements open up to `maxDepth` into `chain` while reading.
    void Follow(ElementChain& chain, int maxDepth) {
        chain_ = &chain;
        chainDepth_ = maxDepth;
    }

    // Reads to the end of the part; or, given `stop`, up to the start of an element of that name,
    // and then tells whether it got there.
    bool Read(QStringView stop = {}) {
        Derived& self = static_cast<Derived&>(*this);
        for (;;) {
            const auto token = xml_.Next();
            if (token == QXmlStreamReader::EndDocument) return false;
            const QStringView name = xml_.Xml().name();
            if (token == QXmlStreamReader::StartElement) {
                if (!stop.isEmpty() && name == stop) return true;
                if (chain_ != nullptr && xml_.Depth() <= chainDepth_)
                    FollowChain(*chain_, xml_, token, chainDepth_);
                self.Start(name);
            } else if (token == QXmlStreamReader::EndElement) {
                self.End(name);
                if (chain_ != nullptr && xml_.Depth() < chainDepth_)
                    FollowChain(*chain_, xml_, token, chainDepth_);
            } else if (token == QXmlStreamReader::Characters) {
                self.Text(xml_.Xml().text());
            }
        }
    }

protected:
    XmlPartReader& xml_;

private:
    ElementChain* chain_ = nullptr;
    int chainDepth_ = 0;
};

namespace halves {

inline constexpr char kCutMark[] = "<quorvel-cut/>";
inline constexpr QStringView kCutName = u"quorvel-cut";

QByteArray StartTags(const ElementChain& chain);
bool FarFromTokenLimit(const XmlPartReader& xml, const SheetLimits& limits);

// A reader of the halves, a HalfReader made by `make(xml, half)` (half 0 or 1), also tells
// `BetweenItems()` (where a part may be cut) and `StandsAlone()` (the items of a second half stand
// as they would in the whole).
template <class Make>
bool ReadFirst(const QString& name, std::span<const char> half, const ElementChain& head,
               const SheetLimits& limits, Make& make) {
    const std::span<const char> mark(kCutMark, sizeof kCutMark - 1);
    XmlPartReader xml(name, {{half, 0, true}, {mark, 0, false}}, limits);
    auto reader = make(xml, 0);
    ElementChain chain;
    reader.Follow(chain, static_cast<int>(head.size()));
    if (!reader.Read(kCutName)) return false;
    if (xml.Xml().qualifiedName() != kCutName || !reader.BetweenItems() || chain != head ||
        xml.Depth() != static_cast<int>(head.size()) + 1 || !FarFromTokenLimit(xml, limits))
        return false;
    return xml.Next() == QXmlStreamReader::EndElement && xml.AtEndOfInput();
}

template <class Make>
bool ReadSecond(const QString& name, const QByteArray& tags, std::span<const char> half, std::size_t cut,
                const SheetLimits& limits, Make& make) {
    XmlPartReader xml(
        name, {{{tags.constData(), static_cast<std::size_t>(tags.size())}, 0, false}, {half, cut, true}},
        limits);
    auto reader = make(xml, 1);
    reader.Read();
    return reader.StandsAlone() && FarFromTokenLimit(xml, limits);
}

} // namespace halves

// Reads the two halves of `part`, cut at byte `cut`, around the data of the element `container`;
// true when they stand for the whole. A fault of either half is not reported: the reading in one
// pass names it.
template <class Make>
bool ReadInHalves(const QString& name, std::span<const char> part, std::size_t cut, const SheetLimits& limits,
                  QStringView container, Make make) {
    if (cut == 0 || cut >= part.size()) return false;
    const std::optional<ElementChain> head = ChainAround(name, part, limits, container);
    if (!head) return false;
    const QByteArray tags = halves::StartTags(*head);
    std::future<bool> first;
    try {
        first = std::async(std::launch::async, [&] {
            try {
                return halves::ReadFirst(name, part.first(cut), *head, limits, make);
            } catch (const ESheetError&) {
                return false;
            }
        });
    } catch (const std::system_error&) {
        return false; // no thread to be had
    }
    bool second = false;
    try {
        second = halves::ReadSecond(name, tags, part.subspan(cut), cut, limits, make);
    } catch (const ESheetError&) {
        second = false;
    }
    return first.get() && second;
}

} // namespace quorvel
