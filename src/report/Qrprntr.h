#pragma once

// The page-store unit: the page store and printer (TQRPrinter) with its printer settings, the paper
// size table, the page store's messages, the page list with its saved-report file, the
// memory-then-file stream that holds it, the page-body coder and the document outline.
#include "report/QrprntrCompress.h"
#include "report/QrprntrFileHeader.h"
#include "report/QrprntrMessages.h"
#include "report/QrprntrOutline.h"
#include "report/QrprntrPageList.h"
#include "report/QrprntrPaper.h"
#include "report/QrprntrPrinter.h"
#include "report/QrprntrSettings.h"
#include "report/QrprntrStream.h"
