// Field texts with a display mask: each record prints its own value through the mask, and a record
// whose field has no value prints nothing in that place, never the value of the record before it.

#include "report/support/QrctrlsTestSupport.h"

#include "store/Packet.h"
#include "store/StoreField.h"

#include <gtest/gtest.h>

#include <optional>

namespace quorvel::testing {
namespace {

struct MaskedRow {
    std::optional<int> number;
    std::optional<double> value;
    std::optional<TDateTimeValue> when;
};

TDateTimeValue At(int year, int month, int day, int hour, int minute) {
    std::int32_t days = 0;
    EXPECT_TRUE(DaysFromDate(year, month, day, days));
    return {days, (hour * 60 + minute) * 60000};
}

void AddRow(ControlsFixture& f, const MaskedRow& row) {
    f.table.Append();
    f.table.FieldByName(QStringLiteral("descr")).SetAsQString(QStringLiteral("x"));
    if (row.number) f.table.FieldByName(QStringLiteral("numitem")).SetAsInteger(*row.number);
    if (row.value) f.table.FieldByName(QStringLiteral("valor")).SetAsFloat(*row.value);
    if (row.when) f.table.FieldByName(QStringLiteral("quando")).SetValue(*row.when);
    f.table.Post();
}

TEST(QrctrlsMask, ANullFieldPrintsNothingWhereThePreviousRecordPrintedItsValue) {
    ControlsFixture f;
    // Integer, float and date-time fields, each with a value, then without, then with one again;
    // the float field's own display format (",0.00") gives way to the mask.
    AddRow(f, {7, 1234.5, At(2026, 3, 15, 9, 30)});
    AddRow(f, {std::nullopt, std::nullopt, std::nullopt});
    AddRow(f, {12, 0.25, At(2027, 1, 2, 0, 0)});
    AddRow(f, {std::nullopt, -3, std::nullopt});
    TQRDBText& number = f.FieldText(QStringLiteral("DBnumitem"), QStringLiteral("numitem"), 0, 0, 150);
    number.SetMask(QStringLiteral("000"));
    TQRDBText& value = f.FieldText(QStringLiteral("DBvalor"), QStringLiteral("valor"), 300, 0, 300);
    value.SetMask(QStringLiteral("R$ #,##0.000"));
    TQRDBText& when = f.FieldText(QStringLiteral("DBquando"), QStringLiteral("quando"), 800, 0, 400);
    when.SetMask(QStringLiteral("dd/mm/yyyy hh:nn"));

    const std::vector<PageText> texts = f.Run();
    // Each record's band is 7 mm below the one before it, under the 10 mm top margin.
    const auto at = [](double left, int record) {
        return std::pair{Px(100 + left), Px(100 + 70.0 * record)};
    };
    std::vector<PageText> expected = {
        {1, QStringLiteral("007"), at(0, 0).first, at(0, 0).second},
        {1, QStringLiteral("R$ 1.234,500"), at(300, 0).first, at(300, 0).second},
        {1, QStringLiteral("15/03/2026 09:30"), at(800, 0).first, at(800, 0).second},
        {1, QStringLiteral("012"), at(0, 2).first, at(0, 2).second},
        {1, QStringLiteral("R$ 0,250"), at(300, 2).first, at(300, 2).second},
        {1, QStringLiteral("02/01/2027 00:00"), at(800, 2).first, at(800, 2).second},
        {1, QStringLiteral("-R$ 3,000"), at(300, 3).first, at(300, 3).second},
    };
    EXPECT_EQ(texts, expected);

    // The text a control gives for the current record says the same, without a page: the first
    // record's value, then nothing for the second.
    const QStringList first{QStringLiteral("007"), QStringLiteral("R$ 1.234,500"),
                            QStringLiteral("15/03/2026 09:30")};
    int i = 0;
    for (TQRDBText* control : {&number, &value, &when}) {
        control->Prepare();
        f.table.First();
        QString text;
        control->GetFieldString(text);
        EXPECT_EQ(text, first[i++]);
        f.table.Next();
        control->GetFieldString(text);
        EXPECT_EQ(text, QString()) << control->Name().toStdString();
        control->UnPrepare();
    }
}

} // namespace
} // namespace quorvel::testing
