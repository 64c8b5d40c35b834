#include "report/support/ReportTestSupport.h"

#include "platform/ScriptedDialogs.h"
#include "store/StoreTable.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

using testing::ReportFixture;
using testing::TTestText;

QByteArray Fixture(const QString& name) {
    QFile file(QStringLiteral(QUORVEL_TEST_DATA "/layout/") + name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    return file.readAll();
}

// The engine's classes and the test printable with its lines.
TLayoutRegistry& TestRegistry() {
    static TLayoutRegistry registry = [] {
        TLayoutRegistry made;
        RegisterQuickrptLayoutClasses(made);
        made.Register<TTestText>(QStringLiteral("TTestText"), QStringLiteral("TQRPrintable"))
            .StringList<TTestText>(
                QStringLiteral("Lines.Strings"), [](const TTestText& t) { return t.Lines; },
                [](TTestText& t, const QStringList& lines) { t.Lines = lines; })
            .Boolean<TTestText>(
                QStringLiteral("AutoStretch"), [](const TTestText& t) { return t.AutoStretch; },
                [](TTestText& t, bool v) { t.AutoStretch = v; }, false);
        return made;
    }();
    return registry;
}

// The form a layout of the proposal kind is read into: the item table and the handlers it names.
struct FormWithHandlers {
    FormWithHandlers() {
        form.SetName("FormRelatorio");
        CreateComponent<TDataSetComponent>(form, &table).SetName("CDSDigitacao");
        form.RegisterHandler<void(TQRCustomBand&, bool&)>("ChildBand1BeforePrint",
                                                          [this](TQRCustomBand& band, bool& print) {
                                                              calls.append(band.Name());
                                                              print = false;
                                                          });
    }
    TStoreTable table;
    TReportForm form{nullptr, QStringLiteral("TFormRelatorio")};
    QStringList calls;
};

void BuildProposalLayout(FormWithHandlers& f) {
    TReportForm& form = f.form;
    auto& data = static_cast<TDataSetComponent&>(*form.FindComponent("CDSDigitacao"));
    TQuickRep& report = CreateComponent<TQuickRep>(form);
    report.SetName("QuickRep1");
    report.SetUnits(TQRUnit::MM);
    report.Page().SetPaperSize(TQRPaperSize::A4);
    report.SetDataSet(&data);
    report.SetReportTitle(QStringLiteral("Proposta de Preços"));
    report.SetOptions(TTessalyOption::FirstPageHeader);
    report.Description() = QStringList{"Itens", "com 'aspas'"};
    TFont font(QStringLiteral("Times New Roman"), 12, TFontStyle::fsBold);
    report.SetFont(font);

    TQRBand& header = CreateComponent<TQRBand>(form);
    header.SetName("PageHeaderBand1");
    header.SetParent(&report);
    header.SetBandType(TQRBandType::rbPageHeader);
    header.Size().SetNativeValue(TQRBandSize::iHeight, 82.02083333333333);
    header.Frame().DrawBottom = true;
    header.Frame().Width = 2;
    header.SetHasChild(true);
    auto& child = static_cast<TQRChildBand&>(*header.GetChild());
    child.SetName("ChildBand1");
    child.BeforePrint.Bind("ChildBand1BeforePrint",
                           form.Handler<void(TQRCustomBand&, bool&)>("ChildBand1BeforePrint"));

    TQRBand& detail = CreateComponent<TQRBand>(form);
    detail.SetName("DetailBand1");
    detail.SetParent(&report);
    detail.SetBandType(TQRBandType::rbDetail);
    detail.SetColor(RGBColor(0xF0, 0xF0, 0xF0));
    TTestText& text = CreateComponent<TTestText>(form);
    text.SetName("Descricao");
    text.SetParent(&detail);
    text.Lines = {"Caneta esferográfica", ""};
    text.AutoStretch = true;
    text.Size().SetNativeValue(TQRPrintableSize::iLeft, 12.5);
    text.Size().SetNativeValue(TQRPrintableSize::iWidth, 1344.083333333333);
    text.SetAlignment(TAlignment::taRightJustify);
    TFont small(QStringLiteral("Arial"), 8);
    text.SetFont(small);

    TQRGroup& group = CreateComponent<TQRGroup>(form);
    group.SetName("QRGroup1");
    group.SetParent(&report);
    group.SetExpression("CDSDigitacao.id_item");
    TQRBand& groupFooter = CreateComponent<TQRBand>(form);
    groupFooter.SetName("QRBand1");
    groupFooter.SetParent(&report);
    group.SetFooterBand(&groupFooter);

    TQRSubDetail& sub = CreateComponent<TQRSubDetail>(form);
    sub.SetName("QRSubDetail1");
    sub.SetParent(&report);
    sub.SetDataSet(&data);
    sub.SetPrintIfEmpty(false);
    sub.Bands().SetHasHeader(true);

    TQRLoopBand& loop = CreateComponent<TQRLoopBand>(form);
    loop.SetName("QRLoopBand1");
    loop.SetParent(&report);
    loop.SetPrintCount(3);
    loop.SetLinkBand(&detail);
}

TEST(Layout, WrittenByteForByteAndReadBackToTheSameBytes) {
    FormWithHandlers built;
    BuildProposalLayout(built);
    const QByteArray golden = Fixture("proposal.layout");
    const QByteArray written = WriteLayout(built.form, TestRegistry());
    EXPECT_EQ(written.toStdString(), golden.toStdString());

    FormWithHandlers read;
    ReadLayout(golden, read.form, TestRegistry());
    EXPECT_EQ(WriteLayout(read.form, TestRegistry()).toStdString(), golden.toStdString());

    // What was read is a working report: references, types, events and the loaded geometry.
    auto* report = dynamic_cast<TQuickRep*>(read.form.FindComponent("QuickRep1"));
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report->DataSet(), read.form.FindComponent("CDSDigitacao"));
    EXPECT_EQ(report->ReportTitle(), QStringLiteral("Proposta de Preços"));
    EXPECT_EQ(report->Font().Name(), "Times New Roman");
    EXPECT_EQ(report->Font().Size(), 12);
    auto* child = dynamic_cast<TQRChildBand*>(read.form.FindComponent("ChildBand1"));
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->ParentBand(), read.form.FindComponent("PageHeaderBand1"));
    bool print = true;
    child->BeforePrint(*child, print);
    EXPECT_FALSE(print);
    EXPECT_EQ(read.calls, QStringList{"ChildBand1"});
    auto* header = static_cast<TQRCustomBand*>(read.form.FindComponent("PageHeaderBand1"));
    EXPECT_EQ(header->Height(), 31);
    EXPECT_EQ(header->Width(), 718);
    auto* sub = static_cast<TQRSubDetail*>(read.form.FindComponent("QRSubDetail1"));
    EXPECT_EQ(sub->HeaderBand(), read.form.FindComponent("GroupHeaderBand1"));
    EXPECT_FALSE(sub->PrintIfEmpty());
    auto* text = static_cast<TTestText*>(read.form.FindComponent("Descricao"));
    EXPECT_EQ(text->Lines, (QStringList{"Caneta esferográfica", ""}));
    EXPECT_EQ(text->Font().Size(), 8);
    EXPECT_FALSE(text->ParentFont());
    EXPECT_TRUE(report->Functions().Find("QRLOOPBAND1"));
    QStringList names;
    for (const TQRCustomBand* band : report->BandList())
        names.append(band->Name());
    const QStringList order = {"PageHeaderBand1",  "ChildBand1",   "QRGroup1",    "DetailBand1",
                               "GroupHeaderBand1", "QRSubDetail1", "QRLoopBand1", "QRBand1"};
    EXPECT_EQ(names, order);
}

