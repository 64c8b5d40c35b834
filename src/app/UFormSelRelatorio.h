#pragma once

#include <QDialog>

namespace quorvel {

// The report-selection dialog (order of the items, preview or print). Created hidden at start-up;
// every report request makes a fresh one of its own.
class TFormSelRelatorio : public QDialog {
    Q_OBJECT

public:
    explicit TFormSelRelatorio(QWidget* parent = nullptr);
};

} // namespace quorvel
