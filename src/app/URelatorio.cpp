#include "app/URelatorio.h"

namespace quorvel {

TFormRelatorio::TFormRelatorio(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("FormRelatorio"));
    setVisible(false);
}

} // namespace quorvel
