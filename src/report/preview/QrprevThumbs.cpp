#include "report/preview/QrprevThumbs.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>

namespace quorvel {

namespace {

class ThumbDelegate : public QStyledItemDelegate {
public:
    explicit ThumbDelegate(TResizeGrid& grid)
        : QStyledItemDelegate(&grid)
        , grid_(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        painter->save();
        if (option.state & QStyle::State_Selected) painter->fillRect(option.rect, option.palette.highlight());
        if (grid_.OnDrawCell) grid_.OnDrawCell(*painter, index.row(), option.rect);
        painter->restore();
    }

private:
    TResizeGrid& grid_;
};

} // namespace

TResizeGrid::TResizeGrid(QWidget* parent)
    : QTableWidget(parent) {
    setColumnCount(1);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setShowGrid(false);
    setBackgroundRole(QPalette::Button);
    setItemDelegate(new ThumbDelegate(*this)); // parented to the grid
}

void TResizeGrid::resizeEvent(QResizeEvent* event) {
    QTableWidget::resizeEvent(event);
    emit Resized();
}

} // namespace quorvel
