#include "report/export/ExternalReaders.h"
#include "report/export/FilterDriver.h"
#include "report/export/WmfReading.h"

#include "platform/Canvas.h"
#include "platform/Exceptions.h"
#include "platform/Metafile.h"
#include "platform/MetafileEnumerator.h"
#include "report/export/QrexportWmf.h"
#include "report/export/QrexportWmfConvert.h"
#include "report/pagestore/QrprntrPrinter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace quorvel {
namespace {

using namespace testing;

// A finished document of three pages, each naming itself, with a framed heading, item lines in two
// fonts and a rule. `pageStarted` runs as each page begins, the one before it complete.
void ThreePages(TQRPrinter& store, const std::function<void()>& pageStarted = {}) {
    store.BeginDoc();
    for (int page = 1; page <= 3; ++page) {
        store.NewPage();
        if (pageStarted) pageStarted();
        TCanvas& canvas = store.Canvas();
        canvas.Brush().SetStyle(TBrushStyle::bsClear);
        canvas.Rectangle(40, 30, 750, 80);
        canvas.SetFont(TFont(QStringLiteral("Arial"), 14, TFontStyle::fsBold));
        canvas.TextOut(60, 40 * page, QStringLiteral("Página %1").arg(page));
        canvas.SetFont(TFont(QStringLiteral("Times New Roman"), 11));
        for (int line = 0; line < 5 * page; ++line)
            canvas.TextOut(60, 140 + 22 * line,
                           QStringLiteral("Item %1 da página %2: lápis nº 2").arg(line + 1).arg(page));
        canvas.SetTextAlign(TA_RIGHT | TA_TOP);
        canvas.TextOut(740, 1000, QStringLiteral("R$ %1,00").arg(page * 1234));
        canvas.SetTextAlign(TA_LEFT | TA_TOP);
        canvas.MoveTo(40, 990);
        canvas.LineTo(750, 990);
    }
    store.EndDoc();
}

QString PageFile(const QString& base, int page, const QString& extension) {
    return base + QStringLiteral("%1.").arg(page, 3, 10, QLatin1Char('0')) + extension;
}

// The filter the preview's save dialog would make through a component's entry in the registry.
std::unique_ptr<TQRExportFilter> MadeThrough(const TQRExportFilterComponent& component,
                                             const QString& target) {
    for (const TQRExportFilterLibraryEntry& entry : QRExportFilterLibrary().Filters())
        if (entry.Component == &component) return entry.Create(target);
    ADD_FAILURE() << "the component offers no entry";
    return std::make_unique<TQRWMFExportFilter>(target);
}

void Export(TQRPrinter* store, const QString& target, const TQRWMFFilter* offeredBy = nullptr) {
    const std::unique_ptr<TQRExportFilter> made =
        offeredBy ? MadeThrough(*offeredBy, target) : std::make_unique<TQRWMFExportFilter>(target);
    TQRExportFilter& filter = *made;
    filter.SetReportQRPrinter(store);
    filter.Start(2100, 2970, TFont(QStringLiteral("Arial"), 10));
    filter.EndPage();
    filter.NewPage();
    filter.TextOut(100, 100, TFont(), clWhite, TAlignment::taLeftJustify, QStringLiteral("not used"));
    filter.EndPage();
    filter.Finish();
}

TEST(WmfExport, EveryStoredPageBecomesANumberedMetafile) {
    QTemporaryDir dir;
    TQRPrinter store;
    ThreePages(store);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("v1.2")));

    Export(&store, dir.filePath(QStringLiteral("v1.2/relatorio.wmf")));
    EXPECT_EQ(QDir(dir.filePath(QStringLiteral("v1.2"))).entryList(QDir::Files),
              (QStringList{QStringLiteral("relatorio001.wmf"), QStringLiteral("relatorio002.wmf"),
                           QStringLiteral("relatorio003.wmf")}));
    for (int page = 1; page <= 3; ++page) {
        const WmfReading reading = ReadWmf(
            FileBytes(PageFile(dir.filePath(QStringLiteral("v1.2/relatorio")), page, QStringLiteral("wmf"))));
        ASSERT_EQ(reading.Texts.size(), std::size_t(5 * page + 2));
        EXPECT_EQ(reading.Texts[0].Text, QStringLiteral("Página %1").arg(page));
        EXPECT_EQ(reading.Texts[1].Text, QStringLiteral("Item 1 da página %1: lápis nº 2").arg(page));
    }

    // Enhanced metafiles are the stored pages themselves, byte for byte.
    {
        TQRWMFFilter component(nullptr);
        component.SetEnhanced(true);
        Export(&store, dir.filePath(QStringLiteral("paginas")), &component);
        for (int page = 1; page <= 3; ++page)
            EXPECT_EQ(
                FileBytes(dir.filePath(QStringLiteral("paginas%1.emf").arg(page, 3, 10, QLatin1Char('0')))),
                store.GetPage(page)->SaveToBytes());
    }

    // Without the page store of the report there is nothing to save.
    Export(nullptr, dir.filePath(QStringLiteral("nada.wmf")));
    EXPECT_TRUE(QDir(dir.path()).entryList({QStringLiteral("nada*")}, QDir::Files).isEmpty());
}

