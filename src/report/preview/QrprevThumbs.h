#pragma once

#include <QTableWidget>

#include <functional>

namespace quorvel {

// The thumbnail list of the preview window: one column of rows that its owner paints, and a
// notice whenever it is resized.
class TResizeGrid : public QTableWidget {
    Q_OBJECT
public:
    explicit TResizeGrid(QWidget* parent = nullptr);

    // Paints one row into the cell's rectangle (row counts from 0).
    std::function<void(QPainter& painter, int row, const QRect& cell)> OnDrawCell;

signals:
    void Resized();

protected:
    void resizeEvent(QResizeEvent* event) override;
};

} // namespace quorvel
