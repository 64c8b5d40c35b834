#include "sheet/XmlPartReader.h"

#include "sheet/SheetError.h"
#include "sheet/SheetText.h"
#include "sheet/ZipReader.h"

#include <algorithm>

namespace quorvel {
namespace {

// No part of a spreadsheet defines entities; a file that tries gets nowhere with them.
constexpr int kEntityExpansionLimit = 64;

} // namespace

XmlPartReader::XmlPartReader(std::unique_ptr<ZipEntry> entry, const SheetLimits& limits)
    : entry_(std::move(entry))
    , name_(entry_->Name())
    , limits_(limits)
    , buffer_(kBlock) {
    xml_.setEntityExpansionLimit(kEntityExpansionLimit);
}

XmlPartReader::XmlPartReader(QString name, std::vector<Piece> pieces, const SheetLimits& limits)
    : name_(std::move(name))
    , pieces_(std::move(pieces))
    , limits_(limits) {
    xml_.setEntityExpansionLimit(kEntityExpansionLimit);
}

XmlPartReader::~XmlPartReader() = default;

void XmlPartReader::Fail(const QString& reason) const {
    throw ESheetError(
        QStringLiteral("%1, linha %2 do XML: %3").arg(name_).arg(xml_.lineNumber()).arg(reason));
}

bool XmlPartReader::Feed() {
    if (entry_ != nullptr) {
        const std::size_t got = entry_->Read(buffer_.data(), buffer_.size());
        if (got == 0) return false;
        pending_ += got;
        if (pending_ <= limits_.maxTokenBytes)
            xml_.addData(QByteArray(buffer_.data(), static_cast<qsizetype>(got)));
        return true;
    }
    while (piece_ < pieces_.size() && consumed_ == pieces_[piece_].bytes.size()) {
        ++piece_;
        consumed_ = 0;
    }
    if (piece_ == pieces_.size()) return false;
    const Piece& piece = pieces_[piece_];
    std::size_t size = piece.bytes.size() - consumed_;
    if (piece.ofPart) {
        const std::size_t at = piece.offset + consumed_;
        size = std::min(size, kBlock - at % kBlock);
    }
    const char* data = piece.bytes.data() + consumed_;
    consumed_ += size;
    pending_ += size;
    if (pending_ <= limits_.maxTokenBytes)
        xml_.addData(QByteArray::fromRawData(data, static_cast<qsizetype>(size)));
    return true;
}

QXmlStreamReader::TokenType XmlPartReader::Next() {
    for (;;) {
        const QXmlStreamReader::TokenType token = xml_.readNext();
        if (token != QXmlStreamReader::Invalid) {
            longest_ = std::max(longest_, pending_);
            pending_ = 0;
            if (token == QXmlStreamReader::DTD) Fail(QStringLiteral("declaração de tipo de documento"));
            if (token == QXmlStreamReader::StartElement) {
                ++depth_;
                seenRoot_ = true;
            } else if (token == QXmlStreamReader::EndElement) {
                --depth_;
            }
            return token;
        }
        if (xml_.error() != QXmlStreamReader::PrematureEndOfDocumentError) Fail(xml_.errorString());
        if (atEnd_) {
            // Fed incrementally, the parser cannot tell the end of the part from a pause.
            if (seenRoot_ && depth_ == 0) {
                longest_ = std::max(longest_, pending_);
                return QXmlStreamReader::EndDocument;
            }
            Fail(QStringLiteral("o documento termina antes do fim"));
        }
        if (!Feed()) {
            atEnd_ = true;
            continue;
        }
        if (pending_ > limits_.maxTokenBytes) {
            const QString place = place_ ? place_() : QString();
            if (!place.isEmpty())
                Fail(QStringLiteral("%1: a célula passa de %2 bytes de XML")
                         .arg(place, GroupedCount(limits_.maxTokenBytes)));
            Fail(QStringLiteral("um elemento ou texto passa de %1 bytes")
                     .arg(GroupedCount(limits_.maxTokenBytes)));
        }
    }
}

bool XmlPartReader::AtEndOfInput() {
    if (xml_.readNext() != QXmlStreamReader::Invalid ||
        xml_.error() != QXmlStreamReader::PrematureEndOfDocumentError)
        return false;
    return !Feed();
}

void XmlPartReader::SkipElement() {
    for (int depth = 1; depth > 0;) {
        const QXmlStreamReader::TokenType token = Next();
        if (token == QXmlStreamReader::StartElement)
            ++depth;
        else if (token == QXmlStreamReader::EndElement)
            --depth;
        else if (token == QXmlStreamReader::EndDocument)
            Fail(QStringLiteral("o documento termina dentro de um elemento"));
    }
}

} // namespace quorvel
