#pragma once

#include <QThread>

#include <exception>

namespace quorvel {

class TCustomQuickRep;

// Runs a report's generation pass on a thread of its own, for the preview and printing flows that
// return while the pages are still being made. The report holds the thread and waits for it before
// it starts another output or goes away. When the pass was cancelled the report's page store is freed
// on the report's own thread; an error is shown there in the standard error display.
class TQRCreateReportThread final : public QThread {
public:
    explicit TQRCreateReportThread(TCustomQuickRep& report);
    ~TQRCreateReportThread() override;

protected:
    void run() override;

private:
    TCustomQuickRep& report_;
};

} // namespace quorvel
