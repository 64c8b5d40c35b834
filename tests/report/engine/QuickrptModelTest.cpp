#include "report/support/ReportTestSupport.h"
#include "store/StoreTable.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

using testing::AddText;
using testing::ReportFixture;

TEST(QuickrptUnits, A4PageLengthsInEveryUnit) {
    ReportFixture f;
    TQRPage& page = f.report.Page();
    const std::vector<double> a4 = {100.0, 2970.0, 100.0, 2100.0, 100.0, 100.0, 0.0};
    EXPECT_EQ(page.WriteValues(), a4);
    EXPECT_EQ(page.Units(), TQRUnit::MM); // the tests' locale is metric
    EXPECT_DOUBLE_EQ(page.LeftMargin(), 10.0);
    page.SetUnits(TQRUnit::Inches);
    EXPECT_NEAR(page.LeftMargin(), 0.3937007874, 1e-10);
    page.SetUnits(TQRUnit::Pixels);
    EXPECT_NEAR(page.LeftMargin(), 37.795275590551, 1e-9);
    EXPECT_EQ(page.Pixels(TQRPage::iLeftMargin), 38);
    page.SetUnits(TQRUnit::Characters);
    // 10-point font: 80 ÷ 10 ÷ 2.54 characters per tenth, 145.3 ÷ 10 ÷ 2.54 lines.
    EXPECT_NEAR(page.LeftMargin(), 100.0 / (80.0 / 10 / 2.54) / 10, 1e-12);
    EXPECT_NEAR(page.TopMargin(), 100.0 / (145.3 / 10 / 2.54) / 10, 1e-12);
    page.SetUnits(TQRUnit::Native);
    EXPECT_DOUBLE_EQ(page.RightMargin(), 100.0);

    // Writing goes through the inverse, and the report's pixel size follows the page.
    page.SetUnits(TQRUnit::Pixels);
    page.SetTopMargin(19);
    EXPECT_NEAR(page.NativeValue(TQRPage::iTopMargin), 19 * 254.0 / 96, 1e-9);
    EXPECT_EQ(f.report.Width(), 794);
    EXPECT_EQ(f.report.Height(), 1123);
    f.report.SetZoom(50);
    EXPECT_EQ(f.report.Width(), 397);
    f.report.SetZoom(301); // out of range: ignored
    f.report.SetZoom(0);
    EXPECT_EQ(f.report.Zoom(), 50);
}

TEST(QuickrptUnits, BandAndPrintableBoundsFollowTheirSize) {
    ReportFixture f;
    TQRBand& band = f.AddBand(TQRBandType::rbDetail, "DetailBand1", 82.02083333333333);
    EXPECT_EQ(band.Height(), 31);
    // A pixel change on the design surface comes back into Size.
    band.SetHeight(40);
    EXPECT_NEAR(band.Size().NativeValue(TQRBandSize::iHeight), 40 * 254.0 / 96, 1e-9);

    testing::TTestText& text = AddText(band, {"x"}, 100, 50, 50, 500);
    EXPECT_EQ(text.Left(), 38);
    EXPECT_EQ(text.Top(), 19);
    EXPECT_EQ(text.Width(), 189);
    text.SetBounds(10, 20, 30, 40);
    EXPECT_NEAR(text.Size().NativeValue(TQRPrintableSize::iWidth), 30 * 254.0 / 96, 1e-9);
    EXPECT_EQ(text.Size().Units(), TQRUnit::MM); // a printable takes its report's unit
    EXPECT_NEAR(text.Size().Left(), 10 * 25.4 / 96, 1e-9);
}

