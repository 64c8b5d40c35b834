#pragma once

// The text-grid export unit: the base of the text-oriented filters with its position grid, the
// comma-separated, spreadsheet, plain-text and metafile filters, and the RTF filter.
#include "report/export/QrexportCsv.h"
#include "report/export/QrexportGrid.h"
#include "report/export/QrexportPositions.h"
#include "report/export/QrexportRtf.h"
#include "report/export/QrexportText.h"
#include "report/export/QrexportWmf.h"
#include "report/export/QrexportXls.h"
