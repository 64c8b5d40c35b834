#pragma once

// The report unit: the report model (units, page, frames, bands, controllers, printables), the band
// engine's generation pass and output operations, composite reports, the layout registry and layout
// files.
#include "report/engine/DataSetComponent.h"
#include "report/engine/QuickrptBands.h"
#include "report/engine/QuickrptComposite.h"
#include "report/engine/QuickrptControllers.h"
#include "report/engine/QuickrptFrame.h"
#include "report/engine/QuickrptPrintable.h"
#include "report/engine/QuickrptReport.h"
#include "report/engine/QuickrptThread.h"
#include "report/engine/QuickrptTypes.h"
#include "report/engine/QuickrptUnits.h"
#include "report/layout/LayoutReader.h"
#include "report/layout/LayoutRegistry.h"
#include "report/layout/LayoutWriter.h"
#include "report/layout/ReportForm.h"
#include "report/pagestore/QuickrptPreview.h"
