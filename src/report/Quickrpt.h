#pragma once

// The report unit: the report model (units, page, frames, bands, controllers, printables), the band
// engine's generation pass and output operations, composite reports, the layout registry and layout
// files.
#include "report/DataSetComponent.h"
#include "report/LayoutReader.h"
#include "report/LayoutRegistry.h"
#include "report/LayoutWriter.h"
#include "report/QuickrptBands.h"
#include "report/QuickrptComposite.h"
#include "report/QuickrptControllers.h"
#include "report/QuickrptFrame.h"
#include "report/QuickrptPreview.h"
#include "report/QuickrptPrintable.h"
#include "report/QuickrptReport.h"
#include "report/QuickrptThread.h"
#include "report/QuickrptTypes.h"
#include "report/QuickrptUnits.h"
#include "report/ReportForm.h"
