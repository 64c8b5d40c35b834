#pragma once

#include <QByteArray>

namespace quorvel {

class TMetafile;

// Turns a page picture into a placeable Windows metafile: the 22-byte placeable header (bounding box
// of the page in picture pixels, the picture's pixels per inch), the metafile header and the page's
// drawing as 16-bit metafile records. Pens, brushes, fonts, lines, shapes, polygons, texts (in the
// single-byte code page), bitmaps, clipping and saved states are carried over; the stock objects an
// enhanced metafile may select become objects of their own, as the older format has none.
QByteArray ConvertToPlaceableWmf(const TMetafile& picture);

} // namespace quorvel
