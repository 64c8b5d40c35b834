#include "report/export/Qrpdffilt.h"

#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "platform/FormatSettings.h"
#include "report/export/QrpdffiltFontObjects.h"
#include "report/export/QrpdffiltFormat.h"

#include <QDateTime>

namespace quorvel {

namespace {

// Texts of the information dictionary are literal strings in the document's code page.
std::string InfoText(const QString& text) {
    return pdf::LiteralText(QStringToCp1252(text));
}

} // namespace

void TQRPDFDocumentFilter::EndConcat() {
    concatenating_ = false;
    Finish();
}

void TQRPDFDocumentFilter::Finish() {
    if (concatenating_) return;
    if (!pageOpen_ && pages_.empty()) StartPage();
    if (pageOpen_) FinishPage();
    SpoolLastPage();
    if (TExportOutput* out = const_cast<TExportOutput*>(Output())) WriteDocument(*out);
    TQRPAbstractExportFilter::Finish();
}

void TQRPDFDocumentFilter::WriteDocument(TExportOutput& out) {
    std::vector<qsizetype> offsets;
    auto line = [&out](const std::string& text) { out.WriteLine(text); };
    auto object = [&](int number) {
        offsets.push_back(out.Size());
        line(std::to_string(number) + " 0 obj");
    };
    const int pageCount = static_cast<int>(pages_.size());
    const int firstFont = 2 * pageCount + 4;
    LoadedFontFiles files;
    const std::vector<FontObjects> fonts = PrepareFonts(files);

    line("%PDF-1.3");
    line("\x25\xC5\xAD\x6F\x81");

    object(1);
    line("<<");
    line("/Type /Catalog");
    line("/Pages 3 0 R");
    line("/Outlines 2 0 R");
    line("/ViewerPreferences << /HideToolbar false /FitWindow true >>");
    line(">>");
    line("endobj");

    object(2);
    line("<<");
    line("/Type /Outlines");
    line("/Count 0");
    line(">>");
    line("endobj");

    object(3);
    line("<<");
    line("/Type /Pages");
    line("/Count " + std::to_string(pageCount));
    std::string kids = "/Kids [";
    for (int i = 0; i < pageCount; ++i)
        kids += std::to_string(4 + 2 * i) + " 0 R ";
    line(pdf::Trim(kids) + "]");
    line("/MediaBox [0 0 " + pdf::Int(pages_.front().Width) + " " + pdf::Int(pages_.front().Height) + "]");
    line("/Resources << ");
    line("/Font << ");
    int fontObject = firstFont;
    for (int i = 0; i < usedFonts_.size(); ++i) {
        line("  /F" + pdf::Digits(i, 2) + " " + std::to_string(fontObject) + " 0 R ");
        fontObject += fonts[static_cast<std::size_t>(i)].ObjectCount(fontMode_);
    }
    const int infoObject = fontObject;
    const int procSetObject = infoObject + 1;
    line("  >>");
    line("/ProcSet " + std::to_string(procSetObject) + " 0 R");
    line(">>");
    line(">>");
    line("endobj");

    std::string content;
    for (int i = 0; i < pageCount; ++i) {
        const PageBlock& page = pages_[static_cast<std::size_t>(i)];
        content.resize(page.GraphicsBytes + page.TextBytes);
        spool_->Seek(page.SpoolOffset, TSeekOrigin::soBeginning);
        if (spool_->Read(content.data(), static_cast<qint64>(content.size())) !=
            static_cast<qint64>(content.size()))
            throw EQRError(QStringLiteral("The PDF export lost the contents of page %1").arg(i + 1));
        const std::string_view graphics = std::string_view(content).substr(0, page.GraphicsBytes);
        const std::string_view text = std::string_view(content).substr(page.GraphicsBytes);
        object(4 + 2 * i);
        line("<<");
        line("/Type /Page");
        line("/Parent 3 0 R");
        line("/Contents " + std::to_string(5 + 2 * i) + " 0 R");
        line("/MediaBox [0 0 " + pdf::Int(page.Width) + " " + pdf::Int(page.Height) + "]");
        line(">>");
        line("endobj");
        object(5 + 2 * i);
        line("<< /Length " + std::to_string(content.size() + 4) + " >>");
        line("stream");
        if (textOnTop_) {
            line("BT");
            out.Write(text);
            out.Write(graphics);
        } else {
            out.Write(graphics);
            line("BT");
            out.Write(text);
        }
        line("endstream");
        line("endobj");
    }

    WriteFonts(out, offsets, firstFont, fonts);

    object(infoObject);
    const FormatSettings format = FormatSettings::Current();
    const QString now =
        QDateTime::currentDateTime().toString(format.ShortDateFormat + u' ' + format.LongTimeFormat);
    line("<<");
    line("/CreationDate (" + InfoText(now) + ")");
    line("/Producer (Quorvel PDF export)");
    line("/Subject (" + InfoText(subject_) + " )");
    line("/Creator (" + InfoText(creator_) + ")");
    line("/Title (" + InfoText(title_) + ")");
    line("/Author (" + InfoText(author_) + ")");
    line(">>");
    line("endobj");

    object(procSetObject);
    line("[/PDF /Text]");
    line("endobj");

    const qsizetype xref = out.Size();
    line("xref");
    line("0 " + std::to_string(offsets.size() + 1));
    line("0000000000 65535 f");
    for (qsizetype offset : offsets)
        line(pdf::Digits(offset, 10) + " 00000 n");
    line("trailer");
    line("<<");
    line("/Size " + std::to_string(offsets.size() + 1));
    line("/Root 1 0 R");
    line("/Info " + std::to_string(infoObject) + " 0 R");
    line(">>");
    line("startxref");
    line(std::to_string(xref));
    line("%%EOF");
}

} // namespace quorvel
