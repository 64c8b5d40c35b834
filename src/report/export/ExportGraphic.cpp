// The graphics' hand-over shared by the PDF and HTML filters.

#include "report/export/QrexportGrid.h"

namespace quorvel {

void TQRGraphicExportFilter::AcceptGraphic(double xoff, double yoff, const TExportGraphic& graphic) {
    AcceptShape(xoff, yoff, graphic);
}

void TQRGraphicExportFilter::AcceptBand(const TQRCustomBand&, double, double, double) {
    FlushBandGraphics();
}

} // namespace quorvel
