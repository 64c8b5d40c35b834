#pragma once

#include "report/expr/QrexprDataSet.h"

#include <QElapsedTimer>

#include <vector>

namespace quorvel {

class TDataSetComponent;
class TQRPrintable;

// The state of one generation pass: where the cursor stands, which page and column it is on, the row
// being filled in row-by-row order, the breaks pending and the data sets its expressions see. The
// report's pass starts it afresh (BeginPass) and the bands it prints work on it through
// TCustomQuickRep::RunState; the cursor and the page counter stay after the pass, so that a composite
// report can start its next report where this one stopped.
struct TQRRunState {
    bool Busy = false;
    bool CancelRequested = false;
    // The generation cursor in tenths of a millimetre from the page's top-left corner; CursorY is -1
    // before the first page.
    int CursorX = 0;
    int CursorY = -1;
    int PageCounter = 0;
    int ColumnIndex = 1;
    // Where columns after the first start on this page (below the title on page 1).
    int ColumnTop = 0;
    // Row-by-row order: the top of the row being filled, the lowest bottom of its bands, and whether
    // the band now printing took room in its cell.
    int RowTop = 0;
    int RowBottom = 0;
    bool CellUsed = false;
    // The height kept free at the page's bottom for the page footer and its children.
    double FooterReserve = 0;
    bool OnLastPage = false;
    // The next forced page break is skipped (after the title and the first column header).
    bool SuppressForcedBreak = false;
    // The first forced column break asked for in column 1 was skipped.
    bool ColumnBreakPending = false;
    // A new column or page is being started on behalf of a band.
    bool BreakInProgress = false;
    // The pass is one report of a composite report.
    bool CompositePart = false;
    // The report's image printed as page background, if any.
    TQRPrintable* BackgroundImage = nullptr;
    // The open data sets expressions see, each once.
    TQREvDataSetList DataSets;
    std::vector<const TDataSetComponent*> ListedDataSets;
    // Since window messages were last let through.
    QElapsedTimer SinceMessages;

    // A pass begins: it is busy and nothing is pending; the cursor and the counters are the pass's to
    // set, since a composite report hands them on.
    void BeginPass() {
        Busy = true;
        CancelRequested = false;
        CellUsed = false;
        OnLastPage = false;
        SuppressForcedBreak = false;
        ColumnBreakPending = false;
        BreakInProgress = false;
        SinceMessages.invalidate();
    }
};

} // namespace quorvel
