#include "report/export/FilterDriver.h"
#include "report/export/OutputTestFiles.h"

#include "report/export/QrexportText.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

using namespace testing;

// With a 10-point report font a character cell is 35.28 tenths of a millimetre high and a column
// 35.28 ÷ 1.7 wide; an A4 page holds 84 lines.
constexpr double kCell = 10 * 254.0 / 72.0;

TEST(TextExport, TextsLandOnTheCharacterGridPageAfterPage) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("report.txt"));
    TQRAsciiExportFilter filter(file);
    FeedPages(filter, {{
                           {0, 0, QStringLiteral("Proposta")},
                           {100, 35.3, QStringLiteral("Item")},
                           // Right-aligned: moves left by its length from column 33.7.
                           {700, 35.3, QStringLiteral("123,45"), TAlignment::taRightJustify},
                           {0, 2 * kCell, QStringLiteral("ABCDEFGH")},
                           {62.3, 2 * kCell, QStringLiteral("xy")}, // overwrites two characters from column 3
                           {0, 2.5 * kCell, QStringLiteral("meio")}, // line 2.5 rounds up to 3
                           {0, 4 * kCell, QStringLiteral("Preço")},
                           {0, 85 * kCell, QStringLiteral("below the page's 84 lines")},
                           {0, 201 * kCell, QStringLiteral("outside the buffer")},
                           {0, -30, QStringLiteral("above the page")},
                       },
                       {{0, 0, QStringLiteral("Página 2")}}});
    EXPECT_EQ(filter.LineCount(), 84);
    EXPECT_FALSE(QFileInfo::exists(file)) << "the file is written when the export finishes";
    filter.Finish();
    EXPECT_EQ(FileBytes(file), ReadTestFile(QStringLiteral("text_export/two_pages.txt")));
}

} // namespace
} // namespace quorvel
