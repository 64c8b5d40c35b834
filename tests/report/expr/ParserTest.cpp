#include "report/expr/ExprTestSupport.h"

namespace quorvel::testing {
namespace {

TEST(ExprPrecedence, ProductsBindTighterThanSums) {
    EXPECT_TRUE(IsInt(Eval("2+3*4"), 14));
    EXPECT_TRUE(IsInt(Eval("2*3+4"), 10));
    EXPECT_TRUE(IsInt(Eval("(2+3)*4"), 20));
    EXPECT_TRUE(IsInt(Eval(" 2 + 3 * 4 "), 14));
}

TEST(ExprPrecedence, ChainsOfOneLevelAssociateToTheLeft) {
    EXPECT_TRUE(IsInt(Eval("10-4-3"), 3));
    EXPECT_TRUE(IsInt(Eval("10-4+3"), 9));
    EXPECT_TRUE(IsInt(Eval("10-4-3-2"), 1));
    EXPECT_TRUE(IsInt(Eval("10+4-3"), 11));
    EXPECT_TRUE(IsDouble(Eval("7/2"), 3.5));
    EXPECT_TRUE(IsDouble(Eval("12/3*2"), 8.0));
    EXPECT_TRUE(IsDouble(Eval("8/2/2"), 2.0));
    // The swap leaves operators inside parentheses alone.
    EXPECT_TRUE(IsInt(Eval("10-(4-3)"), 9));
    EXPECT_TRUE(IsInt(Eval("10-(4+3)+1"), 4));
}

TEST(ExprPrecedence, SwapLeavesQuotedTextAlone) {
    EXPECT_TRUE(IsString(Eval("'a-b'+'c+d'"), "a-bc+d"));
    // After a "-" the "+" of the sum becomes "-" again, so a string minus gives its message.
    EXPECT_TRUE(IsError(Eval("'x'-'a+b'+'c'"), "Cannot subtract string expressions"));
}

TEST(ExprPrecedence, OneComparisonPerLevelAndAndNeedsParentheses) {
    EXPECT_TRUE(IsBool(Eval("(1=1) and (2=2)"), true));
    EXPECT_TRUE(IsBool(Eval("(1=1) AND (2=3)"), false));
    EXPECT_TRUE(IsBool(Eval("(1=2) or (2=2)"), true));
    EXPECT_TRUE(IsError(Eval("1=1 and 2=2"), "Illegal character in numeric contant \"2=2\""));
    EXPECT_TRUE(IsBool(Eval("1+1=2"), true));
    EXPECT_TRUE(IsBool(Eval("3<>4"), true));
    EXPECT_TRUE(IsBool(Eval("3<=3"), true));
    EXPECT_TRUE(IsBool(Eval("3>=4"), false));
    EXPECT_TRUE(IsBool(Eval("3>2"), true));
    EXPECT_TRUE(IsBool(Eval("3<2"), false));
    // "and" and "or" are words only between blanks.
    EXPECT_TRUE(IsInt(Eval("6 and 3"), 2));
    EXPECT_TRUE(IsInt(Eval("6 OR 1"), 7));
}

TEST(ExprPrecedence, UnaryMinusAndPlus) {
    EXPECT_TRUE(IsInt(Eval("-3"), -3));
    EXPECT_TRUE(IsInt(Eval("-3+5"), 2));
    EXPECT_TRUE(IsInt(Eval("+7"), 7));
    EXPECT_TRUE(IsInt(Eval("2*(-3)"), -6));
    EXPECT_TRUE(IsError(Eval("2*-3"), "Illegal character in numeric contant \"2*\""));
}

TEST(ExprNumbers, IntegersDoublesAndLocaleSeparator) {
    EXPECT_TRUE(IsInt(Eval("42"), 42));
    EXPECT_TRUE(IsInt(Eval("2147483647"), 2147483647));
    EXPECT_TRUE(IsDouble(Eval("2147483648"), 2147483648.0));
    EXPECT_TRUE(IsDouble(Eval("1.25"), 1.25));
    EXPECT_TRUE(IsDouble(Eval("2.5e3"), 2500.0));
    EXPECT_TRUE(IsDouble(Eval("1E3"), 1000.0));
}

TEST(ExprNumbers, IllegalCharactersAndFailedConversions) {
    EXPECT_TRUE(IsError(Eval("12a"), "Illegal character in numeric contant \"12a\""));
    EXPECT_TRUE(IsError(Eval("1,5"), "Illegal character in numeric contant \"1,5\""));
    EXPECT_TRUE(IsError(Eval("1.2.3"), "Illegal character in numeric contant \"1.2.3\""));
    // A signed exponent is split by the sum: "1E" is left alone.
    EXPECT_TRUE(IsError(Eval("1E-5"), "Illegal character in numeric contant \"1E\""));
    EXPECT_TRUE(IsError(Eval("3 4"), "Illegal character in numeric contant \"3 4\""));
}

TEST(ExprStrings, QuotedTextIsTakenUnchanged) {
    EXPECT_TRUE(IsString(Eval("'abc'"), "abc"));
    EXPECT_TRUE(IsString(Eval("''"), ""));
    EXPECT_TRUE(IsString(Eval("'a (b) [c] + d'"), "a (b) [c] + d"));
    EXPECT_TRUE(IsString(Eval(""), " "));
    EXPECT_TRUE(IsError(Eval("'abc"), "Missing '"));
}

TEST(ExprStrings, ResultsAreCutTo255Characters) {
    const QString longText(300, u'x');
    const TQREvResult r = Eval("'" + longText + "'");
    EXPECT_TRUE(IsString(r, QString(255, u'x')));
    EXPECT_EQ(Eval("'" + QString(200, u'a') + "'+'" + QString(200, u'b') + "'").StrResult.size(), 255);
    // A character outside the basic plane is not cut in half.
    const QString pair = QString::fromUtf8("\U0001D41A");
    EXPECT_TRUE(IsString(Eval("'" + QString(254, u'x') + pair + "'"), QString(254, u'x')));
}

TEST(ExprFaults, EveryFaultBecomesAnErrorElement) {
    EXPECT_TRUE(IsError(Eval("(1+2"), "Missing )"));
    EXPECT_TRUE(IsError(Eval("[abc"), "Missing ]"));
    EXPECT_TRUE(IsError(Eval("#"), "Error in expression : #"));
    EXPECT_TRUE(IsError(Eval("FOO(1)"), "Unknown function : FOO"));
    EXPECT_TRUE(IsError(Eval("foo"), "Unknown function : foo"));
    EXPECT_TRUE(IsError(Eval("[my name]"), "Unknown function : my name"));
    EXPECT_TRUE(IsError(Eval("abc(1"), "Unknown function : "));
    EXPECT_TRUE(IsError(Eval("1+"), "Illegal character in numeric contant \"1+\""));
}

TEST(ExprFaults, DeepNestingEndsInAnErrorInsteadOfExhaustingTheStack) {
    const QString deep = QString(5000, u'(') + "1" + QString(5000, u')');
    EXPECT_TRUE(Eval(deep).IsError());
    QString chain = "1";
    for (int i = 0; i < 5000; ++i)
        chain += "+1";
    EXPECT_TRUE(Eval(chain).IsError());
    EXPECT_TRUE(IsInt(Eval(QString(100, u'(') + "1" + QString(100, u')')), 1));
    const TQREvResult huge = Eval("'" + QString(70000, u'x') + "'");
    ASSERT_TRUE(huge.IsError());
    EXPECT_TRUE(huge.StrResult.startsWith("Error in expression : 'xxx"));
}

TEST(ExprNegation, NotNegatesBooleansOnly) {
    EXPECT_TRUE(IsBool(Eval("not TRUE"), false));
    EXPECT_TRUE(IsBool(Eval("NOT (1=2)"), true));
    EXPECT_TRUE(IsBool(Eval("not(1=1)"), false));
    EXPECT_TRUE(IsError(Eval("not 1"), "Invalid use of NOT"));
    EXPECT_TRUE(IsError(Eval("not 'a'"), "Invalid use of NOT"));
    // The first three letters decide, so a name that merely starts with them is a negation too.
    EXPECT_TRUE(IsError(Eval("nothing"), "Unknown function : hing"));
}

TEST(ExprEvaluator, ValueNeedsPrepareAndRepeatsOverTheSameList) {
    TQREvaluator evaluator;
    EXPECT_FALSE(evaluator.Prepared());
    EXPECT_THROW(evaluator.Value(), EQRError);
    try {
        evaluator.Value();
    } catch (const EQRError& e) {
        EXPECT_EQ(e.Message(), "Evaluator not prepared");
    }
    evaluator.Prepare("1+2");
    EXPECT_TRUE(evaluator.Prepared());
    EXPECT_TRUE(IsInt(evaluator.Value(), 3));
    EXPECT_TRUE(IsInt(evaluator.Value(), 3));
    evaluator.Prepare("'again'");
    EXPECT_TRUE(IsString(evaluator.Value(), "again"));
    evaluator.UnPrepare();
    EXPECT_FALSE(evaluator.Prepared());
    EXPECT_THROW(evaluator.Value(), EQRError);
    EXPECT_THROW(evaluator.DoAggregate(), EQRError);
}

} // namespace
} // namespace quorvel::testing
