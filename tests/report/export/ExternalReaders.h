#pragma once

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>

#include <vector>

namespace quorvel {
class TMetafile;
}

namespace quorvel::testing {

// Readers for the comma-separated, spreadsheet and metafile exports, beside the ones in
// OutputTestFiles.h.
//
// Converts files with the office suite run headless (`soffice --convert-to target`), the independent
// reader of the spreadsheet and metafile exports. Each run gets a profile folder of its own, so that
// parallel tests do not share one. Returns the converted files (same base names in outDir, with the
// target's extension), or an error text when the suite is missing or a conversion failed: a missing
// reader fails the check, it never skips it.
struct OfficeConversion {
    QStringList Files;
    QString Error;
};
OfficeConversion ConvertWithOffice(const QStringList& files, const QString& target, const QString& outDir);

// The page as the office suite lays a picture file on its drawing page when converting it to an
// image: scaled to fit inside 1 cm margins at 96 pixels per inch, centred, on white.
QImage PlayAsOfficePage(const TMetafile& page, QSize imageSize);

// Reads a comma-separated file with Python's csv module (the file's bytes decoded as Windows-1252,
// the given delimiter, standard quoting) and returns its rows, or an error text when Python is
// missing or the module refused the file.
struct CsvReading {
    std::vector<QStringList> Rows;
    QString Error;
};
CsvReading ReadCsvWithPython(const QString& file, QChar delimiter = QLatin1Char(','));

// An image flattened onto white (converted pictures come with transparency).
QImage OnWhite(const QImage& image);

// Tiles (32 × 32 pixels) where more than 30 % of the ink of either image has no ink of the other
// within 2 pixels. Ink is any pixel darker than light grey. Small differences of glyph shapes and
// of rounding pass; a text or shape that is missing, added or moved by more than a few pixels makes
// its tiles fail.
struct TileMismatch {
    QPoint Tile;
    double Share = 0;
};
std::vector<TileMismatch> InkMismatches(const QImage& expected, const QImage& actual);

} // namespace quorvel::testing
