#include "sheet/XmlPartReader.h"

#include "sheet/SheetError.h"
#include "sheet/SheetText.h"
#include "sheet/ZipReader.h"

namespace quorvel {
namespace {

constexpr std::size_t kChunk = 64 << 10;
// No part of a spreadsheet defines entities; a file that tries gets nowhere with them.
constexpr int kEntityExpansionLimit = 64;

} // namespace

XmlPartReader::XmlPartReader(std::unique_ptr<ZipEntry> entry, const SheetLimits& limits)
    : entry_(std::move(entry))
    , limits_(limits)
    , buffer_(kChunk) {
    xml_.setEntityExpansionLimit(kEntityExpansionLimit);
}

XmlPartReader::~XmlPartReader() = default;

void XmlPartReader::Fail(const QString& reason) const {
    throw ESheetError(
        QStringLiteral("%1, linha %2 do XML: %3").arg(entry_->Name()).arg(xml_.lineNumber()).arg(reason));
}

QXmlStreamReader::TokenType XmlPartReader::Next() {
    for (;;) {
        const QXmlStreamReader::TokenType token = xml_.readNext();
        if (token != QXmlStreamReader::Invalid) {
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
            if (seenRoot_ && depth_ == 0) return QXmlStreamReader::EndDocument;
            Fail(QStringLiteral("o documento termina antes do fim"));
        }
        const std::size_t got = entry_->Read(buffer_.data(), buffer_.size());
        if (got == 0) {
            atEnd_ = true;
            continue;
        }
        pending_ += got;
        if (pending_ > limits_.maxTokenBytes) {
            const QString place = place_ ? place_() : QString();
            if (!place.isEmpty())
                Fail(QStringLiteral("%1: a célula passa de %2 bytes de XML")
                         .arg(place, GroupedCount(limits_.maxTokenBytes)));
            Fail(QStringLiteral("um elemento ou texto passa de %1 bytes")
                     .arg(GroupedCount(limits_.maxTokenBytes)));
        }
        xml_.addData(QByteArray(buffer_.data(), static_cast<qsizetype>(got)));
    }
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