TEST(QuickrptUnits, PaperSizeOrientationAndRefusedValues) {
    ReportFixture f;
    TQRPage& page = f.report.Page();
    page.SetOrientation(TPrinterOrientation::poLandscape);
    EXPECT_DOUBLE_EQ(page.NativeValue(TQRPage::iWidth), 2970);
    EXPECT_DOUBLE_EQ(page.NativeValue(TQRPage::iLength), 2100);
    page.SetOrientation(TPrinterOrientation::poPortrait);
    page.SetPaperSize(TQRPaperSize::Letter);
    EXPECT_DOUBLE_EQ(page.NativeValue(TQRPage::iWidth), 2159);
    EXPECT_DOUBLE_EQ(page.NativeValue(TQRPage::iLength), 2794);
    EXPECT_EQ(page.PaperSize(), TQRPaperSize::Letter);

    page.SetLength(500); // not Custom: ignored
    EXPECT_DOUBLE_EQ(page.NativeValue(TQRPage::iLength), 2794);
    page.SetPaperSize(TQRPaperSize::Custom);
    page.SetLength(500);
    page.SetWidth(100);
    EXPECT_DOUBLE_EQ(page.NativeValue(TQRPage::iLength), 5000);
    EXPECT_DOUBLE_EQ(page.NativeValue(TQRPage::iWidth), 1000);
    page.SetOrientation(TPrinterOrientation::poLandscape); // Custom keeps its lengths
    EXPECT_DOUBLE_EQ(page.NativeValue(TQRPage::iWidth), 1000);

    page.SetColumns(0);
    page.SetColumns(-2);
    EXPECT_EQ(page.Columns(), 1);
    page.SetColumns(3);
    EXPECT_EQ(page.Columns(), 3);
}

TEST(QuickrptStructure, BandSwitchesCreateNamedBandsAndDestroyThem) {
    ReportFixture f;
    f.Add<testing::TTestText>("TitleBand1"); // the name is taken: the next free one is used
    EXPECT_FALSE(f.report.Bands().HasTitle());
    f.report.Bands().SetHasTitle(true);
    ASSERT_TRUE(f.report.Bands().HasTitle());
    TQRCustomBand* title = f.report.Bands().BandOfIndex(1);
    EXPECT_EQ(title->Name(), "TitleBand2");
    EXPECT_EQ(title->Owner(), &f.form);
    f.report.Bands().SetHasTitle(true); // already there: no second one
    EXPECT_EQ(f.BandNames(), QStringList{"TitleBand2"});
    f.report.Bands().SetHasDetail(true);
    EXPECT_EQ(f.report.Bands().BandOfIndex(4)->Name(), "DetailBand1");
    EXPECT_EQ(f.report.Bands().BandOfIndex(5), nullptr); // no column footer
    f.report.Bands().SetHasTitle(false);
    EXPECT_EQ(f.form.FindComponent("TitleBand2"), nullptr);
    EXPECT_EQ(f.BandNames(), QStringList{"DetailBand1"});
}

