#include "report/support/ReportTestSupport.h"

#include "platform/MetafileFormat.h"
#include "platform/MetafileReader.h"
#include "platform/Rounding.h"
#include "report/controls/Qrctrls.h"
#include "report/pagestore/QrprntrFilter.h"
#include "store/StoreField.h"
#include "store/StoreTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <variant>

namespace quorvel {
namespace {

using testing::AddText;
using testing::PageText;
using testing::PageTexts;
using testing::ReportFixture;
using testing::Texts;
using testing::TTestText;

// Pixels at 96 per inch of a vertical or horizontal position in tenths of a millimetre.
int Px(double native) {
    return RoundHalfEven(native * 96.0 / 254.0);
}

// A table of (id, grupo, descr) rows, open and on its first row.
void FillTable(TStoreTable& table, const std::vector<std::pair<int, QString>>& rows, const QString& name) {
    table.Name = name;
    table.AddField("id", TFieldType::Integer);
    table.AddField("grupo", TFieldType::String, 20);
    table.AddField("descr", TFieldType::String, 40);
    table.CreateDataSet();
    for (const auto& [id, descr] : rows) {
        table.Append();
        table.FieldByName("id").SetAsInteger(id);
        table.FieldByName("grupo").SetAsQString(descr.left(1));
        table.FieldByName("descr").SetAsQString(descr);
        table.Post();
    }
    table.First();
}

// A text showing a field of the current record, with a prefix.
TTestText& AddField(TQRCustomBand& band, TStoreTable& table, const QString& field, const QString& prefix,
                    double top = 0) {
    TTestText& text = AddText(band, {}, 0, top);
    text.Source = [&table, field, prefix] {
        return QStringList{prefix + (table.IsEmpty() ? QString() : table.FieldByName(field).DisplayText())};
    };
    return text;
}

struct Report : ReportFixture {
    Report() { report.SetOptions(TTessalyOption::FirstPageHeader | TTessalyOption::LastPageFooter); }
    TDataSetComponent& Bind(TStoreTable& table, const QString& name) {
        TDataSetComponent& data = Add<TDataSetComponent>(name);
        data.SetTable(&table);
        return data;
    }
    std::vector<PageText> Run() {
        report.Prepare();
        return PageTexts(*report.QRPrinter());
    }
};

TEST(QuickrptEngine, SubDetailPerMasterRecordWithAndWithoutPrintIfEmpty) {
    for (const bool printIfEmpty : {true, false}) {
        SCOPED_TRACE(printIfEmpty);
        Report r;
        TStoreTable master;
        TStoreTable items;
        FillTable(master, {{1, "M1"}, {2, "M2"}}, "Master");
        FillTable(items, {{1, "S1a"}, {1, "S1b"}, {3, "S3"}}, "Items");
        // Moving through the master shows only its items (as the lot selection does).
        master.AfterScroll = [&](TStoreTable& t) {
            items.SetFilter("id = " + QString::number(t.FieldByName("id").AsInteger()));
            items.SetFiltered(true);
        };
        r.report.SetDataSet(&r.Bind(master, "CDSMaster"));
        TQRBand& pageHeader = r.AddBand(TQRBandType::rbPageHeader, "PageHeader", 100);
        AddText(pageHeader, {"PH"});
        pageHeader.SetHasChild(true);
        pageHeader.GetChild()->Size().SetNativeValue(TQRBandSize::iHeight, 50);
        AddText(*pageHeader.GetChild(), {"CH"});
        AddField(r.AddBand(TQRBandType::rbDetail, "Detail", 60), master, "descr", "");
        TQRSubDetail& sub = r.AddBandOf<TQRSubDetail>("Sub", 50);
        sub.SetDataSet(&r.Bind(items, "CDSItems"));
        sub.SetPrintIfEmpty(printIfEmpty);
        AddField(sub, items, "descr", "S:");
        TQRBand& groupHeader = r.AddBand(TQRBandType::rbDetail, "GroupHeader", 40);
        sub.SetHeaderBand(&groupHeader);
        AddText(groupHeader, {"GH"});
        AddText(r.AddBand(TQRBandType::rbPageFooter, "PageFooter", 80), {"PF"});

        const std::vector<PageText> texts = r.Run();
        const int footerY = Px(2970 - 100 - 80);
        const std::vector<PageText> withEmpty = {{1, "PH", 38, Px(100)},    {1, "CH", 38, Px(200)},
                                                 {1, "M1", 38, Px(250)},    {1, "GH", 38, Px(310)},
                                                 {1, "S:S1a", 38, Px(350)}, {1, "S:S1b", 38, Px(400)},
                                                 {1, "M2", 38, Px(450)},    {1, "GH", 38, Px(510)},
                                                 {1, "S:", 38, Px(550)},    {1, "PF", 38, footerY}};
        const std::vector<PageText> withoutEmpty = {{1, "PH", 38, Px(100)},    {1, "CH", 38, Px(200)},
                                                    {1, "M1", 38, Px(250)},    {1, "GH", 38, Px(310)},
                                                    {1, "S:S1a", 38, Px(350)}, {1, "S:S1b", 38, Px(400)},
                                                    {1, "M2", 38, Px(450)},    {1, "PF", 38, footerY}};
        EXPECT_EQ(texts, printIfEmpty ? withEmpty : withoutEmpty);
        EXPECT_EQ(r.report.QRPrinter()->PageCount(), 1);
    }
}

TEST(QuickrptEngine, EmptyMasterPrintsTitleDetailAndSummaryOnlyWhenAsked) {
    for (const bool printIfEmpty : {true, false}) {
        Report r;
        TStoreTable master;
        FillTable(master, {}, "Master");
        r.report.SetDataSet(&r.Bind(master, "CDSMaster"));
        r.report.SetPrintIfEmpty(printIfEmpty);
        AddText(r.AddBand(TQRBandType::rbTitle, "Title", 100), {"T"});
        AddField(r.AddBand(TQRBandType::rbDetail, "Detail", 60), master, "descr", "D:");
        AddText(r.AddBand(TQRBandType::rbSummary, "Summary", 70), {"S"});
        const std::vector<PageText> texts = r.Run();
        if (printIfEmpty) {
            const std::vector<PageText> expected = {
                {1, "T", 38, Px(100)}, {1, "D:", 38, Px(200)}, {1, "S", 38, Px(260)}};
            EXPECT_EQ(texts, expected);
        } else {
            EXPECT_TRUE(texts.empty());
            EXPECT_EQ(r.report.QRPrinter()->PageCount(), 0);
        }
    }

    // A closed table counts as a data set without rows.
    Report r;
    TStoreTable closed;
    FillTable(closed, {{1, "x"}}, "Closed");
    closed.Close();
    r.report.SetDataSet(&r.Bind(closed, "CDSClosed"));
    AddText(r.AddBand(TQRBandType::rbDetail, "Detail", 60), {"once"});
    EXPECT_EQ(Texts(r.Run()), QStringList{"once"});
}

TEST(QuickrptEngine, BandsThatDoNotFitMoveOnAndOnesTallerThanAPageStay) {
    Report r;
    TStoreTable master;
    FillTable(master, {{1, "a"}, {2, "b"}, {3, "c"}, {4, "d"}}, "Master");
    r.report.SetDataSet(&r.Bind(master, "CDSMaster"));
    TQRBand& detail = r.AddBand(TQRBandType::rbDetail, "Detail", 100);
    AddField(detail, master, "descr", "");
    // Heights per record: a fits; b does not fit below it; c is taller than an empty page; d follows.
    const double heights[] = {1500, 1500, 3000, 100};
    detail.BeforePrint = [&](TQRCustomBand& band, bool&) {
        band.Size().SetNativeValue(TQRBandSize::iHeight, heights[master.FieldByName("id").AsInteger() - 1]);
    };
    const std::vector<PageText> expected = {
        {1, "a", 38, Px(100)}, {2, "b", 38, Px(100)}, {2, "c", 38, Px(1600)}, {3, "d", 38, Px(100)}};
    EXPECT_EQ(r.Run(), expected);
}

TEST(QuickrptEngine, ForcedPageBreaksSkipTheFirstAfterTheTitle) {
    Report r;
    TStoreTable master;
    FillTable(master, {{1, "r1"}, {2, "r2"}, {3, "r3"}}, "Master");
    r.report.SetDataSet(&r.Bind(master, "CDSMaster"));
    AddText(r.AddBand(TQRBandType::rbTitle, "Title", 100), {"T"});
    TQRBand& detail = r.AddBand(TQRBandType::rbDetail, "Detail", 60);
    detail.SetForceNewPage(true);
    AddField(detail, master, "descr", "");
    TQRBand& pageHeader = r.AddBand(TQRBandType::rbPageHeader, "PageHeader", 50);
    AddText(pageHeader, {"PH"});
    r.report.SetOptions(TTessalyOption::LastPageFooter); // no page header on page 1
    const std::vector<PageText> expected = {{1, "T", 38, Px(100)},  {1, "r1", 38, Px(200)},
                                            {2, "PH", 38, Px(100)}, {2, "r2", 38, Px(150)},
                                            {3, "PH", 38, Px(100)}, {3, "r3", 38, Px(150)}};
    EXPECT_EQ(r.Run(), expected);
}

TEST(QuickrptEngine, PageFooterChildAndTheLastPage) {
    for (const bool lastPageFooter : {true, false}) {
        SCOPED_TRACE(lastPageFooter);
        Report r;
        TStoreTable master;
        FillTable(master, {{1, "r1"}}, "Master");
        r.report.SetDataSet(&r.Bind(master, "CDSMaster"));
        if (!lastPageFooter) r.report.SetOptions(TTessalyOption::FirstPageHeader);
        AddField(r.AddBand(TQRBandType::rbDetail, "Detail", 60), master, "descr", "");
        TQRBand& footer = r.AddBand(TQRBandType::rbPageFooter, "PageFooter", 80);
        AddText(footer, {"PF"});
        footer.SetHasChild(true);
        TQRCustomBand& footerChild = *footer.GetChild();
        footerChild.Size().SetNativeValue(TQRBandSize::iHeight, 40);
        AddText(footerChild, {"PFC"});
        TQRBand& summary = r.AddBand(TQRBandType::rbSummary, "Summary", 70);
        summary.SetAlignToBottom(true);
        AddText(summary, {"S"});
        const std::vector<PageText> texts = r.Run();
        // With the footer the summary sits right above it and its child, which both fit; without it
        // the summary takes the footer's space.
        const std::vector<PageText> withFooter = {{1, "r1", 38, Px(100)},
                                                  {1, "S", 38, Px(2970 - 70 - 100 - 120)},
                                                  {1, "PF", 38, Px(2970 - 100 - 120)},
                                                  {1, "PFC", 38, Px(2970 - 100 - 40)}};
        const std::vector<PageText> withoutFooter = {{1, "r1", 38, Px(100)},
                                                     {1, "S", 38, Px(2970 - 70 - 100)}};
        EXPECT_EQ(texts, lastPageFooter ? withFooter : withoutFooter);
        EXPECT_EQ(footerChild.BandType(), TQRBandType::rbChild);
    }
}

TEST(QuickrptEngine, LongStretchingTextContinuesOnTheNextPageUnderTheHeader) {
    Report r;
    QStringList lines;
    for (int i = 1; i <= 120; ++i)
        lines.append("L" + QString::number(i));
    TQRBand& pageHeader = r.AddBand(TQRBandType::rbPageHeader, "PageHeader", 100);
    AddText(pageHeader, {"PH"});
    TQRBand& detail = r.AddBand(TQRBandType::rbDetail, "Detail", 50);
    TTestText& text = AddText(detail, lines, 20, 0, 50);
    text.AutoStretch = true;
    AddText(r.AddBand(TQRBandType::rbPageFooter, "PageFooter", 100), {"PF"});

    const std::vector<PageText> texts = r.Run();
    // Below the header each page holds as many 5 mm lines as fit above the footer.
    const int perPage = (2970 - 100 - 100 - 100 - 100) / 50;
    int line = 1;
    for (int page = 1; page <= 3; ++page) {
        std::vector<PageText> onPage(texts.size());
        const auto end = std::copy_if(texts.begin(), texts.end(), onPage.begin(),
                                      [page](const PageText& t) { return t.page == page; });
        onPage.erase(end, onPage.end());
        ASSERT_FALSE(onPage.empty());
        EXPECT_EQ(onPage.front(), (PageText{page, "PH", 38, Px(100)}));
        EXPECT_EQ(onPage.back().text, "PF");
        const int count = static_cast<int>(onPage.size()) - 2;
        EXPECT_EQ(count, page < 3 ? perPage : 120 - 2 * perPage);
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(onPage[i + 1].text, "L" + QString::number(line));
            EXPECT_EQ(onPage[i + 1].y, Px(200 + 50 * i));
            EXPECT_EQ(onPage[i + 1].x, Px(120));
            ++line;
        }
    }
    EXPECT_EQ(r.report.QRPrinter()->PageCount(), 3);
}

// A line taller than an empty page can never be printed: the pass fails with an error naming the
// record instead of asking for pages for ever or ending the text early.
TEST(QuickrptEngine, ATextThatCannotGoOnFailsNamingItsRecordInsteadOfBeingCut) {
    Report r;
    TStoreTable master;
    FillTable(master, {{1, "r1"}, {2, "r2"}, {3, "r3"}}, "Master");
    r.report.SetDataSet(&r.Bind(master, "CDSMaster"));
    TQRBand& detail = r.AddBand(TQRBandType::rbDetail, "Detail", 50);
    TTestText& text = AddField(detail, master, "descr", "");
    text.SetName("DBdescr");
    text.AutoStretch = true;
    // Record 2's text is a line of 35 cm, on an A4 page.
    detail.BeforePrint = [&](TQRCustomBand&, bool&) {
        text.LineHeight = master.FieldByName("id").AsInteger() == 2 ? 3500 : 50;
    };
    try {
        r.report.Prepare();
        ADD_FAILURE() << "the pass ended without an error";
    } catch (const EQRError& e) {
        EXPECT_EQ(e.Message(),
                  QStringLiteral("Record 2: \"DBdescr\" on band \"Detail\" cannot be continued, not "
                                 "one more line of it fits on a new page"));
    }
    EXPECT_FALSE(r.report.Busy());
    // It gave up after two fresh pages that took nothing of the text.
    EXPECT_LE(r.report.PageNumber(), 3);
}

TEST(QuickrptEngine, SuppressedBandFiresAfterPrintAndItsChildStillPrints) {
    Report r;
    TStoreTable master;
    FillTable(master, {{1, "r1"}, {2, "r2"}}, "Master");
    r.report.SetDataSet(&r.Bind(master, "CDSMaster"));
    TQRBand& detail = r.AddBand(TQRBandType::rbDetail, "Detail", 60);
    AddField(detail, master, "descr", "");
    detail.SetHasChild(true);
    detail.GetChild()->Size().SetNativeValue(TQRBandSize::iHeight, 40);
    AddField(*detail.GetChild(), master, "descr", "child ");
    QStringList events;
    detail.BeforePrint = [&](TQRCustomBand&, bool& print) {
        print = master.FieldByName("id").AsInteger() != 1;
    };
    detail.AfterPrint = [&](TQRCustomBand& band, bool printed) {
        events.append(band.Name() + (printed ? " printed" : " suppressed"));
    };
    const std::vector<PageText> expected = {
        {1, "child r1", 38, Px(100)}, {1, "r2", 38, Px(140)}, {1, "child r2", 38, Px(200)}};
    EXPECT_EQ(r.Run(), expected);
    EXPECT_EQ(events, (QStringList{"Detail suppressed", "Detail printed"}));
}

TEST(QuickrptEngine, TwoColumnsFillDownThenAcrossThenOntoANewPage) {
    Report r;
    std::vector<std::pair<int, QString>> rows;
    for (int i = 1; i <= 60; ++i)
        rows.push_back({i, "r" + QString::number(i)});
    TStoreTable master;
    FillTable(master, rows, "Master");
    r.report.SetDataSet(&r.Bind(master, "CDSMaster"));
    r.report.Page().SetColumns(2);
    r.report.Page().SetColumnSpace(1); // 1 mm between the columns
    AddText(r.AddBand(TQRBandType::rbTitle, "Title", 270), {"T"});
    TQRBand& detail = r.AddBand(TQRBandType::rbDetail, "Detail", 100);
    TTestText& text = AddField(detail, master, "descr", "");
    const auto base = text.Source;
    text.Source = [&, base] {
        return QStringList{base().front() + "/" +
                           QString::number(r.report.Functions().Value("COLUMNNUMBER").IntResult)};
    };
    const std::vector<PageText> texts = r.Run();
    // 25 rows fit under the title in column 1; column 2 starts under the title too; then page 2.
    const int columnX = Px(100 + 10 + RoundHalfEven(detail.Size().NativeValue(TQRBandSize::iWidth)));
    ASSERT_EQ(texts.size(), 61u);
    EXPECT_EQ(texts[0], (PageText{1, "T", 38, Px(100)}));
    EXPECT_EQ(texts[1], (PageText{1, "r1/1", 38, Px(370)}));
    EXPECT_EQ(texts[25], (PageText{1, "r25/1", 38, Px(370 + 24 * 100)}));
    EXPECT_EQ(texts[26], (PageText{1, "r26/2", columnX, Px(370)}));
    EXPECT_EQ(texts[50], (PageText{1, "r50/2", columnX, Px(370 + 24 * 100)}));
    EXPECT_EQ(texts[51], (PageText{2, "r51/1", 38, Px(100)}));
    EXPECT_EQ(texts.back(), (PageText{2, "r60/1", 38, Px(100 + 9 * 100)}));
}

TEST(QuickrptEngine, RowByRowColumnsFillEachRowBelowItsTallestBandThenANewPage) {
    Report r;
    std::vector<std::pair<int, QString>> rows;
    for (int i = 1; i <= 51; ++i)
        rows.push_back({i, "r" + QString::number(i)});
    TStoreTable master;
    FillTable(master, rows, "Master");
    r.report.SetDataSet(&r.Bind(master, "CDSMaster"));
    r.report.Page().SetColumns(2);
    r.report.Page().SetColumnSpace(1);
    r.report.Page().SetPrintOrder(TQRPrintOrder::RowByRow);
    AddText(r.AddBand(TQRBandType::rbTitle, "Title", 270), {"T"});
    AddText(r.AddBand(TQRBandType::rbColumnHeader, "Heads", 50), {"H"});
    TQRBand& detail = r.AddBand(TQRBandType::rbDetail, "Detail", 100);
    TTestText& text = AddField(detail, master, "descr", "");
    text.AutoStretch = true;
    const auto base = text.Source;
    text.Source = [&, base] {
        QStringList lines{base().front() + "/" +
                          QString::number(r.report.Functions().Value("COLUMNNUMBER").IntResult)};
        if (master.FieldByName("id").AsInteger() == 3)
            lines << "x"
                  << "y"; // grows its band to 200
        return lines;
    };
    AddText(r.AddBand(TQRBandType::rbSummary, "Summary", 50), {"S"});
    const std::vector<PageText> texts = r.Run();

    const int columnX = Px(100 + 10 + RoundHalfEven(detail.Size().NativeValue(TQRBandSize::iWidth)));
    ASSERT_EQ(texts.size(), 1u + 2 + 51 + 2 + 2 + 1);
    const std::vector<PageText> firstRows(texts.begin(), texts.begin() + 11);
    const std::vector<PageText> expectedFirst = {
        {1, "T", 38, Px(100)},    {1, "H", 38, Px(370)},         {1, "H", columnX, Px(370)},
        {1, "r1/1", 38, Px(420)}, {1, "r2/2", columnX, Px(420)}, {1, "r3/1", 38, Px(520)},
        {1, "x", 38, Px(570)},    {1, "y", 38, Px(620)},         {1, "r4/2", columnX, Px(520)},
        {1, "r5/1", 38, Px(720)}, {1, "r6/2", columnX, Px(720)}};
    EXPECT_EQ(firstRows, expectedFirst);
    // 21 rows of 100 follow the tall one; the 22nd does not fit and starts page 2 under the heads.
    const std::vector<PageText> lastRows(texts.end() - 10, texts.end());
    const std::vector<PageText> expectedLast = {{1, "r45/1", 38, Px(720 + 20 * 100)},
                                                {1, "r46/2", columnX, Px(720 + 20 * 100)},
                                                {2, "H", 38, Px(100)},
                                                {2, "H", columnX, Px(100)},
                                                {2, "r47/1", 38, Px(150)},
                                                {2, "r48/2", columnX, Px(150)},
                                                {2, "r49/1", 38, Px(250)},
                                                {2, "r50/2", columnX, Px(250)},
                                                {2, "r51/1", 38, Px(350)},
                                                {2, "S", 38, Px(450)}}; // below the half-filled row
    EXPECT_EQ(lastRows, expectedLast);
}

// A detail band with each record's description, grouped on its first letter: the group's header
// shows the letter, its footer the group's last record.
void AddGroupedDetail(Report& r, TStoreTable& master) {
    AddField(r.AddBand(TQRBandType::rbDetail, "Detail", 50), master, "descr", "");
    TQRGroup& group = r.AddBandOf<TQRGroup>("Group", 50);
    group.SetExpression("Master.grupo");
    AddField(group, master, "grupo", "head ");
    TQRBand& footer = r.AddBand(TQRBandType::rbDetail, "GroupFooter", 50);
    group.SetFooterBand(&footer);
    AddField(footer, master, "descr", "last ");
}

TEST(QuickrptEngine, GroupsBreakOnTheirExpressionAndFootersSeeTheLastRecord) {
    Report r;
    TStoreTable master;
    FillTable(master, {{1, "A1"}, {2, "A2"}, {3, "B1"}, {4, "B2"}, {5, "B3"}}, "Master");
    r.report.SetDataSet(&r.Bind(master, "CDSMaster"));
    AddGroupedDetail(r, master);
    TQRLoopBand& loop = r.AddBandOf<TQRLoopBand>("Loop", 50);
    loop.SetPrintCount(2);
    loop.SetMaster(&r.report);
    TTestText& counter = AddText(loop, {});
    counter.Source = [&] {
        return QStringList{"loop " + QString::number(r.report.Functions().Value("LOOP").IntResult)};
    };
    EXPECT_EQ(Texts(r.Run()), (QStringList{"head A", "A1", "loop 0", "loop 1", "A2", "loop 0", "loop 1",
                                           "last A2", "head B", "B1", "loop 0", "loop 1", "B2", "loop 0",
                                           "loop 1", "B3", "loop 0", "loop 1", "last B3"}));
}

// A list shown a window of two rows at a time through one table, refilled at every move.
class TwoRowWindows : public TRecordWindows {
public:
    TwoRowWindows(TStoreTable& table, std::vector<std::pair<int, QString>> rows)
        : table_(table)
        , rows_(std::move(rows)) {}
    void ShowFirst() override { Show(0, false); }
    bool ShowNext() override {
        if ((window_ + 1) * 2 >= rows_.size()) return false;
        Show(window_ + 1, false);
        return true;
    }
    bool ShowPrior() override {
        if (window_ == 0) return false;
        Show(window_ - 1, true);
        return true;
    }
    int RecordCount() const override { return static_cast<int>(rows_.size()); }
    int shown = 0;

private:
    void Show(std::size_t window, bool onLast) {
        window_ = window;
        ++shown;
        table_.CreateDataSet();
        for (std::size_t i = 2 * window; i < std::min(rows_.size(), 2 * window + 2); ++i) {
            table_.Append();
            table_.FieldByName("id").SetAsInteger(rows_[i].first);
            table_.FieldByName("grupo").SetAsQString(rows_[i].second.left(1));
            table_.FieldByName("descr").SetAsQString(rows_[i].second);
            table_.Post();
        }
        onLast ? table_.Last() : table_.First();
    }
    TStoreTable& table_;
    std::vector<std::pair<int, QString>> rows_;
    std::size_t window_ = 0;
};

// The walk over a list two rows at a time prints what the whole table prints: a group's footer, seen
// after the next group's first row, goes back across the window's start to the group's last row.
TEST(QuickrptEngine, AListShownAWindowAtATimeWalksAsTheWholeTableGroupFootersIncluded) {
    Report r;
    TStoreTable master;
    const std::vector<std::pair<int, QString>> rows = {{1, "A1"}, {2, "A2"}, {3, "B1"}, {4, "B2"}, {5, "B3"}};
    FillTable(master, {rows[0]}, "Master");
    TwoRowWindows windows(master, rows);
    TDataSetComponent& data = r.Bind(master, "CDSMaster");
    data.SetWindows(&windows);
    r.report.SetDataSet(&data);
    AddGroupedDetail(r, master);
    TTestText& count = AddText(r.AddBand(TQRBandType::rbSummary, "Summary", 50), {});
    count.Source = [&] { return QStringList{"count " + QString::number(data.RecordCount())}; };
    EXPECT_EQ(Texts(r.Run()), (QStringList{"head A", "A1", "A2", "last A2", "head B", "B1", "B2", "B3",
                                           "last B3", "count 5"}));
    // First, the two moves on, and the move back and on again at the group's end.
    EXPECT_EQ(windows.shown, 5);
}

TEST(QuickrptEngine, ReportEventsInOrderAndPageNumbers) {
    Report r;
    TStoreTable master;
    FillTable(master, {{1, "r1"}, {2, "r2"}}, "Master");
    r.report.SetDataSet(&r.Bind(master, "CDSMaster"));
    TQRBand& detail = r.AddBand(TQRBandType::rbDetail, "Detail", 60);
    detail.SetForceNewPage(true);
    TTestText& page = AddText(detail, {});
    page.Source = [&] {
        return QStringList{"p" + QString::number(r.report.PageNumber()) + " " +
                           r.report.Functions().Value("PAGENUMBER").StrResult +
                           QString::number(r.report.Functions().Value("PAGENUMBER").IntResult) + " " +
                           r.report.Functions().Value("REPORTTITLE").StrResult};
    };
    r.report.SetReportTitle("Título");
    QStringList events;
    r.report.BeforePrint = [&](TCustomQuickRep&, bool&) { events.append("BeforePrint"); };
    r.report.OnStartPage = [&](TCustomQuickRep& rep) {
        events.append("Start " + QString::number(rep.PageNumber()));
    };
    r.report.OnEndPage = [&](TCustomQuickRep& rep) {
        events.append("End " + QString::number(rep.PageNumber()));
    };
    detail.BeforePrint = [&](TQRCustomBand&, bool&) { events.append("Band"); };
    EXPECT_EQ(Texts(r.Run()), (QStringList{"p1 1 Título", "p2 2 Título"}));
    EXPECT_EQ(events, (QStringList{"BeforePrint", "Band", "Start 1", "Band", "End 1", "Start 2", "End 2"}));

    // A report whose BeforePrint vetoes it begins no document.
    r.report.BeforePrint = [](TCustomQuickRep&, bool& print) { print = false; };
    r.report.Prepare();
    EXPECT_EQ(r.report.QRPrinter()->Status(), TQRPrinterStatus::mpReady);
}

TEST(QuickrptEngine, CancelStopsBeforeTheNextRecordAndLeavesTheLastPageUnfinished) {
    Report r;
    std::vector<std::pair<int, QString>> rows;
    for (int i = 1; i <= 100; ++i)
        rows.push_back({i, "r" + QString::number(i)});
    TStoreTable master;
    FillTable(master, rows, "Master");
    r.report.SetDataSet(&r.Bind(master, "CDSMaster"));
    TQRBand& detail = r.AddBand(TQRBandType::rbDetail, "Detail", 1000);
    AddField(detail, master, "descr", "");
    AddText(r.AddBand(TQRBandType::rbPageFooter, "PageFooter", 100), {"PF"});
    detail.AfterPrint = [&](TQRCustomBand&, bool) {
        if (master.FieldByName("id").AsInteger() == 5) r.report.Cancel();
    };
    const std::vector<PageText> texts = r.Run();
    // Two records per page: pages 1 and 2 are finished with their footers; the page of r5 gets no
    // footer (the page store decides whether it keeps that page) and r6 never prints.
    const QStringList finished = {"r1", "r2", "PF", "r3", "r4", "PF"};
    const QStringList all = Texts(texts);
    EXPECT_EQ(all.mid(0, 6), finished);
    EXPECT_TRUE(all.size() == 6 || (all.size() == 7 && all[6] == "r5")) << all.join(',').toStdString();
    EXPECT_TRUE(r.report.CancelRequested());
    EXPECT_FALSE(r.report.Busy());
    EXPECT_EQ(r.report.QRPrinter()->Status(), TQRPrinterStatus::mpFinished);
    EXPECT_TRUE(r.report.QRPrinter()->Cancelled());
}

// A pass starts afresh whatever the pass before left in the run state: a cancelled pass ends with the
// cancel request and the last-page mark still set, and the next pass must print every record and the
// footer of each page but the last. The cursor and the page counter stay after the pass, where a
// composite report picks them up.
TEST(QuickrptEngine, APassAfterACancelledOneStartsFromAFreshRunState) {
    Report r;
    TStoreTable master;
    FillTable(master, {{1, "r1"}, {2, "r2"}, {3, "r3"}}, "Master");
    r.report.SetDataSet(&r.Bind(master, "CDSMaster"));
    r.report.SetOptions(TTessalyOption::FirstPageHeader); // no footer on the last page
    TQRBand& detail = r.AddBand(TQRBandType::rbDetail, "Detail", 1000);
    AddField(detail, master, "descr", "");
    AddText(r.AddBand(TQRBandType::rbPageFooter, "PageFooter", 100), {"PF"});
    bool cancel = true;
    detail.AfterPrint = [&](TQRCustomBand&, bool) {
        if (cancel) r.report.Cancel();
    };
    EXPECT_EQ(Texts(r.Run()), QStringList{"r1"});
    ASSERT_TRUE(r.report.CancelRequested());
    ASSERT_TRUE(r.report.RunState().OnLastPage);

    cancel = false;
    const std::vector<PageText> expected = {{1, "r1", 38, Px(100)},
                                            {1, "r2", 38, Px(1100)},
                                            {1, "PF", 38, Px(2970 - 100 - 100)},
                                            {2, "r3", 38, Px(100)}};
    EXPECT_EQ(r.Run(), expected);
    EXPECT_FALSE(r.report.CancelRequested());
    EXPECT_FALSE(r.report.Busy());
    EXPECT_EQ(r.report.PageNumber(), 2);
    EXPECT_EQ(r.report.CursorY(), 2970 - 100 - 100);
    EXPECT_FALSE(r.report.RunState().BreakInProgress);
    EXPECT_FALSE(r.report.CompositePart());
}

TEST(QuickrptEngine, AnErrorInAHandlerStillEndsTheDocumentAndUnpreparesEverything) {
    Report r;
    TStoreTable master;
    FillTable(master, {{1, "r1"}, {2, "r2"}, {3, "r3"}}, "Master");
    r.report.SetDataSet(&r.Bind(master, "CDSMaster"));
    TQRBand& detail = r.AddBand(TQRBandType::rbDetail, "Detail", 60);
    TTestText& text = AddField(detail, master, "descr", "");
    TTestText& onReport = AddText(detail, {"x"});
    onReport.SetParent(&r.report);
    bool printingInHandler = false;
    detail.BeforePrint = [&](TQRCustomBand&, bool&) {
        printingInHandler = text.IsPrinting();
        if (master.FieldByName("id").AsInteger() == 2) throw Exception("falha no handler");
    };
    try {
        r.report.Prepare();
        ADD_FAILURE() << "the handler's error did not reach the caller";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "falha no handler");
    }
    EXPECT_TRUE(printingInHandler);
    EXPECT_FALSE(r.report.Busy());
    EXPECT_FALSE(text.IsPrinting());
    EXPECT_FALSE(onReport.IsPrinting());
    EXPECT_EQ(r.report.QRPrinter()->Status(), TQRPrinterStatus::mpFinished);
    EXPECT_EQ(r.report.Units(), TQRUnit::MM);
    EXPECT_FALSE(r.report.Functions().Prepared());
    // The report runs again afterwards.
    detail.BeforePrint = nullptr;
    EXPECT_EQ(Texts(r.Run()), (QStringList{"r1", "r2", "r3", "x"})); // the report's own text prints last
}

} // namespace
} // namespace quorvel

