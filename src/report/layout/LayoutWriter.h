#pragma once

#include <QByteArray>

namespace quorvel {

class TComponent;
class TLayoutRegistry;

// Writes a component tree as layout text:
//
//   object FormRelatorio: TReportForm
//     object QuickRep1: TQuickRep
//       Page.Values = (
//         100.0
//         2970.0 …)
//       object DetailBand1: TQRBand
//         BandType = rbDetail
//       end
//     end
//   end
//
// An object holds the properties that differ from their defaults (in the order its class registers
// them), then the objects placed on it; components that are not placed on another component of the
// root come directly under the root. Strings are quoted with doubled quotes, characters outside
// printable ASCII written as #code; floats in the shortest form that reads back to the same value.
// Raises Exception for a component whose class is not registered.
QByteArray WriteLayout(const TComponent& root, const TLayoutRegistry& registry);
QByteArray WriteLayout(const TComponent& root);

} // namespace quorvel