// A composite report is read with its handler, options, printer choices and title and written back
// to the same bytes; paper and orientation are written only once they were set (the print quality,
// stored apart from its default, always is, as for a report).
TEST(Layout, CompositeReportKeepsItsSettingsAndHandler) {
    const QByteArray text = Fixture("composite.layout");
    TReportForm form(nullptr, QStringLiteral("TReportForm"));
    form.SetName("Form1");
    int asked = 0;
    form.RegisterHandler<void(TComponent&)>("Composite1AddReports", [&](TComponent&) { ++asked; });
    ReadLayout(text, form, TestRegistry());
    auto* composite = dynamic_cast<TQRCompositeReport*>(form.FindComponent("Composite1"));
    ASSERT_NE(composite, nullptr);
    EXPECT_EQ(composite->Options(),
              TTessalyOptions(TTessalyOption::LastPageFooter | TTessalyOption::Compression));
    EXPECT_EQ(composite->PrinterSettings().Copies(), 2);
    EXPECT_EQ(composite->PrinterSettings().FirstPage(), 3);
    EXPECT_EQ(composite->PrinterSettings().PaperSize(), TQRPaperSize::Legal);
    EXPECT_EQ(composite->PrinterSettings().Orientation(), TPrinterOrientation::poLandscape);
    EXPECT_EQ(composite->ReportTitle(), QStringLiteral("Volume único"));
    composite->Prepare();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(WriteLayout(form, TestRegistry()).toStdString(), text.toStdString());

    TReportForm fresh(nullptr, QStringLiteral("TReportForm"));
    fresh.SetName("Form1");
    CreateComponent<TQRCompositeReport>(fresh).SetName("Composite1");
    EXPECT_EQ(WriteLayout(fresh, TestRegistry()).toStdString(),
              "object Form1: TReportForm\n  object Composite1: TQRCompositeReport\n"
              "    PrinterSettings.PrintQuality = 0\n  end\nend\n");
}

