#pragma once

#include <QWidget>

namespace quorvel {

// The report form that holds the two proposal report layouts. Created hidden at start-up; every
// report request makes a fresh one of its own.
class TFormRelatorio : public QWidget {
    Q_OBJECT

public:
    explicit TFormRelatorio(QWidget* parent = nullptr);
};

} // namespace quorvel
