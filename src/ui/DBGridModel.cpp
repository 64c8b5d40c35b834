#include "ui/DBGridModel.h"

#include <QRegularExpression>

namespace quorvel {

TDBGridModel::TDBGridModel(QObject* parent)
    : QAbstractTableModel(parent) {}

TDBGridModel::~TDBGridModel() {
    if (source_ != nullptr) source_->RemoveLink(*this);
}

void TDBGridModel::SetDataSource(TDataSource* source) {
    if (source == source_) return;
    if (source_ != nullptr) source_->RemoveLink(*this);
    source_ = source;
    if (source_ != nullptr) source_->AddLink(*this);
    Synchronize(TableChange::ActiveChanged);
}

TStoreTable* TDBGridModel::Table() const noexcept {
    return source_ != nullptr && source_->IsActive() ? source_->DataSet() : nullptr;
}

void TDBGridModel::SetColumns(std::vector<TDBGridColumn> columns) {
    beginResetModel();
    columns_ = std::move(columns);
    rows_ = LiveRowCount();
    endResetModel();
}

void TDBGridModel::SetColumnTitle(int column, const QString& title) {
    if (column < 0 || column >= static_cast<int>(columns_.size())) return;
    columns_[static_cast<std::size_t>(column)].Title = title;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

TStoreField* TDBGridModel::ColumnField(int column) const {
    TStoreTable* table = Table();
    if (table == nullptr || column < 0 || column >= static_cast<int>(columns_.size())) return nullptr;
    return table->FindField(columns_[static_cast<std::size_t>(column)].FieldName);
}

bool TDBGridModel::ColumnEditable(int column) const {
    const TStoreField* field = ColumnField(column);
    return field != nullptr && !columns_[static_cast<std::size_t>(column)].ReadOnly && !field->ReadOnly() &&
           field->FieldClass() == TFieldClass::Data;
}

int TDBGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int TDBGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

int TDBGridModel::LiveRowCount() const {
    TStoreTable* table = Table();
    return table != nullptr ? table->ViewCount() : 0;
}

QVariant TDBGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_ || index.column() >= columnCount()) return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::TextAlignmentRole) return {};
    TStoreTable* table = Table();
    TStoreField* field = ColumnField(index.column());
    if (table == nullptr || field == nullptr || index.row() >= table->ViewCount()) return {};
    if (role == Qt::TextAlignmentRole) {
        switch (field->Alignment()) {
        case TFieldAlignment::Right:
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        case TFieldAlignment::Center:
            return QVariant::fromValue(Qt::AlignHCenter | Qt::AlignVCenter);
        case TFieldAlignment::Left:
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        }
        return {};
    }
    QString text;
    try {
        table->ReadRecordAt(index.row(),
                            [&] { text = role == Qt::EditRole ? field->Text() : field->DisplayText(); });
    } catch (const std::exception&) {
        // Painting never fails: a value that cannot be read shows as nothing.
        return QString();
    }
    return text;
}

QVariant TDBGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return {};
    if (section < 0 || section >= columnCount()) return {};
    const TDBGridColumn& column = columns_[static_cast<std::size_t>(section)];
    if (!column.Title.isEmpty()) return column.Title;
    if (const TStoreField* field = ColumnField(section)) return field->DisplayLabel();
    return column.FieldName;
}

Qt::ItemFlags TDBGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (ColumnEditable(index.column())) result |= Qt::ItemIsEditable;
    return result;
}

void TDBGridModel::DataEvent(TableChange kind, const TStoreField*) {
    Synchronize(kind);
}

void TDBGridModel::UpdateData() {
    if (OnUpdateData) OnUpdateData();
}

void TDBGridModel::DataSourceDestroyed() {
    source_ = nullptr;
    Synchronize(TableChange::ActiveChanged);
}

void TDBGridModel::Synchronize(TableChange kind) {
    const int live = LiveRowCount();
    const int lastColumn = columnCount() - 1;
    TStoreTable* table = Table();
    if (kind == TableChange::ActiveChanged) {
        beginResetModel();
        rows_ = live;
        current_ = table != nullptr ? table->CurrentViewIndex() : -1;
        endResetModel();
    } else {
        const bool countChanged = live != rows_;
        if (live > rows_) {
            beginInsertRows(QModelIndex(), rows_, live - 1);
            rows_ = live;
            endInsertRows();
        } else if (live < rows_) {
            beginRemoveRows(QModelIndex(), live, rows_ - 1);
            rows_ = live;
            endRemoveRows();
        }
        current_ = table != nullptr ? table->CurrentViewIndex() : -1;
        if (rows_ > 0 && lastColumn >= 0) {
            if (countChanged || kind == TableChange::DataChanged) {
                emit dataChanged(index(0, 0), index(rows_ - 1, lastColumn));
            } else if (kind == TableChange::FieldChanged && current_ >= 0 && current_ < rows_) {
                // One assignment changes the current row only (its calculated fields included).
                // A change of state alone changes no value: post and cancel also report DataChanged.
                emit dataChanged(index(current_, 0), index(current_, lastColumn));
            }
        }
    }
    if (AfterTableChange) AfterTableChange(kind);
}

QString StripThousandsGrouping(const QString& text, QChar thousands, QChar decimal) {
    const QString t = QRegularExpression::escape(QString(thousands));
    const QString d = QRegularExpression::escape(QString(decimal));
    const QRegularExpression grouped(QStringLiteral("^\\s*[+-]?\\d{1,3}(%1\\d{3})+(%2\\d*)?\\s*$").arg(t, d));
    if (thousands == decimal || !grouped.match(text).hasMatch()) return text;
    QString result = text;
    result.remove(thousands);
    return result.trimmed();
}

} // namespace quorvel
