// Text controls: formatting a text into lines, auto size, and printing the lines on the page.

#include "report/controls/Qrctrls.h"

#include "platform/Canvas.h"
#include "platform/Rounding.h"
#include "platform/ScopeExit.h"
#include "report/engine/QuickrptBands.h"
#include "report/engine/QuickrptPaint.h"
#include "report/engine/QuickrptReport.h"
#include "report/pagestore/QrprntrFilter.h"

namespace quorvel {

namespace {

bool IsWordEnd(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('-') || c == QLatin1Char('\r');
}

// Units of the character at the end of a text (2 for a surrogate pair).
qsizetype LastCharUnits(QStringView text) {
    const qsizetype n = text.size();
    return n >= 2 && text[n - 1].isLowSurrogate() && text[n - 2].isHighSurrogate() ? 2 : 1;
}

qsizetype FirstCharUnits(QStringView text) {
    return text.size() >= 2 && text[0].isHighSurrogate() && text[1].isLowSurrogate() ? 2 : 1;
}

} // namespace

TQRCustomLabel::TQRCustomLabel(TComponent* owner)
    : TQRPrintable(owner) {}

TQRCustomLabel::~TQRCustomLabel() = default;

void TQRCustomLabel::SetCaption(const QString& caption) {
    caption_ = caption;
    printText_ = caption;
    formattedLinesValid_ = false;
    FormatLines();
}

void TQRCustomLabel::SetLines(const QStringList& lines) {
    lines_ = lines;
    formattedLinesValid_ = false;
    FormatLines();
}

void TQRCustomLabel::SetAutoSize(bool value) {
    autoSize_ = value;
    formattedLinesValid_ = false;
    FormatLines();
}

void TQRCustomLabel::SetWordWrap(bool value) {
    wordWrap_ = value;
    formattedLinesValid_ = false;
    FormatLines();
}

void TQRCustomLabel::SetBiDiMode(TBiDiMode mode) {
    biDiMode_ = mode;
    parentBiDiMode_ = false;
    formattedLinesValid_ = false;
    FormatLines();
}

void TQRCustomLabel::SetAlignment(TAlignment alignment) {
    TQRPrintable::SetAlignment(alignment);
    formattedLinesValid_ = false;
    FormatLines();
}

void TQRCustomLabel::SetFont(const TFont& font) {
    TQRPrintable::SetFont(font);
    formattedLinesValid_ = false;
    FormatLines();
}

void TQRCustomLabel::SetParent(TComponent* parent) {
    TQRPrintable::SetParent(parent);
    formattedLinesValid_ = false;
    FormatLines();
}

void TQRCustomLabel::SetName(const QString& name) {
    const bool follow = !IsLoading() && caption_ == Name();
    TQRPrintable::SetName(name);
    if (follow) SetCaption(name);
}

void TQRCustomLabel::SetPrintText(const QString& text) {
    if (text != printText_) {
        printText_ = text;
        formattedLinesValid_ = false;
    }
}

void TQRCustomLabel::SetDesignCaption(const QString& caption) {
    caption_ = caption;
    printText_ = caption;
    FormatKeepingBounds();
}

void TQRCustomLabel::FormatKeepingBounds() {
    formattedLinesValid_ = false;
    updatingBounds_ = true;
    const ScopeExit done([this] { updatingBounds_ = false; });
    FormatLines();
}

void TQRCustomLabel::Loaded() {
    TQRPrintable::Loaded();
    if (storedFontSize_ > 0 && !ParentFont() && Font().Size() != storedFontSize_) {
        TFont font = Font();
        font.SetSize(storedFontSize_);
        TQRPrintable::SetFont(font);
    }
    printText_ = caption_;
    // The layout's box stays as it was written; the next printing sizes the control to its text.
    FormatKeepingBounds();
}

int TQRCustomLabel::Zoom() const {
    if (const TQRBasePanel* band = ParentBand()) return band->Zoom();
    if (const auto* panel = dynamic_cast<const TQRBasePanel*>(Parent())) return panel->Zoom();
    return 100;
}

TTextMeasure& TQRCustomLabel::Measure() {
    const TFont& font = Font();
    const int pixelsPerInch = ScreenPixelsPerInch();
    if (!measure_ || measure_->PixelsPerInch() != pixelsPerInch || !(measure_->Font() == font)) {
        measure_ = std::make_unique<TTextMeasure>(font, pixelsPerInch);
        formattedLinesValid_ = false;
    }
    return *measure_;
}

int TQRCustomLabel::LineHeightPixels() {
    const int height = Measure().TextHeight();
    const int zoom = Zoom();
    return zoom == 100 ? height : RoundHalfEven(height * zoom / 100.0);
}

void TQRCustomLabel::FormattedHeight(double& height) {
    FormatLines();
    height = double(formattedLines_.size()) * LineHeightPixels();
}

bool TQRCustomLabel::RightToLeft() const {
    return biDiMode_ != TBiDiMode::bdLeftToRight;
}

TAlignment TQRCustomLabel::EffectiveAlignment() const {
    if (biDiMode_ != TBiDiMode::bdRightToLeft) return Alignment();
    switch (Alignment()) {
    case TAlignment::taLeftJustify:
        return TAlignment::taRightJustify;
    case TAlignment::taRightJustify:
        return TAlignment::taLeftJustify;
    case TAlignment::taCenter:
        break;
    }
    return TAlignment::taCenter;
}

void TQRCustomLabel::FormatLines() {
    if (!Parent() || IsLoading()) return;
    Measure();
    const int limit = Width();
    if (formattedLinesValid_ && formattedLimit_ == limit && formattedZoom_ == Zoom()) return;
    formattedLines_.clear();
    if (GetCaptionBased()) {
        FormatText(printText_, limit);
        if (!updatingBounds_) {
            const int minimum = LineHeightPixels() + 1;
            if (Height() < minimum) {
                updatingBounds_ = true;
                SetHeight(minimum);
                updatingBounds_ = false;
            }
        }
    } else if (!lines_.isEmpty()) {
        if (autoSize_)
            formattedLines_ = lines_;
        else
            for (const QString& line : lines_)
                FormatText(line, limit);
    } else if (IsDesigning()) {
        FormatText(Name(), limit);
    }
    ApplyAutoSize();
    formattedLinesValid_ = true;
    formattedLimit_ = Width();
    formattedZoom_ = Zoom();
}

void TQRCustomLabel::FormatText(const QString& text, int limit) {
    QString s = text;
    s.remove(QLatin1Char('\n'));
    // Every carriage return starts a new line; what follows the last one is a line of its own, an
    // empty one when the text ends with the carriage return.
    qsizetype start = 0;
    for (;;) {
        const qsizetype cr = s.indexOf(QLatin1Char('\r'), start);
        if (cr < 0) break;
        FormatParagraph(QStringView(s).mid(start, cr - start), limit);
        start = cr + 1;
    }
    FormatParagraph(QStringView(s).mid(start), limit);
}

void TQRCustomLabel::FormatParagraph(QStringView text, int limit) {
    if (autoSize_) {
        formattedLines_.append(text.toString());
        return;
    }
    TTextMeasure& measure = Measure();
    const int zoom = Zoom();
    const auto pixels = [zoom](double running) {
        const int width = TTextMeasure::TextWidth(running);
        return zoom == 100 ? width : RoundHalfEven(width * zoom / 100.0);
    };

    QString line;
    double lineRunning = 0;
    bool lineEnded = false;
    qsizetype at = 0;
    while (at < text.size() && !lineEnded) {
        qsizetype end = at;
        while (end < text.size() && !IsWordEnd(text[end]))
            ++end;
        if (end < text.size()) ++end;
        QStringView word = text.mid(at, end - at);
        at = end;

        const double joined = measure.Extend(lineRunning, word);
        if (pixels(joined) <= limit) {
            line += word;
            lineRunning = joined;
            continue;
        }
        if (line.isEmpty()) {
            // A word wider than the control on a line of its own: keep what fits, drop the rest.
            while (!word.isEmpty()) {
                const qsizetype units = FirstCharUnits(word);
                const double next = measure.Extend(lineRunning, word.first(units));
                if (pixels(next) >= limit) break;
                line += word.first(units);
                lineRunning = next;
                word = word.mid(units);
            }
            word = {};
        }
        formattedLines_.append(line);
        line.clear();
        lineRunning = 0;
        if (!word.isEmpty() && pixels(measure.Extend(0, word)) > limit) {
            if (limit == 0) word = {};
            while (!word.isEmpty() && pixels(measure.Extend(0, word)) > limit)
                word.chop(LastCharUnits(word));
            formattedLines_.append(word.toString());
            word = {};
        }
        if (!wordWrap_) {
            // Without word wrap a paragraph is one line: it ends where the text stops fitting.
            lineEnded = true;
            break;
        }
        line = word.toString();
        lineRunning = measure.Extend(0, word);
    }
    if (!lineEnded) formattedLines_.append(line);
}

void TQRCustomLabel::ApplyAutoSize() {
    if (!autoSize_ || !ParentReport() || updatingBounds_) return;
    TTextMeasure& measure = Measure();
    const int zoom = Zoom();
    int widest = 0;
    for (const QString& line : formattedLines_) {
        const int width = measure.TextWidth(line);
        widest = std::max(widest, zoom == 100 ? width : RoundHalfEven(width * zoom / 100.0));
    }
    if (Frame().DrawLeft) widest += Frame().Width;
    if (Frame().DrawRight) widest += Frame().Width;
    int left = Left();
    const int change = Width() - widest;
    switch (EffectiveAlignment()) {
    case TAlignment::taRightJustify:
        left += change;
        break;
    case TAlignment::taCenter:
        left += change / 2;
        break;
    case TAlignment::taLeftJustify:
        break;
    }
    const int height = std::max(Height(), LineHeightPixels() + 1);
    if (left == Left() && widest == Width() && height == Height()) return;
    updatingBounds_ = true;
    const ScopeExit done([this] { updatingBounds_ = false; });
    SetBounds(left, Top(), widest, height);
}

void TQRCustomLabel::Prepare() {
    TQRPrintable::Prepare();
    printText_ = caption_;
    formattedLinesValid_ = false;
    nextLine_ = 0;
    FormatLines();
}

void TQRCustomLabel::UnPrepare() {
    TQRPrintable::UnPrepare();
    printText_ = caption_;
    formattedLinesValid_ = false;
    nextLine_ = 0;
}

void TQRCustomLabel::Print(int ofsX, int ofsY) {
    if (!IsEnabled()) return;
    if (!IsPrinting()) Prepare();
    TCustomQuickRep* report = ParentReport();
    TQRPrinter* store = QRPrinter();
    if (!report || !store || !store->HasCanvas()) return;
    TCanvas& canvas = store->Canvas();
    const TQRPrintableSize& size = Size();
    canvas.SetFont(Font());
    const double left = size.NativeValue(TQRPrintableSize::iLeft) + ofsX;
    double top = size.NativeValue(TQRPrintableSize::iTop) + ofsY;
    const double width = size.NativeValue(TQRPrintableSize::iWidth);
    double height = size.NativeValue(TQRPrintableSize::iHeight);
    // Lines are as far apart on every device as on the screen the layout is measured on, so that a
    // printed page grows its bands as the preview does (printer metrics round differently).
    const auto referenceLineHeight = [this] { return LineHeightPixels() * 254.0 / ScreenPixelsPerInch(); };
    double lineHeight = referenceLineHeight();

    const QString savedText = printText_;
    bool replaced = false;
    if (OnPrint) {
        QString value = printText_;
        OnPrint(*this, value);
        if (!(canvas.Font() == Font())) {
            canvas.SetFont(Font());
            height = size.NativeValue(TQRPrintableSize::iHeight);
            lineHeight = referenceLineHeight();
        }
        if (value != printText_) {
            SetPrintText(value);
            replaced = true;
        }
    }
    FormatLines();
    const double newWidth = size.NativeValue(TQRPrintableSize::iWidth);

    // Auto size kept the right edge of a right-aligned text and the centre of a centred one where the
    // layout put them: the box (background, text, frame) starts where the new width begins.
    const TAlignment alignment = EffectiveAlignment();
    double boxLeft = left;
    if (autoSize_ && alignment == TAlignment::taRightJustify)
        boxLeft = left - (newWidth - width);
    else if (autoSize_ && alignment == TAlignment::taCenter)
        boxLeft = left - (newWidth - width) / 2;
    const double boxTop = top;
    const bool opaque = !Transparent();
    TQRExportFilter* filter = report->ExportFilter();
    if (filter && opaque && Color() != clWhite) {
        filter->AcceptGraphic(store->XPos(boxLeft), store->YPos(boxTop),
                              ExportShape(TExportShapeType::esRectangle, store->XSize(newWidth),
                                          store->YSize(height), TPen(Color(), 1, TPenStyle::psClear),
                                          TBrush(Color(), TBrushStyle::bsSolid)));
    }
    if (report->DrawToCanvas() && opaque) {
        canvas.SetBrush(TBrush(Color(), TBrushStyle::bsSolid));
        canvas.FillRect({store->XPos(boxLeft), store->YPos(boxTop), store->XPos(boxLeft + newWidth),
                         store->YPos(boxTop + height)});
    }

    const double frameWidth = Frame().NativeWidth();
    double textLeft = boxLeft;
    if (Frame().DrawTop) top += frameWidth;
    if (Frame().DrawLeft) textLeft += frameWidth;
    double anchor = textLeft;
    std::uint32_t textAlign = TA_LEFT | TA_TOP;
    if (alignment == TAlignment::taRightJustify) {
        anchor = textLeft + newWidth;
        textAlign = TA_RIGHT | TA_TOP;
    } else if (alignment == TAlignment::taCenter) {
        anchor = textLeft + newWidth / 2;
        textAlign = TA_CENTER | TA_TOP;
    }
    if (RightToLeft()) textAlign |= TA_RTLREADING;
    canvas.SetTextAlign(textAlign);
    canvas.SetBkMode(TBkMode::bkTransparent);

    TQRCustomBand* band = ParentBand();
    double y = top;
    double bottom = top + height + 1;
    if (PrintFinished()) nextLine_ = 0;
    double extra = 0;
    bool expanded = false;
    const int lineCount = int(formattedLines_.size());
    while (nextLine_ < lineCount) {
        if (y + lineHeight > bottom) {
            if (!autoStretch_ || !band || !band->CanExpand(lineHeight)) break;
            const double previousExtra = band->ExtraHeight();
            band->ExpandBand(extra, expanded, lineHeight);
            const double grown = top + height + band->ExtraHeight() + 1;
            if (grown <= bottom) break;
            bottom = grown;
            if (report->DrawToCanvas() && opaque) {
                canvas.SetBrush(TBrush(Color(), TBrushStyle::bsSolid));
                canvas.FillRect({store->XPos(boxLeft), store->YPos(top + height + previousExtra),
                                 store->XPos(boxLeft + newWidth),
                                 store->YPos(top + height + band->ExtraHeight())});
            }
            continue;
        }
        const QString& line = formattedLines_[nextLine_];
        if (report->DrawToCanvas() && !line.isEmpty())
            canvas.TextOut(store->XPos(anchor), store->YPos(y), line);
        if (filter)
            if (const std::optional<QString> text = ExportLine(*filter, nextLine_, line))
                filter->TextOut(anchor, y, Font(), Color(), alignment, *text);
        ++nextLine_;
        y += lineHeight;
    }
    SetPrintFinished(!(nextLine_ < lineCount && autoStretch_));
    canvas.ResetClip();
    if (replaced) SetPrintText(savedText);

    if ((report->DrawToCanvas() || filter) && Frame().AnyFrame()) {
        const double extraHeight = band ? band->ExtraHeight() : 0;
        const TColor background = Color();
        QRPaintFrame(Frame(), *report,
                     {store->XPos(boxLeft), store->YPos(boxTop), store->XPos(boxLeft + newWidth),
                      store->YPos(boxTop + height + extraHeight)},
                     opaque ? &background : nullptr);
    }
}

std::optional<QString> TQRCustomLabel::ExportLine(const TQRExportFilter& filter, int index,
                                                  const QString& line) const {
    (void)filter;
    (void)index;
    return line;
}

std::optional<QString> TQRHTMLLabel::ExportLine(const TQRExportFilter& filter, int index,
                                                const QString& line) const {
    if (!filter.ResolvesHTMLLabels()) return line;
    if (index > 0) return std::nullopt;
    return Marker(Name());
}

void TQRMemo::Print(int ofsX, int ofsY) {
    SetCaptionQuietly(QString());
    const ScopeExit restore([this] { SetCaptionQuietly(Name()); });
    TQRCustomLabel::Print(ofsX, ofsY);
}

void TQRMemo::GetExpandedHeight(double& height) {
    FormattedHeight(height);
}

} // namespace quorvel