TEST(QuickrptStructure, BandListOrderFollowsTheControllerTree) {
    ReportFixture f;
    // Made in an order unlike the printing order.
    f.AddBand(TQRBandType::rbPageFooter, "PageFooter");
    f.AddBand(TQRBandType::rbSummary, "Summary");
    TQRSubDetail& after = f.AddBandOf<TQRSubDetail>("SubAfter");
    f.AddBand(TQRBandType::rbDetail, "Detail");
    TQRGroup& outer = f.AddBandOf<TQRGroup>("Outer");
    TQRGroup& inner = f.AddBandOf<TQRGroup>("Inner");
    TQRBand& outerFooter = f.AddBand(TQRBandType::rbDetail, "OuterFooter");
    TQRBand& innerFooter = f.AddBand(TQRBandType::rbDetail, "InnerFooter");
    outer.SetFooterBand(&outerFooter);
    inner.SetFooterBand(&innerFooter);
    TQRSubDetail& before = f.AddBandOf<TQRSubDetail>("SubBefore");
    before.SetPrintBefore(true);
    TQRBand& subHeader = f.AddBand(TQRBandType::rbDetail, "SubHeader");
    TQRBand& subFooter = f.AddBand(TQRBandType::rbDetail, "SubFooter");
    after.SetHeaderBand(&subHeader);
    after.SetFooterBand(&subFooter);
    f.AddBand(TQRBandType::rbColumnHeader, "ColumnHeader");
    f.AddBand(TQRBandType::rbTitle, "Title");
    TQRBand& pageHeader = f.AddBand(TQRBandType::rbPageHeader, "PageHeader");
    pageHeader.SetHasChild(true);
    pageHeader.GetChild()->SetName("PageHeaderChild");
    // Nested sub-detail under SubAfter.
    TQRSubDetail& nested = f.AddBandOf<TQRSubDetail>("Nested");
    nested.SetMaster(&after);

    EXPECT_EQ(outerFooter.BandType(), TQRBandType::rbGroupFooter);
    EXPECT_EQ(subHeader.BandType(), TQRBandType::rbGroupHeader);
    EXPECT_EQ(after.Master(), &f.report); // placed on the report without a master
    const QStringList expected = {"PageHeader",  "PageHeaderChild", "Title",     "ColumnHeader",
                                  "Outer",       "Inner",           "SubBefore", "Detail",
                                  "SubHeader",   "SubAfter",        "Nested",    "SubFooter",
                                  "InnerFooter", "OuterFooter",     "Summary",   "PageFooter"};
    EXPECT_EQ(f.BandNames(), expected);

    // Geometry: full-width bands and, with two columns, the rest at the column width.
    f.report.Page().SetColumns(2);
    EXPECT_EQ(f.report.Bands().BandOfIndex(1)->Width(), 718);
    EXPECT_EQ(f.report.Bands().BandOfIndex(4)->Width(), 359);
    EXPECT_EQ(pageHeader.GetChild()->Width(), 718); // a child band goes by its parent's type
    EXPECT_EQ(f.report.Bands().BandOfIndex(1)->Left(), 38);
    EXPECT_EQ(f.report.BandList()[1]->Top(), 38 + pageHeader.Height());
}

TEST(QuickrptStructure, CyclesAreRefusedAndTheFirstDetailBandServes) {
    ReportFixture f;
    TQRBand& a = f.AddBand(TQRBandType::rbDetail, "A");
    TQRBand& b = f.AddBand(TQRBandType::rbDetail, "B");
    EXPECT_EQ(f.report.DataController().Detail(), &a);

    a.SetHasChild(true);
    auto* child = static_cast<TQRChildBand*>(a.GetChild());
    child->SetHasChild(true);
    auto* grandChild = static_cast<TQRChildBand*>(child->GetChild());
    child->SetParentBand(grandChild); // its own child: a cycle
    child->SetParentBand(child);
    EXPECT_EQ(child->ParentBand(), &a);
    EXPECT_EQ(f.BandNames().size(), 4);
    // Removing the child re-points its own child to the band.
    a.SetHasChild(false);
    EXPECT_EQ(grandChild->ParentBand(), &a);
    EXPECT_EQ(a.GetChild(), grandChild);

    a.SetLinkBand(&b);
    b.SetLinkBand(&a);
    EXPECT_EQ(b.LinkBand(), nullptr);

    TQRSubDetail& s1 = f.AddBandOf<TQRSubDetail>("S1");
    TQRSubDetail& s2 = f.AddBandOf<TQRSubDetail>("S2");
    s2.SetMaster(&s1);
    s1.SetMaster(&s2);
    EXPECT_EQ(s1.Master(), &f.report);
    s1.SetMaster(&s1);
    EXPECT_EQ(s1.Master(), &f.report);

    TQRGroup& group = f.AddBandOf<TQRGroup>("G");
    group.SetMaster(&a); // a group takes only a report or a controller band
    EXPECT_EQ(group.Master(), &f.report);
    group.SetMaster(&s2);
    EXPECT_EQ(group.Master(), &s2);
}

