#pragma once

#include "platform/Canvas.h"
#include "platform/Metafile.h"

#include <QImage>

namespace quorvel::testing {

// Page size of an A4 page picture at 96 pixels per inch.
inline constexpr int kPageWidth = 794;
inline constexpr int kPageHeight = 1123;

// A report-like page that uses every canvas operation: texts in several fonts and alignments,
// clipped and opaque texts, frames, fills, shapes, lines, a bitmap, clipping and saved states.
void DrawSamplePage(TCanvas& canvas);

// A small bitmap with distinct colours in each quarter.
QImage SampleBitmap();

// An A4 picture recorded from DrawSamplePage.
TMetafile RecordSamplePage();

// An image of the page size filled white.
QImage BlankPage(int width = kPageWidth, int height = kPageHeight);

// Number of pixels whose colour differs by more than `tolerance` in any channel.
int DifferingPixels(const QImage& a, const QImage& b, int tolerance);

} // namespace quorvel::testing
