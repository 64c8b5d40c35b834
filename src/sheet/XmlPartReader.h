#pragma once

#include "sheet/SheetLimits.h"

#include <QString>
#include <QXmlStreamReader>

#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace quorvel {

class ZipEntry;

// Reads one XML part of a zip archive as it is inflated, feeding QXmlStreamReader piece by piece, so
// that the part is never held whole. A token that needs more than the limit's bytes of XML (a cell
// of a hundred megabytes, a tag with endless attributes), a document type declaration, or malformed
// XML ends the reading with an ESheetError naming the part and the line.
//
// A part already inflated is read from memory the same way, in the same blocks: a piece of it that
// starts at `offset` within the part is cut where a block of the part ends, so that a reader of a
// piece sees what a reader of the whole part sees there. Pieces without an offset (made-up start
// tags around a piece) are fed whole.
class XmlPartReader {
public:
    struct Piece {
        std::span<const char> bytes;
        std::size_t offset = 0;
        bool ofPart = true; // a piece of the part's own bytes, at `offset`
    };

    // Bytes fed to the parser at a time.
    static constexpr std::size_t kBlock = 64 << 10;

    XmlPartReader(std::unique_ptr<ZipEntry> entry, const SheetLimits& limits);
    // `pieces` must outlive the reader; `name` names the part in messages.
    XmlPartReader(QString name, std::vector<Piece> pieces, const SheetLimits& limits);
    ~XmlPartReader();

    // The next token; never Invalid (that is thrown). EndDocument once the part is read.
    QXmlStreamReader::TokenType Next();
    QXmlStreamReader& Xml() noexcept { return xml_; }
    // Elements open, the one just started included.
    int Depth() const noexcept { return depth_; }
    // The most bytes fed between two tokens so far: how close a token came to the limit.
    std::size_t LongestToken() const noexcept { return longest_; }
    // True when all the input was fed and the parser has read all of it, with no token left.
    bool AtEndOfInput();
    // Tells, for messages, which cell is being read ("linha 3, coluna B"), or "" between cells.
    void SetPlace(std::function<QString()> place) { place_ = std::move(place); }
    // Skips the rest of the element whose start was just read.
    void SkipElement();
    // Throws an ESheetError naming the part and the line read.
    [[noreturn]] void Fail(const QString& reason) const;

private:
    // Feeds the next block of input; false when there is none left.
    bool Feed();

    std::unique_ptr<ZipEntry> entry_;
    QString name_;
    std::vector<Piece> pieces_;
    std::size_t piece_ = 0;    // the piece being fed
    std::size_t consumed_ = 0; // bytes of it fed
    const SheetLimits& limits_;
    QXmlStreamReader xml_;
    std::vector<char> buffer_;
    std::function<QString()> place_;
    std::size_t pending_ = 0; // bytes fed since the last complete token
    std::size_t longest_ = 0;
    bool atEnd_ = false;
    int depth_ = 0;
    bool seenRoot_ = false;
};

} // namespace quorvel
