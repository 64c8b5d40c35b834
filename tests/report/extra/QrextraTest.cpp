#include "report/support/ReportTestSupport.h"

#include "platform/Canvas.h"
#include "platform/ScopeExit.h"
#include "report/controls/Qrctrls.h"
#include "report/extra/Qrextra.h"
#include "report/pagestore/QuickrptPreview.h"
#include "store/StoreField.h"
#include "store/StoreTable.h"

#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

using namespace testing;

// A form with a table of three rows: Code (display width 6), Unit Price, Name, a memo and a hidden
// field, and a data set component over it.
struct ListForm {
    TReportForm form{nullptr, QStringLiteral("TReportForm")};
    TStoreTable table;
    TDataSetComponent& data = CreateComponent<TDataSetComponent>(form);

    ListForm() {
        form.SetName(QStringLiteral("Form1"));
        data.SetName(QStringLiteral("Items"));
        table.AddField(QStringLiteral("Code"), TFieldType::Integer).SetDisplayWidth(6);
        table.AddField(QStringLiteral("Unit Price"), TFieldType::Float);
        table.AddField(QStringLiteral("Name"), TFieldType::String, 12);
        table.AddField(QStringLiteral("Notes"), TFieldType::Memo);
        table.AddField(QStringLiteral("Secret"), TFieldType::String, 5).SetVisible(false);
        table.FieldByName(QStringLiteral("Code")).SetDisplayLabel(QStringLiteral("Código"));
        table.CreateDataSet();
        for (int i = 1; i <= 3; ++i) {
            table.Append();
            table.FieldByName(QStringLiteral("Code")).SetAsInteger(i * 10);
            table.FieldByName(QStringLiteral("Name")).SetAsQString(QStringLiteral("Item %1").arg(i));
            table.Post();
        }
        table.First();
        data.SetTable(&table);
    }
};

QStringList Captions(const TQRCustomBand& band) {
    QStringList captions;
    for (const TQRPrintable* printable : band.Printables()) {
        if (const auto* expr = dynamic_cast<const TQRExpr*>(printable))
            captions.append(expr->Expression());
        else if (const auto* label = dynamic_cast<const TQRCustomLabel*>(printable))
            captions.append(label->Caption());
    }
    return captions;
}

TEST(ListReport, BuildsTitleColumnsAndPageNumbersAndPrintsTheRows) {
    ListForm f;
    TCustomQuickRep* report = nullptr;
    QRCreateList(report, f.form, &f.data, QStringLiteral("Itens"));
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report->Owner(), &f.form);

    const TQRCustomBand* title = report->Bands().BandOfIndex(1);
    const TQRCustomBand* header = report->Bands().BandOfIndex(3);
    const TQRCustomBand* detail = report->Bands().BandOfIndex(4);
    const TQRCustomBand* footer = report->Bands().BandOfIndex(6);
    ASSERT_TRUE(title && header && detail && footer);
    ASSERT_EQ(Captions(*title), QStringList{QStringLiteral("Itens")});
    const TFont& titleFont = title->Printables().front()->Font();
    EXPECT_EQ(titleFont.Name(), QStringLiteral("Arial"));
    EXPECT_EQ(titleFont.Size(), 14);
    EXPECT_TRUE(titleFont.Style().testFlag(TFontStyle::fsBold));
    EXPECT_EQ(Captions(*footer), QStringList{QStringLiteral("'Page ' + PageNumber")});

    // Unit Price (a blank in its name), the memo and the hidden field are left out.
    EXPECT_EQ(Captions(*header), (QStringList{QStringLiteral("Código"), QStringLiteral("Name")}));
    EXPECT_EQ(Captions(*detail), (QStringList{QStringLiteral("[Code]"), QStringLiteral("[Name]")}));

    // The Code column is as wide as six X in the label's font; each expression sits under its label.
    TQRCustomBand& spare = *report->Bands().BandOfIndex(6);
    TQRLabel& probe = spare.AddPrintable<TQRLabel>();
    probe.SetCaption(QStringLiteral("XXXXXX"));
    const std::vector<TQRPrintable*> labels = header->Printables();
    const std::vector<TQRPrintable*> exprs = detail->Printables();
    EXPECT_EQ(labels[0]->Width(), probe.Width());
    spare.Owner()->DestroyComponent(probe);
    for (std::size_t i = 0; i < labels.size(); ++i) {
        EXPECT_EQ(exprs[i]->Left(), labels[i]->Left());
        EXPECT_EQ(exprs[i]->Width(), labels[i]->Width());
        EXPECT_TRUE(labels[i]->Frame().DrawBottom);
    }
    EXPECT_GT(labels[1]->Left(), labels[0]->Left() + labels[0]->Width());
    EXPECT_EQ(exprs[0]->Alignment(), TAlignment::taRightJustify);
    EXPECT_EQ(header->Height(), static_cast<int>(std::lround(labels[0]->Height() * 1.5)));

    // Every component got a name of its own after its class.
    QStringList names;
    for (int i = 0; i < f.form.ComponentCount(); ++i)
        names.append(f.form.Component(i)->Name());
    EXPECT_FALSE(names.contains(QString()));
    EXPECT_TRUE(names.contains(QStringLiteral("QRLabel1")));
    EXPECT_TRUE(names.contains(QStringLiteral("QRExpr1")));

    report->Prepare();
    const QStringList texts = Texts(PageTexts(*report->QRPrinter()));
    EXPECT_EQ(texts, (QStringList{QStringLiteral("Itens"), QStringLiteral("Código"), QStringLiteral("Name"),
                                  QStringLiteral("10"), QStringLiteral("Item 1"), QStringLiteral("20"),
                                  QStringLiteral("Item 2"), QStringLiteral("30"), QStringLiteral("Item 3"),
                                  QStringLiteral("Page 1")}));
}

