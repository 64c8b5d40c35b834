#include "report/export/ExportTextMeasure.h"

namespace quorvel {

int TExportTextMeasure::Width(const TFont& font, const QString& text, int pixelsPerInch) {
    if (last_ && pixelsPerInch == lastPixelsPerInch_ && font.Size() == lastFont_.Size() &&
        font.Style() == lastFont_.Style() && font.Name() == lastFont_.Name())
        return last_->Width(text);
    const QString key = font.Name() + u'\t' + QString::number(font.Size()) + u'\t' +
                        QString::number(static_cast<int>(font.Style())) + u'\t' +
                        QString::number(pixelsPerInch);
    auto& shaper = shapers_[key];
    if (!shaper) {
        shaper = std::make_shared<draw::TextShaper>();
        shaper->SetFont(font.ToQFont(pixelsPerInch));
    }
    last_ = shaper.get();
    lastFont_ = font;
    lastPixelsPerInch_ = pixelsPerInch;
    return shaper->Width(text);
}

} // namespace quorvel
