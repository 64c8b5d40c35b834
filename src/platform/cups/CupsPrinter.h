#pragma once

#include "platform/SpoolPrinter.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>

#include <memory>
#include <vector>

namespace quorvel {

// The printer over CUPS's own interface, for the headless tools: it reads the queues and what each
// one offers (its PPD: page sizes with their printable areas, custom sizes, colour, duplex,
// resolutions) through libcups and draws a job with Qt's PDF writer into its spool file, where the
// program's printer over Qt's printing has Qt's printer draw it. It sees a
// queue as that printer does: the same queue list and default, the same device-mode fields, paper
// codes, resolution (1200 dots per inch), printable offsets and sizes, so a report prints the same
// from the tool as from the program. One difference: a monochrome job is drawn in colour and the
// queue is asked to print it in grey.
class TCupsPrinter final : public TSpoolPrinter {
public:
    TCupsPrinter();

    QString DeviceName() const override;
    QString DriverName() const override { return makeAndModel_; }
    QString Port() const override { return location_; }
    TDeviceMode DeviceMode() const override;
    void SetDeviceMode(const TDeviceMode& mode) override;
    QList<int> PaperCodes() const override;
    int XDpi() const override;
    int YDpi() const override;
    QPoint PhysicalOffset() const override;
    QSize PhysicalSize() const override;

private:
    // A page size the queue offers, with the margins its printable area leaves (points).
    struct Paper {
        QPageSize size;
        QMarginsF margins;
    };

    std::unique_ptr<QPagedPaintDevice> NewSpoolDevice(const QString& spool) const override;
    SpoolJobOptions JobOptions() const override;
    QStringList ListQueues() override;
    QString DefaultQueue() const override { return defaultPrinter_; }
    void CloseQueue() override;
    bool OpenQueue(const QString& name) override;
    // The queue's margins for a page size: those of the listed size it matches, else the margins
    // of its custom sizes.
    QMarginsF MarginsFor(const QPageSize& size) const;
    void Lay(const QPageSize& size, QPageLayout::Orientation orientation);

    QString defaultPrinter_;

    // The selected queue: what it offers and the settings of the next job.
    QString makeAndModel_;
    QString location_;
    std::vector<Paper> papers_;
    bool customSizes_ = false;
    QMarginsF customMargins_;
    std::uint32_t capabilities_ = 0;
    QPageLayout layout_;
    int copies_ = 1;
    bool collate_ = true;
    int duplex_ = DMDUP_SIMPLEX;
    bool color_ = true;
    int resolution_ = 0;
};

} // namespace quorvel
