#pragma once

#include "ui/DataSource.h"

#include <QAbstractTableModel>

#include <vector>

namespace quorvel {

// A column of a data grid: the field it shows, its title (empty: the field's display label), its
// width in pixels and whether the column refuses edits whatever the field allows.
struct TDBGridColumn {
    QString FieldName;
    QString Title;
    int Width = 64;
    bool ReadOnly = false;
};

// The table model behind a data grid: one row per visible record of the table, in the table's order,
// including a record being inserted; one column per grid column. Cells show the fields' display texts
// (display formats, the locale's separators); the edit role gives the text to edit (edit format).
// The model follows the table through its data source, announcing every change with the matching
// begin/end calls or dataChanged; it keeps the row count it announced, so the views never see a
// count the model has not reported.
class TDBGridModel : public QAbstractTableModel, private TDataLink {
public:
    explicit TDBGridModel(QObject* parent = nullptr);
    ~TDBGridModel() override;

    TDataSource* DataSource() const noexcept { return source_; }
    void SetDataSource(TDataSource* source);
    TStoreTable* Table() const noexcept;

    const std::vector<TDBGridColumn>& Columns() const noexcept { return columns_; }
    void SetColumns(std::vector<TDBGridColumn> columns);
    void SetColumnTitle(int column, const QString& title);

    // The field a column shows, while the table is open; nullptr otherwise.
    TStoreField* ColumnField(int column) const;
    // Whether a cell of the column can be typed into: the column and the field allow it.
    bool ColumnEditable(int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Called with every change the table reports, after the model has announced it.
    std::function<void(TableChange)> AfterTableChange;
    // Called when a post starts (see TDataLink::UpdateData).
    std::function<void()> OnUpdateData;

private:
    void DataEvent(TableChange kind, const TStoreField* field) override;
    void UpdateData() override;
    void DataSourceDestroyed() override;
    void Synchronize(TableChange kind);
    int LiveRowCount() const;

    TDataSource* source_ = nullptr;
    std::vector<TDBGridColumn> columns_;
    int rows_ = 0;     // the row count announced to the views
    int current_ = -1; // the current record when last told
};

// A typed number in the user's form: when it is written with proper thousands grouping ("1.234,5" in
// pt_BR), the grouping marks are dropped so that the text the grid showed for editing can be typed
// back; any other text is returned unchanged for the field to judge.
QString StripThousandsGrouping(const QString& text, QChar thousands, QChar decimal);

} // namespace quorvel
