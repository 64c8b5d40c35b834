#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace quorvel::testing {

// Runs the current test again in a child process of this test program that cannot reach any print
// server (CUPS_SERVER names a socket that does not exist), and checks that it passed there. In the
// child, InChildWithoutPrintServer() is true and the test does its work.
inline bool InChildWithoutPrintServer() {
    return qEnvironmentVariableIsSet("QUORVEL_NO_PRINTER_CHILD");
}

inline void RunInChildWithoutPrintServer() {
    const ::testing::TestInfo& test = *::testing::UnitTest::GetInstance()->current_test_info();
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QUORVEL_NO_PRINTER_CHILD"), QStringLiteral("1"));
    environment.insert(QStringLiteral("CUPS_SERVER"),
                       QDir::temp().filePath(QStringLiteral("no-cups-here/socket")));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=%1.%2")
                     .arg(QString::fromLatin1(test.test_suite_name()), QString::fromLatin1(test.name()))});
    ASSERT_TRUE(child.waitForFinished(120000));
    const QString output = QString::fromUtf8(child.readAll());
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QLatin1String("[  PASSED  ] 1 test."))) << output.toStdString();
}

} // namespace quorvel::testing
