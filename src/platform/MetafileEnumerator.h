#pragma once

#include "platform/CanvasTypes.h"

#include <QPoint>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

namespace quorvel {

class TMetafile;

// One text record of a picture as the preview's search sees it.
struct TMetafileText {
    QString Text;
    QPoint Reference;          // the recorded reference point, picture pixels
    std::uint32_t Align = 0;   // TA_* flags in force: what point of the text Reference names
    std::uint32_t Options = 0; // ETO_* flags of the record
    TRect Rect;                // its opaque/clip rectangle (meaningful with those options)
    QString FontName;          // face name of the selected font, empty for a stock font
    int FontHeight = 0;        // its logical height (negative: em height)
    bool Wide = true;          // Unicode text; false for single-byte text
};

// Visits the text records of a picture in drawing order until `visit` returns false.
void EnumerateMetafileText(const TMetafile& picture, const std::function<bool(const TMetafileText&)>& visit);

// Every text record of a picture, in drawing order.
std::vector<TMetafileText> MetafileTexts(const TMetafile& picture);

} // namespace quorvel