namespace quorvel {
namespace {

// Records the calls a report makes of its export filter.
class RecordingFilter : public TQRExportFilter {
public:
    RecordingFilter()
        : TQRExportFilter(QStringLiteral("unused.txt")) {}
    QStringList calls;
    void Start(int width, int length, const TFont& font) override {
        TQRExportFilter::Start(width, length, font);
        calls.append(QStringLiteral("Start %1 %2 %3").arg(width).arg(length).arg(font.Name()));
    }
    void EndPage() override { calls.append("EndPage"); }
    void NewPage() override { calls.append("NewPage"); }
    void Finish() override {
        TQRExportFilter::Finish();
        calls.append("Finish");
    }
    void AcceptBand(const TQRCustomBand& band, double x, double y, double expanded) override {
        calls.append(QStringLiteral("Band %1 %2 %3 %4").arg(band.Name()).arg(x).arg(y).arg(expanded));
    }
    void TextOut(double x, double y, const TFont&, TColor, TAlignment, const QString& text) override {
        calls.append(QStringLiteral("Text %1 %2 %3").arg(x).arg(y).arg(text));
    }
    bool recordGraphics = false;
    void AcceptGraphic(double x, double y, const TExportGraphic& graphic) override {
        if (!recordGraphics || graphic.Kind != TExportGraphicKind::egShape) return;
        calls.append(QStringLiteral("Shape %1 %2 %3x%4 type %5 pen %6 brush %7")
                         .arg(x)
                         .arg(y)
                         .arg(graphic.Width)
                         .arg(graphic.Height)
                         .arg(int(graphic.Shape))
                         .arg(int(graphic.Pen.Style()))
                         .arg(int(graphic.Brush.Style())));
    }
};

// The vertical lines of a page picture: each MOVETOEX followed by a LINETO to the same x.
struct PageLine {
    int x, top, bottom;
    friend bool operator==(const PageLine&, const PageLine&) = default;
    friend void PrintTo(const PageLine& l, std::ostream* out) {
        *out << "{x " << l.x << " from " << l.top << " to " << l.bottom << "}";
    }
};

std::vector<PageLine> VerticalLines(const TMetafile& picture) {
    std::vector<PageLine> lines;
    const emf::PointRecord* from = nullptr;
    for (const emf::Record& record : picture.Content().records) {
        const auto* point = std::get_if<emf::PointRecord>(&record.data);
        if (record.type == emf::EMR_MOVETOEX) from = point;
        if (record.type == emf::EMR_LINETO && from && point && point->x == from->x)
            lines.push_back({point->x, from->y, point->y});
    }
    return lines;
}

TEST(QuickrptOutput, ExportFeedsTheFilterInItsOrderAndKeepsNoPages) {
    Report r;
    TStoreTable master;
    FillTable(master, {{1, "r1"}, {2, "r2"}}, "Master");
    r.report.SetDataSet(&r.Bind(master, "CDSMaster"));
    TQRBand& detail = r.AddBand(TQRBandType::rbDetail, "Detail", 60);
    detail.SetForceNewPage(true);
    AddField(detail, master, "descr", "");
    TTestText& stretched = AddText(detail, {"a", "b"}, 0, 0, 50);
    stretched.AutoStretch = true;
    r.report.Prepare(); // the report's own page store stays as it was
    TQRPrinter* own = r.report.QRPrinter();

    RecordingFilter filter;
    r.report.ExportToFilter(filter);
    const QStringList expected = {
        "Start 2100 2970 Arial",  "EndPage", "NewPage", "Text 100 100 r1", "Text 100 100 a", "Text 100 150 b",
        "Band Detail 100 100 50", "EndPage", "NewPage", "Text 100 100 r2", "Text 100 100 a", "Text 100 150 b",
        "Band Detail 100 100 50", "EndPage", "Finish"};
    EXPECT_EQ(filter.calls, expected);
    EXPECT_EQ(filter.Report(), &r.report);
    EXPECT_EQ(filter.ReportQRPrinter(), own);
    EXPECT_EQ(r.report.QRPrinter(), own);
    EXPECT_FALSE(r.report.ExportMode());
    EXPECT_TRUE(r.report.DrawToCanvas());
    EXPECT_EQ(Texts(PageTexts(*own)), (QStringList{"r1", "a", "b", "r2", "a", "b"}));
}

TEST(QuickrptOutput, RuleTaggedToStretchRunsThroughTheBandsPrintedHeightOnThePageAndInTheExport) {
    Report r;
    TStoreTable master;
    FillTable(master, {{1, "r1"}}, "Master");
    r.report.SetDataSet(&r.Bind(master, "CDSMaster"));
    TQRBand& detail = r.AddBand(TQRBandType::rbDetail, "Detail", 100);
    TTestText& text = AddText(detail, {"a", "b", "c"}, 0, 0, 50);
    text.AutoStretch = true; // the band grows by 100 to 200
    const auto addRule = [&](int tag, TQRShapeType type) -> TQRShape& {
        TQRShape& rule = r.Add<TQRShape>(UniqueName(r.form, QStringLiteral("Rule")));
        rule.SetParent(&detail);
        rule.SetShape(type);
        rule.SetTag(tag);
        rule.Size().SetNativeValue(TQRPrintableSize::iLeft, 500);
        rule.Size().SetNativeValue(TQRPrintableSize::iTop, 0);
        rule.Size().SetNativeValue(TQRPrintableSize::iWidth, 20);
        rule.Size().SetNativeValue(TQRPrintableSize::iHeight, 100);
        return rule;
    };
    TQRShape& rule = addRule(1000, TQRShapeType::qrsVertLine);
    addRule(1000, TQRShapeType::qrsHorLine).SetEnabled(false); // only vertical lines stretch
    addRule(0, TQRShapeType::qrsVertLine).SetEnabled(false);
    ASSERT_EQ(detail.Width(), 718);
    ASSERT_EQ(rule.Left(), 189);
    ASSERT_EQ(rule.Width(), 8);

    r.report.Prepare();
    std::unique_ptr<TMetafile> page = r.report.QRPrinter()->GetPage(1);
    ASSERT_TRUE(page);
    // The shape's own line over its design height, then the rule from the band's top to its
    // stretched bottom (where the next band would start), at the shape's centre across the band's
    // printed width.
    const std::vector<PageLine> expected = {{(Px(600) + Px(620)) / 2, Px(100), Px(200)},
                                            {38 + 189 + 4, 38, Px(300)}};
    EXPECT_EQ(VerticalLines(*page), expected);

    RecordingFilter filter;
    filter.recordGraphics = true;
    r.report.ExportToFilter(filter);
    const QStringList expectedCalls = {
        "Start 2100 2970 Arial", "EndPage", "NewPage",
        // the band's background, no outline
        QStringLiteral("Shape 38 38 718x%1 type 0 pen 5 brush 0").arg(Px(200) - 38), "Text 100 100 a",
        "Text 100 150 b", "Text 100 200 c",
        // the shape in the box the page picture draws it in (its design width is 8 pixels)
        QStringLiteral("Shape 227 38 %1x38 type 2 pen 0 brush 0").arg(Px(620) - Px(600)),
        QStringLiteral("Shape 231 38 1x%1 type 2 pen 0 brush 1").arg(Px(300) - 38), "Band Detail 100 100 100",
        "EndPage", "Finish"};
    EXPECT_EQ(filter.calls, expectedCalls);
}

TEST(QuickrptOutput, BackgroundPassMakesThePagesOnAnotherThread) {
    Report r;
    std::vector<std::pair<int, QString>> rows;
    for (int i = 1; i <= 200; ++i)
        rows.push_back({i, "r" + QString::number(i)});
    TStoreTable master;
    FillTable(master, rows, "Master");
    r.report.SetDataSet(&r.Bind(master, "CDSMaster"));
    AddField(r.AddBand(TQRBandType::rbDetail, "Detail", 100), master, "descr", "");
    r.report.PreviewModeless();
    r.report.WaitForBackgroundPass();
    ASSERT_NE(r.report.QRPrinter(), nullptr);
    EXPECT_FALSE(r.report.Busy());
    EXPECT_EQ(r.report.QRPrinter()->Status(), TQRPrinterStatus::mpFinished);
    const std::vector<PageText> texts = PageTexts(*r.report.QRPrinter());
    ASSERT_EQ(texts.size(), 200u);
    EXPECT_EQ(texts.back(), (PageText{8, "r200", 38, Px(100 + 10 * 100)})); // 27 rows a page
}

} // namespace
} // namespace quorvel