TEST(ListReport, GivenReportReceivesOnlyTheColumns) {
    ListForm f;
    TQuickRep& given = CreateComponent<TQuickRep>(f.form);
    TCustomQuickRep* report = &given;
    QRCreateList(report, f.form, &f.data, QStringLiteral("Itens"),
                 {QStringLiteral("Name"), QStringLiteral("Nope")});
    EXPECT_EQ(report, &given);
    EXPECT_EQ(given.Bands().BandOfIndex(1), nullptr);
    EXPECT_EQ(given.Bands().BandOfIndex(6), nullptr);
    ASSERT_NE(given.Bands().BandOfIndex(4), nullptr);
    EXPECT_EQ(Captions(*given.Bands().BandOfIndex(4)), QStringList{QStringLiteral("[Name]")});
    EXPECT_EQ(given.DataSet(), &f.data);
}

TEST(ListReport, WideListTurnsLandscapeAndDropsWhatStillDoesNotFit) {
    // The widths below are chosen for an A4 page with its 10 mm margins. The lists go onto reports
    // given that paper, since a report made by the builder starts with the paper of whatever
    // printer is installed.
    ListForm f;
    const auto a4Report = [&f]() -> TCustomQuickRep& {
        TQuickRep& report = CreateComponent<TQuickRep>(f.form);
        report.Page().SetPaperSize(TQRPaperSize::A4);
        report.Page().SetOrientation(TPrinterOrientation::poPortrait);
        return report;
    };
    f.table.FieldByName(QStringLiteral("Code")).SetDisplayWidth(60);
    f.table.FieldByName(QStringLiteral("Name")).SetDisplayWidth(30);
    TCustomQuickRep& wide = a4Report();
    TQRListBuilder builder(&f.form);
    builder.SetReport(&wide);
    builder.SetDataSet(&f.data);
    builder.SetFields({QStringLiteral("Code"), QStringLiteral("Name")});
    builder.SetActive(true);
    ASSERT_TRUE(builder.Active());
    EXPECT_EQ(wide.Page().Orientation(), TPrinterOrientation::poLandscape);
    EXPECT_EQ(Captions(*wide.Bands().BandOfIndex(4)),
              (QStringList{QStringLiteral("[Code]"), QStringLiteral("[Name]")}));

    // A third column of 80 characters does not fit across the landscape page either.
    f.table.FieldByName(QStringLiteral("Secret")).SetDisplayWidth(80);
    TCustomQuickRep& wider = a4Report();
    TQRListBuilder second(&f.form);
    second.SetReport(&wider);
    second.SetDataSet(&f.data);
    second.SetFields({QStringLiteral("Code"), QStringLiteral("Name"), QStringLiteral("Secret")});
    second.SetActive(true);
    ASSERT_TRUE(second.Active());
    EXPECT_EQ(wider.Page().Orientation(), TPrinterOrientation::poLandscape);
    EXPECT_EQ(Captions(*wider.Bands().BandOfIndex(4)),
              (QStringList{QStringLiteral("[Code]"), QStringLiteral("[Name]")}));
}

TEST(ListReport, BuilderOwnsItsReportUntilFetched) {
    ListForm f;
    const int before = f.form.ComponentCount();
    TQRListBuilder builder(&f.form);
    builder.SetActive(true); // no data set: nothing is built
    EXPECT_FALSE(builder.Active());
    EXPECT_EQ(builder.Report(), nullptr);
    EXPECT_EQ(f.form.ComponentCount(), before);

    builder.SetDataSet(&f.data);
    builder.SetActive(true);
    ASSERT_TRUE(builder.Active());
    EXPECT_GT(f.form.ComponentCount(), before + 1);
    builder.SetActive(false);
    EXPECT_EQ(builder.Report(), nullptr);
    // The report is gone; the bands and controls it was given stay with the form.
    for (int i = 0; i < f.form.ComponentCount(); ++i)
        EXPECT_EQ(dynamic_cast<TCustomQuickRep*>(f.form.Component(i)), nullptr);

    builder.SetActive(true);
    TCustomQuickRep* fetched = builder.FetchReport();
    EXPECT_FALSE(builder.Active());
    builder.SetTitle(QStringLiteral("Later"));
    ASSERT_NE(fetched, nullptr);
    EXPECT_EQ(fetched->Owner(), &f.form);
    EXPECT_EQ(fetched->Bands().BandOfIndex(1), nullptr);
}

