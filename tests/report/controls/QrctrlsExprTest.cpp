// Expression controls printed into a page store: values, masks, aggregates and embedded expressions.

#include "report/support/QrctrlsTestSupport.h"

#include <gtest/gtest.h>

namespace quorvel::testing {
namespace {

TEST(QrctrlsExpressions, ValuesMasksAggregatesAndEmbeddedExpressionsPrintPerRecord) {
    ControlsFixture f;
    f.AddItem(1, QStringLiteral("Caneta"), 1234.5);
    f.AddItem(2, QStringLiteral("Lápis"), 0.25);
    f.AddItem(3, QStringLiteral("Borracha"), 10);
    TQRExpr& doubled = f.Place<TQRExpr>(f.detail, QStringLiteral("QRExpr1"), 0, 0, 200, 45);
    doubled.SetExpression(QStringLiteral("numitem * 2"));
    EXPECT_EQ(doubled.Caption(), QStringLiteral("numitem * 2"));
    TQRExpr& masked = f.Place<TQRExpr>(f.detail, QStringLiteral("QRExpr2"), 300, 0, 200, 45);
    masked.SetExpression(QStringLiteral("valor"));
    masked.SetMask(QStringLiteral(",0.00"));
    TQRExpr& failing = f.Place<TQRExpr>(f.detail, QStringLiteral("QRExpr3"), 600, 0, 600, 45);
    failing.SetExpression(QStringLiteral("FOO(1)"));
    TQRExprMemo& memo = f.Place<TQRExprMemo>(f.detail, QStringLiteral("QRExprMemo1"), 1300, 0, 500, 45);
    memo.SetAutoStretch(true);
    memo.SetRemoveBlankLines(true);
    memo.SetLines({QStringLiteral("Item {numitem}: {descr}"), QStringLiteral("{IF(numitem=2, 'dois', '')}"),
                   QStringLiteral("fim {1=1}")});

    TQRBand& summary = f.AddBand(TQRBandType::rbSummary, QStringLiteral("SummaryBand1"), 50);
    TQRExpr& total = f.Place<TQRExpr>(summary, QStringLiteral("QRExprTotal"), 0, 0, 300, 45);
    total.SetExpression(QStringLiteral("SUM(valor)"));
    total.SetMask(QStringLiteral(",0.00"));
    total.SetMaster(&f.report);
    TQRDBCalc& count = f.Place<TQRDBCalc>(summary, QStringLiteral("QRDBCalc1"), 400, 0, 300, 45);
    count.SetOperation(TQRCalcOperation::qrcCount);
    EXPECT_EQ(count.Expression(), QStringLiteral("Count"));
    TQRDBCalc& largest = f.Place<TQRDBCalc>(summary, QStringLiteral("QRDBCalc2"), 800, 0, 300, 45);
    largest.SetDataField(QStringLiteral("valor"));
    largest.SetOperation(TQRCalcOperation::qrcMax);
    EXPECT_EQ(largest.Expression(), QStringLiteral("Max(valor)"));

    const QStringList texts = Texts(f.Run());
    EXPECT_EQ(texts, (QStringList{
                         "2",
                         "1.234,50",
                         "Unknown function : FOO",
                         "Item 1: Caneta",
                         "fim True",
                         "4",
                         "0,25",
                         "Unknown function : FOO",
                         "Item 2: Lápis",
                         "dois",
                         "fim True",
                         "6",
                         "10,00",
                         "Unknown function : FOO",
                         "Item 3: Borracha",
                         "fim True",
                         "1.244,75",
                         "3",
                         "1234,5",
                     }));
    // The design texts are back once the pass is over.
    EXPECT_EQ(memo.Lines().first(), QStringLiteral("Item {numitem}: {descr}"));
    EXPECT_EQ(total.Caption(), QStringLiteral("SUM(valor)"));
}

} // namespace
} // namespace quorvel::testing
