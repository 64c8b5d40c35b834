#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

// Fixtures and the external readers (qpdf, poppler, a headless browser, a word processor) that the
// export tests open the filters' files with.

// A file under tests/data.
QByteArray ReadTestFile(const QString& relativePath);

struct ToolRun {
    int ExitCode = -1;
    QByteArray Output; // standard output
    QByteArray Errors; // standard error
};

// Runs a program with arguments and waits (at most timeoutMs); the program must be installed.
ToolRun RunTool(const QString& program, const QStringList& arguments, int timeoutMs = 60000);

// Share of the inked pixels (dark in either picture) whose grey values differ clearly, after both
// pictures are scaled to the same size, turned grey and blurred slightly: anti-aliasing and a shift
// of a pixel pass, a missing or misplaced text does not.
double DifferingShare(const QImage& a, const QImage& b);
