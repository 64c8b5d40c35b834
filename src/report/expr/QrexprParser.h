#pragma once

#include "report/expr/QrexprElements.h"

#include <QString>

namespace quorvel {

class TQREvEnvironment;

// Appends the elements of an expression text to a list in prefix order. Names are looked up in
// the data sets (when a list is given), then in the environment (when given), then in the global
// environment. Never raises: each fault becomes an error element.
void QREvParse(const QString& expression, TQRFiFo& fiFo, const TQREvDataSetList* dataSets,
               TQREvEnvironment* environment);

} // namespace quorvel