TEST(QuickrptStructure, DestroyingAComponentClearsEveryReferenceToIt) {
    ReportFixture f;
    TStoreTable table;
    TDataSetComponent& data = f.Add<TDataSetComponent>("Data");
    data.SetTable(&table);
    f.report.SetDataSet(&data);
    TQRSubDetail& sub = f.AddBandOf<TQRSubDetail>("Sub");
    sub.SetDataSet(&data);
    sub.Bands().SetHasHeader(true);
    sub.Bands().SetHasFooter(true);
    TQRCustomBand* header = sub.HeaderBand();
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->Name(), "GroupHeaderBand1");
    TQRGroup& group = f.AddBandOf<TQRGroup>("G");
    group.SetFooterBand(sub.FooterBand());

    f.form.DestroyComponent(data);
    EXPECT_EQ(f.report.DataSet(), nullptr);
    EXPECT_EQ(sub.DataSet(), nullptr);
    f.form.DestroyComponent(*header);
    EXPECT_EQ(sub.HeaderBand(), nullptr);
    sub.Bands().SetHasFooter(false);
    EXPECT_EQ(sub.FooterBand(), nullptr);
    EXPECT_EQ(group.FooterBand(), nullptr);
    EXPECT_FALSE(f.BandNames().contains("GroupFooterBand1"));
    f.form.DestroyComponent(sub);
    EXPECT_EQ(f.BandNames(), QStringList{"G"});
}

TEST(QuickrptStructure, PrintablesAreLaidRightOfEachOtherAndAligned) {
    ReportFixture f;
    TQRBand& band = f.AddBand(TQRBandType::rbDetail, "Detail", 100);
    TQRPrintable& first = band.AddPrintable<testing::TTestText>();
    TQRPrintable& second = band.AddPrintable<testing::TTestText>();
    EXPECT_EQ(first.Left(), 1);
    EXPECT_EQ(second.Left(), 21);
    EXPECT_EQ(first.Width(), 10);
    EXPECT_EQ(first.ParentReport(), &f.report);

    second.SetWidth(101);
    second.SetAlignment(TAlignment::taCenter);
    second.SetAlignToBand(true);
    EXPECT_EQ(second.Left(), (718 - 101) / 2);
    second.SetAlignment(TAlignment::taRightJustify);
    EXPECT_EQ(second.Left(), 718 - 101);
    f.report.Page().SetColumns(2); // the band narrows: the control follows
    EXPECT_EQ(second.Left(), 359 - 101);

    EXPECT_EQ(f.report.TextWidth(TFont(), QString()), 1);
    EXPECT_GT(f.report.TextHeight(TFont(), QStringLiteral("W")), 10);
}

TEST(QuickrptStructure, LabelSetupViewsPageAndDetailBand) {
    TReportForm form;
    TQuickLabelReport& labels = CreateComponent<TQuickLabelReport>(form);
    labels.SetUnits(TQRUnit::MM);
    labels.Page().SetPaperSize(TQRPaperSize::A4);
    TQRLabelSetup& setup = labels.LabelSetup();
    setup.SetUnits(TQRUnit::MM);
    ASSERT_NE(labels.Bands().BandOfIndex(4), nullptr); // a detail band from creation
    setup.SetNumberAcross(3);
    labels.Page().SetColumnSpace(5);
    setup.SetLabelWidth(60);
    // (210 − 3 × 60 − 2 × 5) ÷ 2 on each side.
    EXPECT_DOUBLE_EQ(setup.SideMargin(), 10);
    EXPECT_DOUBLE_EQ(labels.Page().RightMargin(), 10);
    setup.SetLabelHeight(30);
    setup.SetVerticalPitch(35);
    ASSERT_NE(labels.Bands().BandOfIndex(4)->GetChild(), nullptr);
    EXPECT_NEAR(setup.VerticalPitch(), 35, 1e-9);
    setup.SetLabelHeight(25); // the pitch stays
    EXPECT_NEAR(setup.VerticalPitch(), 35, 1e-9);
    setup.SetVerticalPitch(25); // pitch equal to the height: the child band goes
    EXPECT_EQ(labels.Bands().BandOfIndex(4)->GetChild(), nullptr);
}

} // namespace
} // namespace quorvel