// Draws two pages with one text each.
class TwoPageJob : public TQRPrintJob {
public:
    void CreateOutput(TQRPrinter& store) override {
        destination = store.Destination();
        printsStoredPages = store.PrintMetafileFromPreview();
        store.BeginDoc();
        for (int page = 1; page <= 2; ++page) {
            store.NewPage();
            store.Canvas().TextOut(store.XPos(100), store.YPos(100), QStringLiteral("Page %1").arg(page));
        }
        store.EndDoc();
        // Stands for the preview window: it shows the pages until the user closes it.
        store.SetShowingPreview(true);
        QTimer::singleShot(0, [this, &store] {
            shownPages = Texts(PageTexts(store));
            store.SetShowingPreview(false);
        });
    }
    TQRPrinterDestination destination = TQRPrinterDestination::qrdPrinter;
    QStringList shownPages;
    bool printsStoredPages = false;
};

TEST(PrintJob, PreviewShowsTheDrawnPagesUntilClosed) {
    TwoPageJob job;
    job.Preview();
    EXPECT_EQ(job.destination, TQRPrinterDestination::qrdMetafile);
    EXPECT_EQ(job.shownPages, (QStringList{QStringLiteral("Page 1"), QStringLiteral("Page 2")}));
    EXPECT_TRUE(job.printsStoredPages);
}

TEST(SavedReportHandler, OpensPreviewsWithoutSavingAndRecoversFromBadFiles) {
    QTemporaryDir dir;
    ReportFixture r;
    r.report.Page().SetOrientation(TPrinterOrientation::poLandscape);
    TQRBand& title = r.AddBand(TQRBandType::rbTitle, QStringLiteral("Title"), 100);
    AddText(title, {QStringLiteral("Saved")});
    r.report.Prepare();
    const QString file = dir.filePath(QStringLiteral("saved.qrp"));
    r.report.QRPrinter()->Save(file);

    TQRPHandler handler;
    handler.SetFilename(file);
    ASSERT_NE(handler.QRPrinter(), nullptr);
    EXPECT_EQ(Texts(PageTexts(*handler.QRPrinter())), QStringList{QStringLiteral("Saved")});

    // A stand-in for the preview window, opened through the preview interface, with its save button.
    QObject window;
    QObject control(&window);
    bool saveEnabled = true;
    bool waited = false;
    struct StandInPreview : TQRPreviewInterface {
        QObject* window = nullptr;
        QObject* control = nullptr;
        bool* saveEnabled = nullptr;
        bool* waited = nullptr;
        QObject* Show(TQRPrinter& store) override {
            store.SetPreviewControl(control);
            store.SetShowingPreview(true);
            // The interface is gone once Show returns, as every preview interface is: the timer
            // keeps what it needs, not the interface.
            QTimer::singleShot(0, [shown = window, waitedFlag = waited, &store] {
                *waitedFlag = true;
                store.ClosePreview(shown);
            });
            return window;
        }
        void DisableSaving(QObject& shown) override {
            if (&shown == window) *saveEnabled = false;
        }
    };
    RegisterPreviewClass([&] {
        auto preview = std::make_unique<StandInPreview>();
        preview->window = &window;
        preview->control = &control;
        preview->saveEnabled = &saveEnabled;
        preview->waited = &waited;
        return preview;
    });
    const ScopeExit standardAgain([] { RegisterPreviewClass({}); });
    handler.Preview();
    EXPECT_TRUE(waited);
    EXPECT_FALSE(saveEnabled);
    EXPECT_EQ(handler.Report().Page().Orientation(), TPrinterOrientation::poLandscape);

    const QString broken = dir.filePath(QStringLiteral("broken.qrp"));
    QFile out(broken);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(QByteArray(40, 'x'));
    out.close();
    EXPECT_ANY_THROW(handler.SetFilename(broken));
    EXPECT_EQ(handler.QRPrinter(), nullptr);
    EXPECT_EQ(handler.Filename(), QString());
    handler.Preview(); // nothing to show
    handler.SetFilename(file);
    EXPECT_NE(handler.QRPrinter(), nullptr);
}

} // namespace
} // namespace quorvel
