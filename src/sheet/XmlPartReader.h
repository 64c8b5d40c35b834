#pragma once

#include "sheet/SheetLimits.h"

#include <QXmlStreamReader>

#include <functional>
#include <memory>
#include <vector>

namespace quorvel {

class ZipEntry;

// Reads one XML part of a zip archive as it is inflated, feeding QXmlStreamReader piece by piece, so
// that the part is never held whole. A token that needs more than the limit's bytes of XML (a cell
// of a hundred megabytes, a tag with endless attributes), a document type declaration, or malformed
// XML ends the reading with an ESheetError naming the part and the line.
class XmlPartReader {
public:
    XmlPartReader(std::unique_ptr<ZipEntry> entry, const SheetLimits& limits);
    ~XmlPartReader();

    // The next token; never Invalid (that is thrown). EndDocument once the part is read.
    QXmlStreamReader::TokenType Next();
    QXmlStreamReader& Xml() noexcept { return xml_; }
    // Tells, for messages, which cell is being read ("linha 3, coluna B"), or "" between cells.
    void SetPlace(std::function<QString()> place) { place_ = std::move(place); }
    // Skips the rest of the element whose start was just read.
    void SkipElement();
    // Throws an ESheetError naming the part and the line read.
    [[noreturn]] void Fail(const QString& reason) const;

private:
    std::unique_ptr<ZipEntry> entry_;
    const SheetLimits& limits_;
    QXmlStreamReader xml_;
    std::vector<char> buffer_;
    std::function<QString()> place_;
    std::size_t pending_ = 0; // bytes fed since the last complete token
    bool atEnd_ = false;
    int depth_ = 0;
    bool seenRoot_ = false;
};

} // namespace quorvel
