#include "report/expr/ExprTestSupport.h"

namespace quorvel::testing {
namespace {

TEST(ExprOperators, MixedKindsBecomeDoublesOrStrings) {
    EXPECT_TRUE(IsString(Eval("1 + 'a'"), "1a"));
    EXPECT_TRUE(IsString(Eval("'a' + 1"), "a1"));
    EXPECT_TRUE(IsString(Eval("TRUE+1"), "True1"));
    EXPECT_TRUE(IsString(Eval("'x'+FALSE"), "xFalse"));
    // Doubles turn into text with the locale's decimal separator.
    EXPECT_TRUE(IsString(Eval("1.5 + 'a'"), "1,5a"));
    EXPECT_TRUE(IsDouble(Eval("1 + 0.5"), 1.5));
    EXPECT_TRUE(IsDouble(Eval("0.5 * 4"), 2.0));
    EXPECT_TRUE(IsBool(Eval("1 = 1.0"), true));
    // Mixed kinds compare as text.
    EXPECT_TRUE(IsBool(Eval("10 < '9'"), true));
}

TEST(ExprOperators, BooleanArithmeticAndOrderingAreRefused) {
    EXPECT_TRUE(IsError(Eval("TRUE+FALSE"), "Cannot add boolean expressions"));
    EXPECT_TRUE(IsError(Eval("TRUE-FALSE"), "Cannot subtract boolean expressions"));
    EXPECT_TRUE(IsError(Eval("TRUE*FALSE"), "Cannot multiply boolean expressions"));
    EXPECT_TRUE(IsError(Eval("TRUE/FALSE"), "Cannot divide boolean expressions"));
    EXPECT_TRUE(IsError(Eval("TRUE<FALSE"), "Operator < is not compatible with boolean expressions"));
    EXPECT_TRUE(IsError(Eval("TRUE<=FALSE"), "Operator <= is not compatible with boolean expressions"));
    EXPECT_TRUE(IsError(Eval("TRUE>FALSE"), "Operator > is not compatible with boolean expressions"));
    EXPECT_TRUE(IsError(Eval("TRUE>=FALSE"), "Operator >= is not compatible with boolean expressions"));
    EXPECT_TRUE(IsBool(Eval("TRUE=FALSE"), false));
    EXPECT_TRUE(IsBool(Eval("TRUE<>FALSE"), true));
    EXPECT_TRUE(IsBool(Eval("TRUE or FALSE"), true));
    EXPECT_TRUE(IsBool(Eval("TRUE and FALSE"), false));
}

TEST(ExprOperators, StringsConcatenateAndCompareByCharacterCodes) {
    EXPECT_TRUE(IsString(Eval("'ab'+'cd'"), "abcd"));
    EXPECT_TRUE(IsBool(Eval("'b' < 'a'"), false));
    EXPECT_TRUE(IsBool(Eval("'B' < 'a'"), true));
    EXPECT_TRUE(IsBool(Eval("'ab' = 'ab'"), true));
    EXPECT_TRUE(IsBool(Eval("'ab' = 'ab '"), false));
    EXPECT_TRUE(IsBool(Eval("'ab' <> 'AB'"), true));
    EXPECT_TRUE(IsError(Eval("'a'-'b'"), "Cannot subtract string expressions"));
    EXPECT_TRUE(IsError(Eval("'a'*'b'"), "Cannot multiply string expressions"));
    EXPECT_TRUE(IsError(Eval("'a'/'b'"), "Cannot divide string expressions"));
    EXPECT_TRUE(IsError(Eval("'a' or 'b'"), "Operator OR is not compatible with string expressions"));
    EXPECT_TRUE(IsError(Eval("'a' and 'b'"), "Operator AND is not compatible with string expressions"));
}

TEST(ExprOperators, NumbersDivideIntoDoublesAndRefuseZero) {
    EXPECT_TRUE(IsDouble(Eval("6/3"), 2.0));
    EXPECT_TRUE(IsError(Eval("1/0"), "Cannot divide by 0"));
    EXPECT_TRUE(IsError(Eval("1.5/0.0"), "Cannot divide by 0"));
    EXPECT_TRUE(IsError(Eval("1/0.0"), "Cannot divide by 0"));
    EXPECT_TRUE(IsError(Eval("1.5 or 2.5"), "Operator OR is not compatible with numeric expressions"));
    EXPECT_TRUE(IsError(Eval("1.5 and 2"), "Operator AND is not compatible with numeric expressions"));
}

TEST(ExprOperators, IntegerOverflowContinuesAsDouble) {
    EXPECT_TRUE(IsDouble(Eval("2147483647+1"), 2147483648.0));
    EXPECT_TRUE(IsDouble(Eval("65536*65536"), 4294967296.0));
    EXPECT_TRUE(IsDouble(Eval("(0-2147483647)-2"), -2147483649.0));
    // Each operator overflows at both ends, and stays an integer right up to the limits.
    EXPECT_TRUE(IsDouble(Eval("(0-2147483647)+(0-2)"), -2147483649.0));
    EXPECT_TRUE(IsDouble(Eval("2147483647-(0-1)"), 2147483648.0));
    EXPECT_TRUE(IsDouble(Eval("65536*(0-65536)"), -4294967296.0));
    EXPECT_TRUE(IsInt(Eval("2147483646+1"), 2147483647));
    EXPECT_TRUE(IsInt(Eval("(0-2147483647)+(0-1)"), -2147483647 - 1));
    EXPECT_TRUE(IsInt(Eval("(0-2147483647)-1"), -2147483647 - 1));
    EXPECT_TRUE(IsInt(Eval("2147483646-(0-1)"), 2147483647));
    EXPECT_TRUE(IsInt(Eval("46340*46340"), 2147395600));
}

TEST(ExprOperators, TheLeftErrorWins) {
    EXPECT_TRUE(IsError(Eval("(1/0) + foo"), "Cannot divide by 0"));
    EXPECT_TRUE(IsError(Eval("1 + foo"), "Unknown function : foo"));
    EXPECT_TRUE(IsError(Eval("foo = bar"), "Unknown function : foo"));
}

TEST(ExprConversions, ResultsConvertOrRaise) {
    EXPECT_EQ(QREvResultToString(TQREvResult::Int(-12)), "-12");
    EXPECT_EQ(QREvResultToString(TQREvResult::Double(2.5)), "2,5");
    EXPECT_EQ(QREvResultToString(TQREvResult::Double(1e20)), "1E20");
    EXPECT_EQ(QREvResultToString(TQREvResult::Double(0.000001)), "1E-6");
    EXPECT_EQ(QREvResultToString(TQREvResult::Double(0.1 + 0.2)), "0,3");
    EXPECT_EQ(QREvResultToString(TQREvResult::Bool(true)), "True");
    EXPECT_EQ(QREvResultToString(TQREvResult::Bool(false)), "False");
    try {
        QREvResultToString(TQREvResult::Error("boom"));
        ADD_FAILURE() << "no exception";
    } catch (const EQRError& e) {
        EXPECT_EQ(e.Message(), "Error in expression : boom");
    }

    // Half to even.
    EXPECT_EQ(QREvResultToInt(TQREvResult::Double(2.5)), 2);
    EXPECT_EQ(QREvResultToInt(TQREvResult::Double(3.5)), 4);
    EXPECT_EQ(QREvResultToInt(TQREvResult::Double(-2.5)), -2);
    EXPECT_EQ(QREvResultToInt(TQREvResult::Double(2.6)), 3);
    try {
        QREvResultToInt(TQREvResult::String("1"));
        ADD_FAILURE() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Not a numeric value");
    }
    EXPECT_THROW(QREvResultToInt(TQREvResult::Double(1e12)), EConvertError);
    EXPECT_EQ(QREvResultToFloat(TQREvResult::Int(3)), 3.0);
    EXPECT_THROW(QREvResultToFloat(TQREvResult::Bool(true)), EConvertError);

    EXPECT_TRUE(QREvResultToBoolean(TQREvResult::String("tRuE")));
    EXPECT_FALSE(QREvResultToBoolean(TQREvResult::String("FALSE")));
    try {
        QREvResultToBoolean(TQREvResult::Int(1));
        ADD_FAILURE() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Not a boolean value");
    }

    EXPECT_EQ(QREvResultToVariant(TQREvResult::Int(7)), QVariant(7));
    EXPECT_EQ(QREvResultToVariant(TQREvResult::String("s")), QVariant(QString("s")));
    EXPECT_EQ(QREvResultToVariant(TQREvResult::Bool(true)), QVariant(true));
    EXPECT_THROW(QREvResultToVariant(TQREvResult::Error("x")), EQRError);
}

TEST(ExprConversions, EvaluatorConvertsItsValue) {
    TQREvaluator evaluator;
    evaluator.Prepare("5/2");
    EXPECT_EQ(evaluator.AsInteger(), 2);
    EXPECT_EQ(evaluator.AsFloat(), 2.5);
    EXPECT_EQ(evaluator.AsString(), "2,5");
    EXPECT_EQ(evaluator.AsVariant(), QVariant(2.5));
    EXPECT_THROW(evaluator.AsBoolean(), EConvertError);
    evaluator.Prepare("'true'");
    EXPECT_TRUE(evaluator.AsBoolean());
    evaluator.Prepare("1/0");
    EXPECT_THROW(evaluator.AsString(), EQRError);
}

} // namespace
} // namespace quorvel::testing
