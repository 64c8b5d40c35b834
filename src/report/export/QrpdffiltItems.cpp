#include "report/export/Qrpdffilt.h"

#include "platform/Rounding.h"

#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "report/export/Lzw.h"
#include "report/export/QrpdffiltFormat.h"

#include <algorithm>
#include <cmath>

namespace quorvel {

namespace {

constexpr double kPointsPerTenth = 0.1 * 72.0 / 25.4;

std::array<unsigned char, 3> Rgb(TColor color) {
    return {static_cast<unsigned char>(color & 0xFF), static_cast<unsigned char>(color >> 8 & 0xFF),
            static_cast<unsigned char>(color >> 16 & 0xFF)};
}

// One Bézier quarter of an ellipse from (x0, y0) to (x3, y3), as " %6.1f" numbers and " c".
std::string Arc(double x0, double y0, double x3, double y3, double rx, double ry) {
    constexpr double k = 0.55229;
    double x1, y1, x2, y2;
    if (x0 < x3 && y0 < y3) {
        x1 = x0, y1 = y0 + k * ry, x2 = x3 - k * rx, y2 = y3;
    } else if (x0 < x3) {
        x1 = x0 + k * rx, y1 = y0, x2 = x3, y2 = y3 + k * ry;
    } else if (y0 < y3) {
        x1 = x0 - k * rx, y1 = y0, x2 = x3, y2 = y3 - k * ry;
    } else {
        x1 = x0, y1 = y0 - k * ry, x2 = x3 + k * rx, y2 = y3;
    }
    std::string line;
    for (double v : {x1, y1, x2, y2, x3, y3})
        line += " " + pdf::Fixed(v, 1, 6) + " ";
    return pdf::Trim(line) + " c";
}

std::string Point(double x, double y) {
    return pdf::Int(x) + " " + pdf::Int(y);
}

// A position of a graphic: page-picture pixels are three quarters of a point, so two decimals keep
// it exact. Whole points would move each edge by up to a point on its own: a band's background then
// reaches over the line above it, and a line ends a point past the box it borders.
std::string Exact(double x, double y) {
    return pdf::Points(x) + " " + pdf::Points(y);
}

// A graphic's box in page-picture pixels.
struct TPixelBox {
    double Left, Top, Width, Height;
};

// Where the page picture draws a graphic's lines, as the box the PDF item is drawn from. A line
// through the middle of its box covers the pen's width of pixels around the box's middle row (or
// column); lines along the edges lie on the box's first and last row (or column). The PDF draws
// lines centred on their coordinates, so each is given the middle of those pixels.
TPixelBox PageLineBox(double xoff, double yoff, const TExportGraphic& graphic) {
    TPixelBox box{xoff, yoff, double(graphic.Width), double(graphic.Height)};
    if (graphic.Kind != TExportGraphicKind::egShape) return box;
    const int pen = std::max(1, graphic.Pen.Width());
    switch (graphic.Shape) {
    case TExportShapeType::esHorLine:
        box.Top = std::floor(yoff) + graphic.Height / 2 - pen / 2;
        box.Height = pen;
        break;
    case TExportShapeType::esVertLine:
        box.Left = std::floor(xoff) + graphic.Width / 2 - pen / 2;
        box.Width = pen;
        break;
    case TExportShapeType::esTopAndBottom:
        box.Top += 0.5;
        box.Height = std::max(0, graphic.Height - 1);
        break;
    case TExportShapeType::esRightAndLeft:
        box.Left += 0.5;
        box.Width = std::max(0, graphic.Width - 1);
        break;
    default:
        break;
    }
    return box;
}

} // namespace

const QString* TDictionary::Find(const QString& key) const {
    for (const auto& [k, v] : pairs_)
        if (k.compare(key, Qt::CaseInsensitive) == 0) return &v;
    return nullptr;
}

TQRPDFDocumentFilter::TQRPDFDocumentFilter(const QString& fileName)
    : TQRPAbstractExportFilter(fileName)
    , fontMap_{{QStringLiteral("Arial"), QStringLiteral("Helvetica")},
               {QStringLiteral("Times New Roman"), QStringLiteral("Times")},
               {QStringLiteral("Courier New"), QStringLiteral("Courier")}}
    , measure_(std::make_unique<TExportTextMeasure>()) {}

TQRPDFDocumentFilter::~TQRPDFDocumentFilter() = default;

void TQRPDFDocumentFilter::Start(int paperWidth, int paperHeight, const TFont& font) {
    paperWidth_ = paperWidth;
    paperLength_ = paperHeight;
    TQRPAbstractExportFilter::Start(paperWidth, paperHeight, font);
}

void TQRPDFDocumentFilter::SetDocumentInfo(const QString& creator, const QString& author,
                                           const QString& title, const QString& subject) {
    creator_ = creator;
    author_ = author;
    title_ = title;
    subject_ = subject;
}

void TQRPDFDocumentFilter::SetMargins(int top, int left) {
    extraTop_ = top;
    extraLeft_ = left;
}

void TQRPDFDocumentFilter::AddFontMap(const QString& mapping) {
    const qsizetype colon = mapping.indexOf(u':');
    if (colon < 0) return;
    std::pair<QString, QString> pair{mapping.left(colon).trimmed(), mapping.mid(colon + 1).trimmed()};
    if (std::find(fontMap_.begin(), fontMap_.end(), pair) == fontMap_.end())
        fontMap_.push_back(std::move(pair));
}

void TQRPDFDocumentFilter::AddTTFont(const QString& fontName) {
    fontsToEmbed_.append(fontName.trimmed());
}

void TQRPDFDocumentFilter::AddCustomWidths(const QString& fontName, const QString& widths) {
    customWidths_.Add(fontName, widths);
}

void TQRPDFDocumentFilter::AddCustomEncoding(const QString& fontName, const QString& differences) {
    customEncodings_.Add(fontName, differences);
}

void TQRPDFDocumentFilter::NewPage() {
    if (firstPage_) {
        firstPage_ = false;
        return;
    }
    TPDFItemRec item;
    item.Kind = TPDFItemType::IT_NEWPAGE;
    AddPDFItem(std::move(item));
}

void TQRPDFDocumentFilter::StartPage() {
    const TExportPageSetup page = ExportPageSetupOf(*this, paperWidth_, paperLength_);
    xFactor_ = 72.0 / ExportPixelsPerInch(*this);
    yFactor_ = xFactor_;
    ++pageCounter_;
    SpoolLastPage();
    PageBlock block;
    block.Width = RoundHalfEvenValue(page.Width) * kPointsPerTenth;
    block.Height = RoundHalfEvenValue(page.Length) * kPointsPerTenth;
    pages_.push_back(block);
    pageOpen_ = true;
}

void TQRPDFDocumentFilter::FinishPage() {
    FlushBandGraphics();
    PTWrite("ET");
    pageOpen_ = false;
}

void TQRPDFDocumentFilter::SpoolLastPage() {
    if (pages_.empty() || pages_.back().SpoolOffset >= 0) return;
    if (!spool_) spool_ = std::make_unique<TQRStream>(kSpoolMemoryLimit);
    PageBlock& page = pages_.back();
    page.SpoolOffset = spool_->Seek(0, TSeekOrigin::soEnd);
    spool_->Write(pageGraphics_.data(), static_cast<qint64>(pageGraphics_.size()));
    spool_->Write(pageText_.data(), static_cast<qint64>(pageText_.size()));
    page.GraphicsBytes = pageGraphics_.size();
    page.TextBytes = pageText_.size();
    // The room stays for the next page, which takes about as much.
    pageGraphics_.clear();
    pageText_.clear();
}

std::size_t TQRPDFDocumentFilter::HeldPageBytes() const {
    std::size_t bytes = pages_.capacity() * sizeof(PageBlock) + pageText_.capacity() +
                        pageGraphics_.capacity() + bandGraphics_.capacity();
    if (spool_ && spool_->InMemory()) bytes += static_cast<std::size_t>(spool_->Size());
    return bytes;
}

void TQRPDFDocumentFilter::PTWrite(const std::string& line) {
    pageText_ += line;
    pageText_ += "\r\n";
}

void TQRPDFDocumentFilter::GRWrite(const std::string& line) {
    bandGraphics_ += line;
    bandGraphics_ += "\r\n";
}

void TQRPDFDocumentFilter::FlushBandGraphics() {
    if (bandGraphics_.empty() || pages_.empty()) return;
    pageGraphics_ += bandGraphics_;
    bandGraphics_.clear();
}

int TQRPDFDocumentFilter::TextWidthPixels(const TFont& font, const QString& text) {
    return measure_->Width(font, text, ExportPixelsPerInch(*this));
}

void TQRPDFDocumentFilter::TextOut(double x, double y, const TFont& font, TColor bgColor,
                                   TAlignment alignment, const QString& text) {
    (void)bgColor;
    int px = ExportXPos(*this, x);
    const int py = ExportYPos(*this, y);
    if (alignment == TAlignment::taRightJustify)
        px -= TextWidthPixels(font, text);
    else if (alignment == TAlignment::taCenter)
        px -= TextWidthPixels(font, text) / 2;
    // Page factors are those of the page the item lands on; open it first.
    if (!pageOpen_) StartPage();
    TPDFItemRec item;
    item.Kind = TPDFItemType::IT_TEXT;
    item.X = px * xFactor_;
    item.Y = font.Size() + py * yFactor_;
    item.Text = text;
    item.FontName = font.Name();
    item.Charset = font.Charset();
    item.FontSize = font.Size();
    item.FillColor = Rgb(font.Color());
    item.Bold = font.Style().testFlag(TFontStyle::fsBold);
    item.Italic = font.Style().testFlag(TFontStyle::fsItalic);
    AddPDFItem(std::move(item));
}

void TQRPDFDocumentFilter::AcceptShape(double xoff, double yoff, const TExportGraphic& graphic) {
    if (!pageOpen_) StartPage();
    if (graphic.Kind == TExportGraphicKind::egImage) {
        AddImageItem(xoff, yoff, graphic);
        return;
    }
    const TPixelBox box = PageLineBox(xoff, yoff, graphic);
    TPDFItemRec item;
    item.Kind = TPDFItemType::IT_GRAPHIC;
    item.X = box.Left * xFactor_;
    item.Y = box.Top * yFactor_;
    item.Width = box.Width * xFactor_;
    item.Height = box.Height * yFactor_;
    item.PenWidth = graphic.Pen.Width() * xFactor_;
    item.PenColor = Rgb(graphic.Pen.Color());
    item.FillColor = Rgb(graphic.Brush.Color());
    const bool pen = graphic.Pen.Style() != TPenStyle::psClear;
    const bool brush = graphic.Brush.Style() != TBrushStyle::bsClear;
    if (graphic.Kind == TExportGraphicKind::egHorizontalRule) {
        item.Shape = TPDFShapeType::S_HLINE;
        AddPDFItem(item);
        return;
    }
    if (graphic.Kind != TExportGraphicKind::egShape) return;
    switch (graphic.Shape) {
    // A rounded rectangle is written as its rectangle: the content operators used here have no
    // rounded corners.
    case TExportShapeType::esRectangle:
    case TExportShapeType::esRoundRect:
        item.Shape = TPDFShapeType::S_BOX;
        break;
    case TExportShapeType::esCircle:
        item.Shape = TPDFShapeType::S_CIRCLE;
        break;
    case TExportShapeType::esVertLine:
        item.Shape = TPDFShapeType::S_VLINE;
        break;
    case TExportShapeType::esHorLine:
        item.Shape = TPDFShapeType::S_HLINE;
        break;
    case TExportShapeType::esTopAndBottom:
        item.Shape = TPDFShapeType::S_TOPBOTTOM;
        break;
    case TExportShapeType::esRightAndLeft:
        item.Shape = TPDFShapeType::S_LEFTRIGHT;
        break;
    }
    if (item.Shape == TPDFShapeType::S_BOX && brush) {
        TPDFItemRec filled = item;
        filled.Filled = true;
        AddPDFItem(std::move(filled));
    }
    if (pen) AddPDFItem(std::move(item));
}

void TQRPDFDocumentFilter::AddImageItem(double xoff, double yoff, const TExportGraphic& graphic) {
    const QImage bitmap = graphic.Picture.convertToFormat(QImage::Format_RGB888);
    if (bitmap.isNull() || bitmap.width() == 0 || bitmap.height() == 0) return;
    std::vector<unsigned char> pixels;
    pixels.reserve(static_cast<std::size_t>(bitmap.width()) * static_cast<std::size_t>(bitmap.height()) * 3);
    for (int row = 0; row < bitmap.height(); ++row) {
        const uchar* line = bitmap.constScanLine(row);
        pixels.insert(pixels.end(), line, line + static_cast<std::ptrdiff_t>(bitmap.width()) * 3);
    }
    TPDFItemRec item;
    item.Kind = TPDFItemType::IT_IMAGE;
    item.X = xoff * xFactor_;
    item.Y = (yoff + graphic.Height) * yFactor_;
    item.Width = bitmap.width() * xFactor_;
    item.Height = bitmap.height() * xFactor_;
    item.HorizontalScale = static_cast<double>(graphic.Width) / bitmap.width();
    item.VerticalScale = static_cast<double>(graphic.Height) / bitmap.height();
    item.PixelWidth = bitmap.width();
    item.PixelHeight = bitmap.height();
    if (compressionOn_) {
        const std::string packed = LZWEncode(pixels);
        item.ImageData =
            ASCII85Encode(std::span(reinterpret_cast<const unsigned char*>(packed.data()), packed.size()));
        item.ImageFilters = "/ASCII85Decode /LZWDecode";
    } else {
        item.ImageData = ASCII85Encode(pixels);
        item.ImageFilters = "/ASCII85Decode";
    }
    AddPDFItem(std::move(item));
}

void TQRPDFDocumentFilter::AddPDFItem(TPDFItemRec item) {
    item.Y += extraTop_;
    item.X += extraLeft_;
    ProcessItem(item);
}

void TQRPDFDocumentFilter::ProcessItem(TPDFItemRec& item) {
    if (item.Kind == TPDFItemType::IT_INVALID) throw Exception(QStringLiteral("Internal error: IT_INVALID"));
    if (!pageOpen_) StartPage();
    if (item.Kind == TPDFItemType::IT_NEWPAGE) {
        FinishPage();
        StartPage();
        return;
    }
    // Positions are measured from the page's top edge (margins included); PDF counts from the bottom.
    // Graphics and pictures count from the top of the media box, which has whole points, so that
    // they land on the pixels the page picture has them on. A text's baseline is set one font size
    // below its top, a little lower than the glyphs' ascent puts it; counted from the exact page
    // height, which lies that little above the media box, the glyphs stand where the page picture
    // draws them.
    const PageBlock& page = pages_.back();
    item.Y = (item.Kind == TPDFItemType::IT_TEXT ? page.Height : std::trunc(page.Height)) - item.Y;
    switch (item.Kind) {
    case TPDFItemType::IT_TEXT:
        ProcessText(item);
        break;
    case TPDFItemType::IT_GRAPHIC:
        ProcessGraphic(item);
        break;
    case TPDFItemType::IT_IMAGE:
        ProcessImage(item);
        break;
    default:
        break;
    }
}

int TQRPDFDocumentFilter::FontKeyIndex(const TPDFItemRec& item) {
    if (lastFont_.Index < 0 || item.Bold != lastFont_.Bold || item.Italic != lastFont_.Italic ||
        item.Charset != lastFont_.Charset || item.FontName != lastFont_.Name)
        lastFont_ = {item.FontName, item.Charset, item.Bold, item.Italic, FontKeyIndexOf(item)};
    return lastFont_.Index;
}

int TQRPDFDocumentFilter::FontKeyIndexOf(const TPDFItemRec& item) {
    const QString name = item.FontName.trimmed();
    QString style = QString(name).remove(u' ');
    if (item.Bold || item.Italic)
        style += QStringLiteral(",") + (item.Bold ? QStringLiteral("Bold") : QString()) +
                 (item.Italic ? QStringLiteral("Italic") : QString());
    const QString key = name + u'\t' + (item.Bold ? QStringLiteral("B") : QString()) +
                        (item.Italic ? QStringLiteral("I") : QString()) + u'\t' +
                        QString::number(item.Charset) + u'\t' + style;
    const auto found = usedFontIndex_.constFind(key);
    if (found != usedFontIndex_.constEnd()) return found.value();
    usedFonts_.append(key);
    usedCodes_.emplace_back();
    const int index = static_cast<int>(usedFonts_.size()) - 1;
    usedFontIndex_.insert(key, index);
    return index;
}

void TQRPDFDocumentFilter::ProcessText(const TPDFItemRec& item) {
    const int n = FontKeyIndex(item);
    const std::string bytes = QStringToCp1252(item.Text);
    auto& codes = usedCodes_[static_cast<std::size_t>(n)];
    for (char c : bytes)
        codes[static_cast<unsigned char>(c)] = true;
    // The three lines go straight onto the page; a report has tens of thousands of texts, nearly all
    // in the colour of the one before.
    if (item.FillColor != lastTextColor_ || lastTextColorLine_.empty()) {
        lastTextColor_ = item.FillColor;
        lastTextColorLine_ = pdf::Trim(pdf::Color(item.FillColor)) + " rg\r\n";
    }
    std::string& text = pageText_;
    text += lastTextColorLine_;
    text += "/F";
    text += pdf::Digits(n, 2);
    text += ' ';
    text += std::to_string(item.FontSize);
    text += " Tf\r\n 1 0 0 1 ";
    text += Point(item.X, item.Y);
    text += " Tm (";
    text += pdf::LiteralText(bytes);
    text += ") Tj\r\n";
}

void TQRPDFDocumentFilter::ProcessGraphic(const TPDFItemRec& item) {
    const double x = item.X, y = item.Y, w = item.Width, h = item.Height;
    const std::string stroke = pdf::Trim(pdf::Color(item.PenColor)) + " RG";
    // Lines are as wide as the page picture draws them, so a line fills the pixels it has there.
    const std::string width = pdf::Points(item.PenWidth) + " w";
    const auto line = [&](double x0, double y0, double x1, double y1) {
        GRWrite(Exact(x0, y0) + " m " + Exact(x1, y1) + " l s");
    };
    switch (item.Shape) {
    case TPDFShapeType::S_BOX:
        GRWrite(width);
        if (item.Filled) {
            GRWrite(pdf::Trim(pdf::Color(item.FillColor)) + " rg");
            GRWrite(Exact(x, y - h) + " " + Exact(w, h) + " re f");
        } else {
            // The outline runs inside the box, as the page picture draws it.
            const double inset = std::min({item.PenWidth, w, h}) / 2;
            GRWrite(stroke);
            GRWrite(Exact(x + inset, y - h + inset) + " " + Exact(w - 2 * inset, h - 2 * inset) + " re s");
        }
        break;
    case TPDFShapeType::S_CIRCLE: {
        const double rx = w / 2, ry = h / 2;
        GRWrite(width);
        GRWrite(stroke);
        GRWrite(pdf::Fixed(x + rx, 1, 6) + " " + pdf::Fixed(y, 1, 6) + " m");
        GRWrite(Arc(x + rx, y, x + w, y - ry, rx, ry));
        GRWrite(Arc(x + w, y - ry, x + rx, y - h, rx, ry));
        GRWrite(Arc(x + rx, y - h, x, y - ry, rx, ry));
        GRWrite(Arc(x, y - ry, x + rx, y, rx, ry) + " s");
        break;
    }
    case TPDFShapeType::S_HLINE:
        GRWrite(width);
        GRWrite(stroke);
        line(x, y - h / 2, x + w, y - h / 2);
        break;
    case TPDFShapeType::S_VLINE:
        GRWrite(width);
        GRWrite(stroke);
        line(x + w / 2, y - h, x + w / 2, y);
        break;
    case TPDFShapeType::S_OBLIQUE:
        GRWrite(width);
        GRWrite(stroke);
        line(x, y, x + w, y - h);
        break;
    case TPDFShapeType::S_TOPBOTTOM:
        GRWrite(width);
        GRWrite(stroke);
        line(x, y, x + w, y);
        line(x, y - h, x + w, y - h);
        break;
    case TPDFShapeType::S_LEFTRIGHT:
        GRWrite(width);
        GRWrite(stroke);
        line(x, y - h, x, y);
        line(x + w, y - h, x + w, y);
        break;
    }
}

void TQRPDFDocumentFilter::ProcessImage(const TPDFItemRec& item) {
    GRWrite("q " + pdf::Int(item.Width * item.HorizontalScale) + " 0 0 " +
            pdf::Int(item.Height * item.VerticalScale) + " " + Point(item.X, item.Y) + " cm");
    GRWrite("BI");
    GRWrite("/Width " + std::to_string(item.PixelWidth));
    GRWrite("/Height " + std::to_string(item.PixelHeight));
    GRWrite("/BitsPerComponent 8");
    GRWrite("/ColorSpace /DeviceRGB");
    GRWrite("/Filter [" + item.ImageFilters + "]");
    GRWrite("ID");
    GRWrite(item.ImageData);
    GRWrite("EI");
    GRWrite("Q");
}

} // namespace quorvel
