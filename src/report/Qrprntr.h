#pragma once

// The page-store unit: the page list with its saved-report file, the memory-then-file stream that
// holds it, the page-body coder and the document outline.
#include "report/QrprntrCompress.h"
#include "report/QrprntrFileHeader.h"
#include "report/QrprntrOutline.h"
#include "report/QrprntrPageList.h"
#include "report/QrprntrStream.h"
