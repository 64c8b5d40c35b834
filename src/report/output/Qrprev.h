#pragma once

// The preview unit: the page preview control and its image, the standard preview window with its
// search dialog and progress window, and the print dialog wrappers.
#include "report/output/QrprevControl.h"
#include "report/output/QrprevDialogs.h"
#include "report/output/QrprevInterface.h"
#include "report/output/QrprevProgress.h"
#include "report/output/QrprevSearch.h"
#include "report/output/QrprevStandard.h"
#include "report/output/QrprevThumbs.h"
