#include "app/UFormSelRelatorio.h"

namespace quorvel {

TFormSelRelatorio::TFormSelRelatorio(QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("FormSelRelatorio"));
    setVisible(false);
}

} // namespace quorvel