TEST(Layout, DefaultsAreNotWritten) {
    ReportFixture f;
    f.AddBand(TQRBandType::rbDetail, "DetailBand1");
    const QByteArray text = WriteLayout(f.form);
    EXPECT_FALSE(text.contains("PrintIfEmpty"));
    EXPECT_FALSE(text.contains("Functions."));
    EXPECT_FALSE(text.contains("Font."));
    EXPECT_FALSE(text.contains("Zoom"));
    EXPECT_TRUE(text.contains("      BandType = rbDetail\n"));
    EXPECT_TRUE(
        text.contains("    Page.Values = (\n      100.0\n      2970.0\n      100.0\n      2100.0\n      "
                      "100.0\n      100.0\n      0.0)\n"));
    // The stored default of the print quality is not its initial value, so a new report writes it.
    EXPECT_TRUE(text.contains("    PrinterSettings.PrintQuality = 0\n"));
}

struct BadLayout {
    const char* file;
    int line;
    const char* message;
};

TEST(Layout, DamagedLayoutsFailWithTheirLineAndLeaveNothingBehind) {
    const BadLayout cases[] = {
        {"empty.layout", 1, "'object' expected"},
        {"unknown-class.layout", 3, "Class TQRNothing not found"},
        {"unknown-property.layout", 4, "Property Bogus does not exist"},
        {"unterminated-string.layout", 3, "Unterminated string"},
        {"wrong-value-count.layout", 4, "Values holds 3 lengths, 2 expected"},
        {"duplicate-name.layout", 5, "A component named DetailBand1 already exists"},
        {"missing-reference.layout", 7, "Component CDSNada not found"},
        {"missing-handler.layout", 7, "Method NoHandler not found"},
        {"huge-integer.layout", 3, "Number too large"},
        {"wrong-kind.layout", 4, "Invalid value for property BandType"},
        {"missing-end.layout", 6, "'end' expected"},
        {"bad-character.layout", 2, "Invalid character (code 255)"},
    };
    for (const BadLayout& bad : cases) {
        SCOPED_TRACE(bad.file);
        FormWithHandlers f;
        const int before = f.form.ComponentCount();
        try {
            ReadLayout(Fixture(QString::fromLatin1(bad.file)), f.form, TestRegistry());
            ADD_FAILURE() << "read without error";
        } catch (const ELayoutError& e) {
            EXPECT_EQ(e.Line(), bad.line);
            EXPECT_TRUE(e.Message().contains(QString::fromUtf8(bad.message))) << e.Message().toStdString();
        }
        EXPECT_EQ(f.form.ComponentCount(), before);
        EXPECT_FALSE(f.form.IsLoading());
    }

    // Nesting is limited, however the objects are made.
    QByteArray deep;
    for (int i = 0; i < 40; ++i)
        deep += "object TQRBand\n";
    for (int i = 0; i < 40; ++i)
        deep += "end\n";
    FormWithHandlers f;
    EXPECT_THROW(ReadLayout(deep, f.form, TestRegistry()), ELayoutError);
    EXPECT_EQ(f.form.ComponentCount(), 1);
}

TEST(Layout, LoadReportGivesTheFirstReportOrShowsTheFailure) {
    ScriptedDialogs dialogs;
    ScopedDialogService scope(dialogs);
    QTemporaryDir dir;

    TQuickRep* report = QRLoadReport(QStringLiteral(QUORVEL_TEST_DATA "/layout/report-only.layout"));
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report->Name(), "QuickRep1");
    EXPECT_EQ(report->Bands().BandOfIndex(4)->Name(), "DetailBand1");
    QRFreeReport(report);
    EXPECT_TRUE(dialogs.Calls().empty());

    EXPECT_EQ(QRLoadReport(QStringLiteral(QUORVEL_TEST_DATA "/layout/band-first.layout")), nullptr);
    EXPECT_TRUE(dialogs.Calls().empty());

    EXPECT_EQ(QRLoadReport(dir.filePath("missing.layout")), nullptr);
    EXPECT_EQ(QRLoadReport(QStringLiteral(QUORVEL_TEST_DATA "/layout/unknown-class.layout")), nullptr);
    ASSERT_EQ(dialogs.Messages().size(), 2u);
    EXPECT_EQ(dialogs.MessageTexts(), (QStringList{"Error loading report", "Error loading report"}));
    EXPECT_EQ(dialogs.Messages()[0].icon, MessageIcon::Stop);
}

} // namespace
} // namespace quorvel
