#pragma once

// The CUPS queue of a test run, whose jobs land as PDF files (scripts/test-printer sets it up for
// ./test and names it in QUORVEL_TEST_PRINTER and QUORVEL_TEST_PRINTER_OUTPUT), and waiting for what
// it printed.
#include "platform/Printer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace quorvel::testing {

struct TestQueue {
    QString name;
    QDir output;
};

// The queue of the test run. ./test sets QUORVEL_REQUIRE_PRINTER, so a missing queue fails there
// instead of passing unnoticed.
inline std::optional<TestQueue> FindTestQueue(std::string& why, TPrinter& printer = Printer()) {
    const QString name = qEnvironmentVariable("QUORVEL_TEST_PRINTER");
    const QString output = qEnvironmentVariable("QUORVEL_TEST_PRINTER_OUTPUT");
    if (name.isEmpty() || output.isEmpty()) {
        why = "QUORVEL_TEST_PRINTER and QUORVEL_TEST_PRINTER_OUTPUT name no print queue";
        return std::nullopt;
    }
    if (!printer.Printers().contains(name)) printer.Refresh();
    if (!printer.Printers().contains(name)) {
        why = "the print system does not list the queue " + name.toStdString();
        return std::nullopt;
    }
    return TestQueue{name, QDir(output)};
}

#define REQUIRE_TEST_QUEUE(queue)                                                                            \
    std::string why;                                                                                         \
    const std::optional<::quorvel::testing::TestQueue> queue = ::quorvel::testing::FindTestQueue(why);       \
    if (!queue) {                                                                                            \
        if (qEnvironmentVariableIsSet("QUORVEL_REQUIRE_PRINTER")) FAIL() << why;                             \
        GTEST_SKIP() << why;                                                                                 \
    }

inline bool JobsPending(const QString& queue) {
    QProcess lpstat;
    lpstat.start(QStringLiteral("lpstat"), {QStringLiteral("-o"), queue});
    lpstat.waitForFinished(10000);
    return !lpstat.readAllStandardOutput().trimmed().isEmpty();
}

// cups-pdf names the file of a job after its title, blanks turned into underscores.
inline QStringList FilesOfJob(const TestQueue& queue, const QString& title) {
    const QString prefix = QString(title).replace(QLatin1Char(' '), QLatin1Char('_')) + QLatin1Char('_');
    return queue.output.entryList({prefix + QLatin1Char('*')}, QDir::Files);
}

// Waits until the queue has printed everything given to it, other tests' jobs included.
inline void WaitForQueue(const TestQueue& queue) {
    const QDeadlineTimer deadline(60000);
    while (JobsPending(queue.name) && !deadline.hasExpired())
        QThread::msleep(200);
}

// Waits for the job of this title to be printed and returns the text of its PDF, page by page.
inline QStringList WaitForPrintedPages(const TestQueue& queue, const QString& title) {
    const QDeadlineTimer deadline(60000);
    QString produced;
    while (!deadline.hasExpired()) {
        const QStringList files = FilesOfJob(queue, title);
        if (!files.isEmpty() && !JobsPending(queue.name)) {
            produced = queue.output.filePath(files.constFirst());
            break;
        }
        QThread::msleep(200);
    }
    if (produced.isEmpty())
        return {QStringLiteral("no PDF of \"%1\" appeared in %2").arg(title, queue.output.path())};
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), produced, QStringLiteral("-")});
    if (!pdftotext.waitForFinished(30000)) return {QStringLiteral("pdftotext did not finish")};
    QStringList pages = QString::fromUtf8(pdftotext.readAllStandardOutput()).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.constLast().trimmed().isEmpty()) pages.removeLast();
    return pages;
}

// cups-pdf names its files after the job title: a title of its own for every job keeps them apart.
inline QString UniqueTitle(const char* what) {
    static int jobs = 0;
    return QStringLiteral("Quorvel %1 %2-%3")
        .arg(QLatin1String(what))
        .arg(QCoreApplication::applicationPid())
        .arg(++jobs);
}

} // namespace quorvel::testing
