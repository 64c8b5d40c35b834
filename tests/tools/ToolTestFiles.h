#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace quorvel::testing {

// One item of a generated proposal: its description (compl_descr) and brand, priced or not.
struct GeneratedItem {
    QString description;
    bool priced = true;
    QString brand = QStringLiteral("Marca");
};

// Writes an item-mode proposal ("M") with these items, numbered 1, 2 … and priced at 10,0000 each,
// as the organiser hands it out with the supplier's prices typed in.
void WriteItemProposal(const QString& path, const std::vector<GeneratedItem>& items);
// `count` priced items with two-line descriptions: about a dozen to a page of the item report.
void WritePricedItems(const QString& path, int count);

// A file's bytes, or "<missing>" when it cannot be read.
QByteArray FileBytes(const QString& path);

// The entries of a folder whose names begin with a dot: what a run leaves behind when it stops
// half-way (staging folders, temporary files).
QStringList HiddenEntries(const QString& folder);

// A tool run as a child process of the test, to be interrupted while it works.
class RunningTool {
public:
    RunningTool(const QString& program, const QStringList& arguments);
    ~RunningTool();
    RunningTool(const RunningTool&) = delete;
    RunningTool& operator=(const RunningTool&) = delete;

    // Polls `ready` until it holds or the process ends or `timeoutMs` pass; true when it held while
    // the process still ran.
    bool WaitUntil(const std::function<bool()>& ready, int timeoutMs);
    void Signal(int signal);
    // The exit status once the process has ended (−1 when it did not end, or a signal ended it).
    int WaitForExit(int timeoutMs);
    QByteArray Errors();

private:
    QProcess process_;
};

} // namespace quorvel::testing