// Pages handed over while the pass still fills the store are written beside it; the files are those
// of an export after the pass, and a failure on the writing thread reaches Finish, leaving nothing.
TEST(WmfExport, PagesHandedOverDuringThePassAreTheFilesOfAnExportAfterIt) {
    QTemporaryDir dir;
    const auto entries = [&] {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    };
    const auto passWithHandOver = [&](TQRPrinter& store, const QString& target, bool enhanced = false) {
        TQRWMFExportFilter filter(target);
        filter.SetEnhanced(enhanced);
        filter.Start(2100, 2970, TFont(QStringLiteral("Arial"), 10));
        ThreePages(store, [&] {
            if (store.AvailablePages() > 0) filter.PagesCompleted(store, store.AvailablePages());
        });
        filter.SetReportQRPrinter(&store);
        filter.Finish();
    };
    TQRPrinter followed;
    passWithHandOver(followed, dir.filePath(QStringLiteral("seguido.wmf")));
    TQRPrinter after;
    ThreePages(after);
    Export(&after, dir.filePath(QStringLiteral("depois.wmf")));
    for (int page = 1; page <= 3; ++page)
        EXPECT_EQ(FileBytes(PageFile(dir.filePath(QStringLiteral("seguido")), page, QStringLiteral("wmf"))),
                  FileBytes(PageFile(dir.filePath(QStringLiteral("depois")), page, QStringLiteral("wmf"))))
            << page;

    // Enhanced metafiles handed over are the pages the pass stored, byte for byte.
    {
        TQRPrinter enhanced;
        passWithHandOver(enhanced, dir.filePath(QStringLiteral("seguido.emf")), true);
        for (int page = 1; page <= 3; ++page)
            EXPECT_EQ(
                FileBytes(PageFile(dir.filePath(QStringLiteral("seguido")), page, QStringLiteral("emf"))),
                enhanced.GetPage(page)->SaveToBytes())
                << page;
    }

    // The second page's name is taken by a folder: that page is written while the pass runs, and the
    // failure comes out of Finish with no page of the set in place and no staging folder left.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("falha002.wmf")));
    const QStringList before = entries();
    TQRPrinter failing;
    try {
        passWithHandOver(failing, dir.filePath(QStringLiteral("falha.wmf")));
        ADD_FAILURE() << "the export went through";
    } catch (const Exception& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("falha002.wmf"))) << e.Message().toStdString();
        EXPECT_TRUE(e.Message().contains(QStringLiteral("folder"))) << e.Message().toStdString();
    }
    EXPECT_EQ(entries(), before);

    // A pass that fails after handing pages over leaves nothing either.
    {
        TQRPrinter store;
        TQRWMFExportFilter filter(dir.filePath(QStringLiteral("abandonado.wmf")));
        filter.Start(2100, 2970, TFont(QStringLiteral("Arial"), 10));
        ThreePages(store, [&] {
            if (store.AvailablePages() > 0) filter.PagesCompleted(store, store.AvailablePages());
        });
    }
    EXPECT_EQ(entries(), before);
}

// The office suite draws every page file as our own playback draws the page picture: the three
// pages of the filter and a denser page converted on its own. The comparison notices a page that
// differs by one missing and one moved text.
TEST(WmfExport, OfficeSuiteDrawsEveryMetafileLikeItsPagePicture) {
    QTemporaryDir dir;
    TQRPrinter store;
    ThreePages(store);
    const QString base = dir.filePath(QStringLiteral("pagina"));
    Export(&store, base + QStringLiteral(".wmf"));

    TMetafile dense;
    dense.LoadFromFile(QStringLiteral(QUORVEL_TEST_DATA "/wmf_export/report_page.emf"));
    const QString denseFile = dir.filePath(QStringLiteral("report_page.wmf"));
    {
        QFile file(denseFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(ConvertToPlaceableWmf(dense));
    }

    const QStringList files{PageFile(base, 1, "wmf"), PageFile(base, 2, "wmf"), PageFile(base, 3, "wmf"),
                            denseFile};
    const OfficeConversion converted = ConvertWithOffice(files, QStringLiteral("png"), dir.path());
    ASSERT_EQ(converted.Error, QString());
    std::vector<TMetafile> pictures;
    for (int page = 1; page <= 3; ++page)
        pictures.push_back(*store.GetPage(page));
    pictures.push_back(dense);
    for (int i = 0; i < 4; ++i) {
        const QImage drawn = OnWhite(QImage(converted.Files[i]));
        ASSERT_FALSE(drawn.isNull()) << converted.Files[i].toStdString();
        QImage blank(drawn.size(), QImage::Format_RGB32);
        blank.fill(Qt::white);
        EXPECT_FALSE(InkMismatches(blank, drawn).empty()) << "the office suite drew the page";
        for (const auto& m : InkMismatches(PlayAsOfficePage(pictures[std::size_t(i)], drawn.size()), drawn))
            ADD_FAILURE() << files[i].toStdString() << ": tile " << m.Tile.x() << "," << m.Tile.y()
                          << " differs, share " << m.Share;
    }

    TMetafile altered;
    altered.LoadFromFile(QStringLiteral(QUORVEL_TEST_DATA "/wmf_export/report_page_altered.emf"));
    const QImage denseDrawn = OnWhite(QImage(converted.Files[3]));
    EXPECT_GE(InkMismatches(PlayAsOfficePage(altered, denseDrawn.size()), denseDrawn).size(), 4u);
}

} // namespace
} // namespace quorvel
