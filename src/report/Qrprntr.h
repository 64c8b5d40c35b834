#pragma once

// The page-store unit: the page store and printer (TQRPrinter) with its printer settings, the paper
// size table, the page store's messages, the page list with its saved-report file, the
// memory-then-file stream that holds it, the page-body coder and the document outline.
#include "report/pagestore/QrprntrCompress.h"
#include "report/pagestore/QrprntrFileHeader.h"
#include "report/pagestore/QrprntrMessages.h"
#include "report/pagestore/QrprntrOutline.h"
#include "report/pagestore/QrprntrPageList.h"
#include "report/pagestore/QrprntrPaper.h"
#include "report/pagestore/QrprntrPrinter.h"
#include "report/pagestore/QrprntrSettings.h"
#include "report/pagestore/QrprntrStream.h"
