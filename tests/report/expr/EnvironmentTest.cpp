#include "report/expr/ExprTestSupport.h"

#include <QCoreApplication>

#include <atomic>
#include <thread>

namespace quorvel::testing {
namespace {

TEST(ExprEnvironment, EntriesAreFoundRegardlessOfCaseAndUsedByName) {
    TQREvEnvironment environment;
    environment.AddFunction("Rate", "2*3");
    environment.AddFunction("RATE", "99"); // not added again: the name exists
    environment.AddFunction("Label", "'n' + STR(rate)");
    EXPECT_EQ(environment.Names(), QStringList({"RATE", "LABEL"}));
    EXPECT_EQ(environment.Data(), QStringList({"2*3", "'n' + STR(rate)"}));
    EXPECT_TRUE(IsInt(environment.Value("rate"), 6));
    EXPECT_TRUE(IsString(environment.Value("label"), "n6"));
    EXPECT_TRUE(IsError(environment.Value("missing"), "Unknown function : missing"));

    TQREvaluator evaluator;
    evaluator.SetEnvironment(&environment);
    EXPECT_TRUE(IsInt(evaluator.Calculate("Rate * 10"), 60));
    EXPECT_TRUE(IsInt(evaluator.Calculate("[rate] + 1"), 7));

    TQRFiFo fiFo;
    fiFo.Put(environment.Element("RATE"));
    fiFo.Put(environment.Element("nope"));
    EXPECT_TRUE(IsInt(fiFo.NextValue(), 6));
    EXPECT_TRUE(IsError(fiFo.NextValue(), "Unknown function : nope"));
}

TEST(ExprEnvironment, DeletedEntriesReadAsUnknownNames) {
    TQREvEnvironment environment;
    environment.AddFunction("A", "1");
    TQREvaluator evaluator;
    evaluator.SetEnvironment(&environment);
    evaluator.Prepare("A + 1");
    EXPECT_TRUE(IsInt(evaluator.Value(), 2));
    environment.DeleteFunction("a");
    EXPECT_EQ(environment.Count(), 0);
    EXPECT_TRUE(IsError(evaluator.Value(), "Unknown function : A"));
    environment.AddFunction("B", "2");
    environment.Clear();
    EXPECT_EQ(environment.Count(), 0);
}

TEST(ExprEnvironment, RecursiveEntriesAreRefused) {
    TQREvEnvironment environment;
    environment.AddFunction("SELF", "SELF + 1");
    environment.AddFunction("PING", "PONG");
    environment.AddFunction("PONG", "PING");
    EXPECT_TRUE(IsError(environment.Value("SELF"), "Recursive calls not allowed"));
    EXPECT_TRUE(IsError(environment.Value("PING"), "Recursive calls not allowed"));
    // The guard is released after each evaluation, also after a refused one.
    environment.AddFunction("TWICE", "ONE + ONE");
    environment.AddFunction("ONE", "1");
    EXPECT_TRUE(IsInt(environment.Value("TWICE"), 2));
    EXPECT_TRUE(IsInt(environment.Value("TWICE"), 2));
}

TEST(ExprEnvironment, ConstantsArePublishedAndOverwrittenInPlace) {
    TQREvEnvironment environment;
    environment.SetIntegerConstant("PAGENUMBER", 1);
    environment.Prepare();
    TQREvaluator evaluator;
    evaluator.SetEnvironment(&environment);
    evaluator.Prepare("'Page ' + STR(PAGENUMBER)");
    EXPECT_TRUE(IsString(evaluator.Value(), "Page 1"));

    TQREvElement* constant = environment.GetConstant("PageNumber");
    ASSERT_NE(constant, nullptr);
    EXPECT_EQ(constant->Kind(), TQREvElementKind::Constant);
    EXPECT_TRUE(environment.UpdateConstant("PAGENUMBER", TQREvResult::Int(2)));
    EXPECT_EQ(environment.GetConstant("PAGENUMBER"), constant); // same element, new value
    EXPECT_TRUE(IsString(evaluator.Value(), "Page 2"));
    environment.SetIntegerConstant("PAGENUMBER", 3);
    EXPECT_TRUE(IsString(evaluator.Value(), "Page 3"));

    environment.SetFloatConstant("RATE", -1.5);
    environment.SetBooleanConstant("FLAG", true);
    environment.SetStringConstant("TITLE", "It's");
    EXPECT_TRUE(IsDouble(environment.Value("RATE"), -1.5));
    EXPECT_TRUE(IsBool(environment.Value("FLAG"), true));
    EXPECT_TRUE(IsString(environment.Value("TITLE"), "It's"));
    // An entry whose first element is no constant is not touched by UpdateConstant.
    environment.AddFunction("SUMMED", "1+2");
    EXPECT_FALSE(environment.UpdateConstant("SUMMED", TQREvResult::Int(9)));
    EXPECT_TRUE(IsInt(environment.Value("SUMMED"), 3));
    EXPECT_FALSE(environment.UpdateConstant("NONE", TQREvResult::Int(9)));

    TQRFiFo fiFo;
    fiFo.Put(std::make_unique<TQREvElementString>("a"));
    EXPECT_FALSE(UpdateConstant(fiFo.At(0), TQREvResult::Int(1)));
    EXPECT_TRUE(UpdateConstant(fiFo.At(0), TQREvResult::String("b")));
    EXPECT_TRUE(IsString(fiFo.NextValue(), "b"));
    environment.Unprepare();
}

TEST(ExprEnvironment, PreparationCountsBalance) {
    TQREvEnvironment environment;
    environment.AddFunction("X", "1");
    EXPECT_FALSE(environment.Prepared());
    environment.Prepare();
    environment.Prepare();
    EXPECT_TRUE(environment.GetConstant("X") != nullptr);
    environment.AddFunction("Y", "2"); // prepared at once
    EXPECT_NE(environment.GetConstant("Y"), nullptr);
    environment.Unprepare();
    EXPECT_TRUE(environment.Prepared());
    environment.Unprepare();
    EXPECT_FALSE(environment.Prepared());
    EXPECT_EQ(environment.GetConstant("X"), nullptr);
    environment.Unprepare(); // an extra call does not go below zero
    environment.Prepare();
    EXPECT_TRUE(environment.Prepared());
    environment.Unprepare();
    EXPECT_FALSE(environment.Prepared());
}

TEST(ExprEnvironment, GlobalEnvironmentIsPreparedWhileEvaluatorsAre) {
    TQREvEnvironment& global = QRGlobalEnvironment();
    EXPECT_FALSE(global.Prepared());
    EXPECT_TRUE(IsString(global.Value("AppName"), QCoreApplication::applicationName()));
    EXPECT_EQ(global.Value("APPSTARTDATE").Kind, TQREvResultType::resString);
    EXPECT_EQ(global.Value("AppStartTime").Kind, TQREvResultType::resString);
    {
        TQREvaluator first;
        TQREvaluator second;
        first.Prepare("1");
        second.Prepare("2");
        second.Prepare("3"); // preparing again does not count twice
        EXPECT_TRUE(global.Prepared());
        first.UnPrepare();
        EXPECT_TRUE(global.Prepared());
        second.UnPrepare();
        EXPECT_FALSE(global.Prepared());
        first.Prepare("1");
        EXPECT_TRUE(global.Prepared());
    } // destruction unprepares
    EXPECT_FALSE(global.Prepared());

    // Entries of another environment hold the global one only while prepared.
    {
        TQREvEnvironment local;
        local.AddFunction("L", "AppName");
        local.Prepare();
        EXPECT_TRUE(global.Prepared());
        EXPECT_TRUE(IsString(local.Value("L"), QCoreApplication::applicationName()));
        local.Unprepare();
        EXPECT_FALSE(global.Prepared());
        local.Prepare();
    }
    EXPECT_FALSE(global.Prepared());

    global.AddFunction("GLOBALTEST", "40+2");
    EXPECT_TRUE(IsInt(Eval("GlobalTest"), 42));
    TQREvEnvironment own;
    own.AddFunction("GLOBALTEST", "'own'");
    TQREvaluator evaluator;
    evaluator.SetEnvironment(&own);
    EXPECT_TRUE(IsString(evaluator.Calculate("GLOBALTEST"), "own")); // the own environment comes first
    global.DeleteFunction("GLOBALTEST");
    EXPECT_FALSE(global.Prepared());
}

TEST(ExprEnvironment, GlobalEntriesServeSeveralThreadsAtOnce) {
    QRGlobalEnvironment().AddFunction("THREADED", "6*7");
    std::atomic<int> wrong{0};
    auto work = [&] {
        for (int i = 0; i < 300; ++i) {
            TQREvaluator evaluator;
            evaluator.Prepare("THREADED + 1");
            const TQREvResult r = evaluator.Value();
            if (r.Kind != TQREvResultType::resInt || r.IntResult != 43) ++wrong;
        }
    };
    std::thread a(work), b(work), c(work);
    a.join();
    b.join();
    c.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_FALSE(QRGlobalEnvironment().Prepared());
    QRGlobalEnvironment().DeleteFunction("THREADED");
}

} // namespace
} // namespace quorvel::testing
