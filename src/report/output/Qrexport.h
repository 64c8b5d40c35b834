#pragma once

// The text-grid export unit: the base of the text-oriented filters with its position grid, the
// comma-separated, spreadsheet, plain-text and metafile filters, and the RTF filter.
#include "report/output/QrexportCsv.h"
#include "report/output/QrexportGrid.h"
#include "report/output/QrexportPositions.h"
#include "report/output/QrexportRtf.h"
#include "report/output/QrexportText.h"
#include "report/output/QrexportWmf.h"
#include "report/output/QrexportXls.h"
