#pragma once

#include "report/Quickrpt.h"
#include "report/controls/Qrctrls.h"
#include "store/StoreTable.h"

#include <QImage>
#include <QStringList>

#include <vector>

namespace quorvel::testing {

// A proposal-like report on A4 with 10 mm margins over a store table of items: a page header with a
// centred bold title, the page number, a stretched picture and a rule under it; a silver column
// header band framed on all sides; detail rows of field texts (the price right-aligned with its
// display format) with a line under each; a summary with the detail count in a framed box. Enough
// items fill two pages.
struct ProposalReport {
    explicit ProposalReport(int items = 50);

    // Generates the report for the preview and returns its page pictures played at 96 pixels per
    // inch, on white.
    std::vector<QImage> PagePictures();
    // The texts of the generated pages in drawing order (after PagePictures).
    QStringList PageTexts();

    // Runs the report from its first item through an export filter.
    void ExportThrough(TQRExportFilter& filter) {
        table.First();
        report.ExportToFilter(filter);
    }
    // The same through a filter of type F writing to path, which is closed before this returns.
    template <class F> void ExportAs(const QString& path) {
        F filter(path);
        ExportThrough(filter);
    }

    TStoreTable table;
    TReportForm form;
    TQuickRep& report;
    TDataSetComponent& itemsSource;
    TQRBand& header;
    TQRBand& columns;
    TQRBand& detail;
    TQRBand& summary;
};

} // namespace quorvel::testing
