#include "report/expr/ExprTestSupport.h"

#include <QDate>
#include <QLocale>
#include <QTime>

namespace quorvel::testing {
namespace {

TEST(ExprLibrary, RegistersTheBuiltInsInOrderWithTheirCodes) {
    const TQRFunctionLibrary& library = QRFunctionLibrary();
    ASSERT_GE(library.Count(), 21);
    const char* names[] = {"IF",    "STR", "UPPER", "LOWER", "PRETTY", "TIME",    "DATE",
                           "COPY",  "SUM", "COUNT", "MAX",   "MIN",    "AVERAGE", "TRUE",
                           "FALSE", "INT", "FRAC",  "SQRT",  "DIV",    "TYPEOF",  "FORMATNUMERIC"};
    for (int i = 0; i < 21; ++i)
        EXPECT_EQ(library.Entry(i).Name, names[i]) << i;
    const TQRLibraryEntry* div = library.Find(u"div");
    ASSERT_NE(div, nullptr);
    EXPECT_EQ(div->ArgumentCode, "2NN");
    EXPECT_EQ(div->Group(), 2);
    EXPECT_EQ(div->Description, "DIV(<X>, <Y>) | Integer division of <X> by <Y>");
    EXPECT_EQ(library.Find(u"IF")->Description,
              "IF(<Exp>, <X>, <Y>)|Returns <X> or <Y> depending on the boolean expression <Exp>");
    EXPECT_EQ(library.Entry(0).Vendor, library.Entry(20).Vendor);
    EXPECT_EQ(QRFunctionGroupName(library.Find(u"SUM")->Group()), "Statistical");

    TQRFiFo fiFo;
    fiFo.Put(library.GetFunction(u"nope"));
    EXPECT_TRUE(IsError(fiFo.NextValue(), "Unknown function : nope"));
}

class Shout final : public TQREvElementFunction {
protected:
    TQREvResult Calculate() override { return TQREvResult::String("!" + QString::number(ArgCount())); }
};

TEST(ExprLibrary, RegisteredFunctionsAreCalledByName) {
    RegisterQRFunction(QREvCreateFunction<Shout>, "SHOUT", "SHOUT|Test", "Tests", "6VV");
    EXPECT_TRUE(IsString(Eval("shout(1, 'a,b')"), "!2"));
    EXPECT_TRUE(IsString(Eval("SHOUT"), "!0"));
}

TEST(ExprFunctions, IfChoosesButEvaluatesBothBranches) {
    EXPECT_TRUE(IsString(Eval("IF(1<2, 'yes', 'no')"), "yes"));
    EXPECT_TRUE(IsInt(Eval("IF(FALSE, 1, 2)"), 2));
    EXPECT_TRUE(IsError(Eval("IF(1, 2, 3)"), "Wrong arguments for IF"));
    EXPECT_TRUE(IsError(Eval("IF(TRUE, 2)"), "Wrong arguments for IF"));
    // The branch not chosen is still evaluated, but its error does not surface.
    EXPECT_TRUE(IsInt(Eval("IF(TRUE, 1, 1/0)"), 1));
}

TEST(ExprFunctions, StrConvertsNumbersAndBooleans) {
    EXPECT_TRUE(IsString(Eval("STR(12)"), "12"));
    EXPECT_TRUE(IsString(Eval("STR(1.5)"), "1,5"));
    EXPECT_TRUE(IsString(Eval("STR(1=1)"), "True"));
    EXPECT_TRUE(IsError(Eval("STR('a')"), "Conversion error"));
    EXPECT_TRUE(IsError(Eval("STR(1, 2)"), "Conversion error"));
    EXPECT_TRUE(IsError(Eval("STR()"), "Conversion error"));
}

TEST(ExprFunctions, UpperLowerPretty) {
    EXPECT_TRUE(IsString(Eval("UPPER('ação')"), QString::fromUtf8("AÇÃO")));
    EXPECT_TRUE(IsString(Eval("LOWER('ÁbC')"), QString::fromUtf8("ábc")));
    EXPECT_TRUE(IsString(Eval("PRETTY('hELLO')"), "Hello"));
    EXPECT_TRUE(IsString(Eval("PRETTY('')"), ""));
    EXPECT_TRUE(
        IsString(Eval(QString::fromUtf8("PRETTY('\U0001D41Aabc')")), QString::fromUtf8("\U0001D41Aabc")));
    EXPECT_TRUE(IsError(Eval("UPPER()"), "Missing argument for UPPER"));
    EXPECT_TRUE(IsError(Eval("LOWER()"), "Missing argument for LOWER"));
    EXPECT_TRUE(IsError(Eval("PRETTY()"), "Missing argument for PRETTY"));
    EXPECT_TRUE(IsError(Eval("UPPER(1)"), "Wrong arguments for UPPER"));
    EXPECT_TRUE(IsError(Eval("LOWER(1/0)"), "Cannot divide by 0"));
}

TEST(ExprFunctions, TimeAndDateFollowTheLocale) {
    const TQREvResult date = Eval("DATE");
    ASSERT_EQ(date.Kind, TQREvResultType::resString);
    EXPECT_EQ(date.StrResult,
              QLocale().toString(QDate::currentDate(), QLocale().dateFormat(QLocale::ShortFormat)));
    const TQREvResult time = Eval("TIME");
    ASSERT_EQ(time.Kind, TQREvResultType::resString);
    EXPECT_TRUE(QLocale().toTime(time.StrResult, QLocale().timeFormat(QLocale::LongFormat)).isValid() ||
                time.StrResult.count(u':') == 2)
        << time.StrResult.toStdString();
    EXPECT_TRUE(IsError(Eval("TIME(1)"), "Too many arguments"));
    EXPECT_TRUE(IsError(Eval("DATE(1)"), "Too many arguments"));
}

TEST(ExprFunctions, CopyTakesWholeCharacters) {
    EXPECT_TRUE(IsString(Eval("COPY('abcdef', 2, 3)"), "bcd"));
    EXPECT_TRUE(IsString(Eval("COPY('abcdef', 0, 2)"), "ab"));
    EXPECT_TRUE(IsString(Eval("COPY('abcdef', 5, 10)"), "ef"));
    EXPECT_TRUE(IsString(Eval("COPY('abc', 9, 1)"), ""));
    EXPECT_TRUE(IsString(Eval("COPY('abc', 1, 0-1)"), ""));
    EXPECT_TRUE(
        IsString(Eval(QString::fromUtf8("COPY('a\U0001D41Ab', 2, 1)")), QString::fromUtf8("\U0001D41A")));
    EXPECT_TRUE(IsError(Eval("COPY('abc', 1)"), "Wrong arguments for COPY"));
    EXPECT_TRUE(IsError(Eval("COPY(1, 1, 1)"), "Wrong arguments for COPY"));
}

TEST(ExprFunctions, TrueAndFalseTakeNoArguments) {
    EXPECT_TRUE(IsBool(Eval("TRUE"), true));
    EXPECT_TRUE(IsBool(Eval("false"), false));
    EXPECT_TRUE(IsError(Eval("TRUE(1)"), "Too many arguments"));
    EXPECT_TRUE(IsError(Eval("FALSE(1)"), "Too many arguments"));
}

TEST(ExprFunctions, IntFracSqrt) {
    EXPECT_TRUE(IsInt(Eval("INT(-2.7)"), -2));
    EXPECT_TRUE(IsInt(Eval("INT(2.7)"), 2));
    EXPECT_TRUE(IsInt(Eval("INT(5)"), 5));
    EXPECT_TRUE(IsError(Eval("INT('5')"), "Wrong arguments for INT"));
    EXPECT_TRUE(IsError(Eval("INT(1e12)"), "Wrong arguments for INT"));
    EXPECT_TRUE(IsDouble(Eval("FRAC(2.25)"), 0.25));
    EXPECT_TRUE(IsDouble(Eval("FRAC(-2.25)"), -0.25));
    EXPECT_TRUE(IsDouble(Eval("FRAC(3)"), 0.0));
    EXPECT_TRUE(IsError(Eval("FRAC(TRUE)"), "Wrong arguments for FRAC"));
    EXPECT_TRUE(IsDouble(Eval("SQRT(16)"), 4.0));
    EXPECT_TRUE(IsDouble(Eval("SQRT(2.25)"), 1.5));
    EXPECT_TRUE(IsError(Eval("SQRT(0-4)"), "Invalid argument to SQRT function"));
    EXPECT_TRUE(IsError(Eval("SQRT('a')"), "Invalid argument to SQRT function"));
    EXPECT_TRUE(IsError(Eval("SQRT()"), "Invalid argument to SQRT function"));
}

TEST(ExprFunctions, DivRoundsHalfToEvenAndTruncates) {
    EXPECT_TRUE(IsInt(Eval("DIV(7,2)"), 3));
    EXPECT_TRUE(IsInt(Eval("DIV(0-7,2)"), -3));
    EXPECT_TRUE(IsInt(Eval("DIV(7.5,2.5)"), 4)); // 8 div 2
    EXPECT_TRUE(IsInt(Eval("DIV(6.5,2)"), 3));   // 6 div 2
    EXPECT_TRUE(IsError(Eval("DIV(7,0)"), "Division by Zero"));
    EXPECT_TRUE(IsError(Eval("DIV(7,0.4)"), "Division by Zero"));
    EXPECT_TRUE(IsError(Eval("DIV('7',2)"), "Wrong arguments for DIV"));
    EXPECT_TRUE(IsError(Eval("DIV(7)"), "Wrong arguments for DIV"));
}

TEST(ExprFunctions, TypeOfNamesTheKind) {
    EXPECT_TRUE(IsString(Eval("TYPEOF('x')"), "STRING"));
    EXPECT_TRUE(IsString(Eval("TYPEOF(1)"), "INTEGER"));
    EXPECT_TRUE(IsString(Eval("TYPEOF(1.5)"), "FLOAT"));
    EXPECT_TRUE(IsString(Eval("TYPEOF(1=1)"), "BOOLEAN"));
    EXPECT_TRUE(IsString(Eval("TYPEOF(1/0)"), "ERROR"));
    EXPECT_TRUE(IsError(Eval("TYPEOF(1,2)"), "Wrong arguments for TypeOf"));
}

TEST(ExprFunctions, FormatNumericUsesTheMask) {
    EXPECT_TRUE(IsString(Eval("FORMATNUMERIC(',0.00', 1234.5)"), "1.234,50"));
    EXPECT_TRUE(IsString(Eval("FORMATNUMERIC('0.00', 0-0.5)"), "-0,50"));
    EXPECT_TRUE(IsString(Eval("FORMATNUMERIC('###,##0.00', 1234567.891)"), "1.234.567,89"));
    EXPECT_TRUE(IsString(Eval("FORMATNUMERIC('0.0#', 2)"), "2,0"));
    EXPECT_TRUE(IsString(Eval("FORMATNUMERIC('#', 0)"), ""));
    EXPECT_TRUE(IsString(Eval("FORMATNUMERIC('R$ 0', 7)"), "R$ 7"));
    EXPECT_TRUE(IsString(Eval("FORMATNUMERIC('0;(0);zero', 0-3)"), "(3)"));
    EXPECT_TRUE(IsString(Eval("FORMATNUMERIC('0;(0);zero', 0)"), "zero"));
    EXPECT_TRUE(IsString(Eval("FORMATNUMERIC('0.00E+00', 12345)"), "1,23E+04"));
    EXPECT_TRUE(IsError(Eval("FORMATNUMERIC('0;0;0;0', 1)"), "Invalid format or value specified"));
    EXPECT_TRUE(IsError(Eval("FORMATNUMERIC('\"0', 1)"), "Invalid format or value specified"));
    EXPECT_TRUE(IsError(Eval("FORMATNUMERIC(1, 1)"), "Wrong arguments for FORMATNUMERIC"));
    EXPECT_TRUE(IsError(Eval("FORMATNUMERIC('0')"), "Wrong arguments for FORMATNUMERIC"));
}

} // namespace
} // namespace quorvel::testing
