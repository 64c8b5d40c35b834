#include "report/output/QrexportText.h"

#include "platform/CodePage.h"
#include "report/output/ExportCharacters.h"

#include <cmath>

namespace quorvel {

TQRAsciiExportFilter::~TQRAsciiExportFilter() = default;

QString TQRAsciiExportFilter::GetDescription() const {
    return QStringLiteral("Text export (ASCII) filter");
}
QString TQRAsciiExportFilter::GetExtension() const {
    return QStringLiteral("TXT");
}
QString TQRAsciiExportFilter::GetFilterName() const {
    return QStringLiteral("Text file");
}

void TQRAsciiExportFilter::Start(int paperWidth, int paperHeight, const TFont& font) {
    output_ = std::make_unique<TExportOutput>(TargetFile());
    charWidth_ = font.Size() * 254.0 / 72.0;
    charHeight_ = charWidth_;
    lineCount_ = charHeight_ > 0 ? static_cast<int>(std::nearbyint(paperHeight / charHeight_)) : 0;
    TQRExportFilter::Start(paperWidth, paperHeight, font);
}

void TQRAsciiExportFilter::NewPage() {
    for (QString& line : lines_)
        line.clear();
}

void TQRAsciiExportFilter::TextOut(double x, double y, const TFont& font, TColor bgColor,
                                   TAlignment alignment, const QString& given) {
    (void)font;
    (void)bgColor;
    const QString text = WithoutStrayControls(given);
    if (charHeight_ <= 0) return;
    double column = x / charWidth_ * 1.7;
    if (alignment == TAlignment::taRightJustify) column -= text.size();
    const double line = std::floor(y / charHeight_ + 0.5);
    if (line < 0 || line >= kBufferLines) return;
    QString& buffer = lines_[static_cast<std::size_t>(line)];
    const qsizetype at = std::max<qsizetype>(0, static_cast<qsizetype>(std::nearbyint(column)));
    if (buffer.size() < at) buffer.append(QString(at - buffer.size(), QLatin1Char(' ')));
    buffer.replace(at, text.size(), text);
}

void TQRAsciiExportFilter::EndPage() {
    if (!output_) return;
    const int lines = std::min(lineCount_, kBufferLines);
    for (int i = 0; i < lines; ++i) {
        const QString& line = lines_[static_cast<std::size_t>(i)];
        if (!line.isEmpty()) output_->WriteLine(QStringToCp1252(line));
    }
}

void TQRAsciiExportFilter::Finish() {
    if (output_) output_->Commit();
    TQRExportFilter::Finish();
}

TQRTextFilter::TQRTextFilter(TComponent* owner)
    : TComponent(owner) {
    QRExportFilterLibrary().AddFilter(ExportFilterClass<TQRAsciiExportFilter>());
}

TQRTextFilter::~TQRTextFilter() {
    QRExportFilterLibrary().RemoveFilter(ExportFilterClass<TQRAsciiExportFilter>());
}

} // namespace quorvel
