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

// Fails the test unless every non-blank text of `expected` stands in `text`, each after the one
// before it.
void ExpectInOrder(const QString& text, const QStringList& expected, const char* reader);

// One page of a PDF rendered by poppler at 96 pixels per inch into dir (a null image when it fails).
QImage RenderPdfPage(const QString& pdf, const QString& dir, int page);

// The checks every exported PDF passes: qpdf finds no syntax, stream or other fault, poppler's text
// holds `texts` in order, and the fonts it lists include Arial and Arial,Bold. Returns that font
// list, for the caller's further checks.
QByteArray ExpectSoundPdfInArial(const QString& path, const QStringList& texts);
