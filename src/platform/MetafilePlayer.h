#pragma once

#include "platform/MetafileReader.h"

#include <QRectF>

class QPainter;

namespace quorvel {

// Draws a checked picture so that its frame (`pictureSize` reference pixels; taken from the header
// when empty) fills `target` on the painter. Drawing starts from the
// default state of a fresh device (black pen, white brush, opaque background, text at top-left);
// state, clipping and the painter's own settings are back as they were afterwards. Objects selected
// before they were created and other harmless oddities of foreign files are skipped.
void PlayMetafile(QPainter& painter, const emf::MetafileContent& content, const QSizeF& pictureSize,
                  const QRectF& target);

} // namespace quorvel
