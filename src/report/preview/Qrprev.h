#pragma once

// The preview unit: the page preview control and its image, the standard preview window with its
// search dialog and progress window, and the print dialog wrappers.
#include "report/preview/QrprevControl.h"
#include "report/preview/QrprevDialogs.h"
#include "report/preview/QrprevInterface.h"
#include "report/preview/QrprevProgress.h"
#include "report/preview/QrprevSearch.h"
#include "report/preview/QrprevStandard.h"
#include "report/preview/QrprevThumbs.h"
