#pragma once

#include "platform/CanvasDraw.h"
#include "platform/Font.h"

#include <QHash>
#include <QString>

#include <memory>

namespace quorvel {

// Widths of texts as a screen-compatible canvas measures them (the page picture's text placement),
// with one shaper per font so that alternating fonts do not reload their font files.
class TExportTextMeasure {
public:
    int Width(const TFont& font, const QString& text, int pixelsPerInch);

private:
    QHash<QString, std::shared_ptr<draw::TextShaper>> shapers_;
    // The shaper of the last call: most texts follow one in the same font.
    draw::TextShaper* last_ = nullptr;
    TFont lastFont_;
    int lastPixelsPerInch_ = 0;
};

} // namespace quorvel
