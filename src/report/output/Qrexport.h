#pragma once

// The text-grid export unit: the base of the text-oriented filters with its position grid, and the
// RTF filter.
#include "report/output/QrexportGrid.h"
#include "report/output/QrexportPositions.h"
#include "report/output/QrexportRtf.h"
