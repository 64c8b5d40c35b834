#pragma once

#include "store/StoreObserver.h"
#include "store/StoreTable.h"

#include <QString>

#include <functional>
#include <vector>

namespace quorvel {

class TDataSource;

// What a data-aware control implements to follow a table through its data source.
class TDataLink {
public:
    virtual ~TDataLink() = default;
    // The table changed (opened or closed, state, current record, rows, or one field).
    virtual void DataEvent(TableChange kind, const TStoreField* field) = 0;
    // A post is starting: a control holding typed text moves it into its field now. Throwing stops
    // the post.
    virtual void UpdateData() {}
    // The data source is being destroyed; the link must forget it.
    virtual void DataSourceDestroyed() = 0;
};

// Connects data-aware controls to one table: it observes the table and passes every change on to its
// links, in the order they were added. The table must outlive the data source (or be unset first).
class TDataSource final : public TableObserver {
public:
    explicit TDataSource(TStoreTable* dataSet = nullptr);
    ~TDataSource() override;
    TDataSource(const TDataSource&) = delete;
    TDataSource& operator=(const TDataSource&) = delete;

    TStoreTable* DataSet() const noexcept { return dataSet_; }
    void SetDataSet(TStoreTable* dataSet);

    // A disabled data source tells its controls the table is closed.
    bool Enabled() const noexcept { return enabled_; }
    void SetEnabled(bool enabled);

    // The table's state as the controls see it: Inactive without table, when disabled or closed.
    TTableState State() const noexcept;
    bool IsActive() const noexcept { return State() != TTableState::Inactive; }

    void AddLink(TDataLink& link);
    void RemoveLink(TDataLink& link);

    // Optional handlers: after a change of data or current record (the field when one field changed),
    // after a change of state.
    std::function<void(TDataSource&, const TStoreField*)> OnDataChange;
    std::function<void(TDataSource&)> OnStateChange;

    void TableChanged(TStoreTable& table, TableChange kind, const TStoreField* field) override;
    void UpdateRecord(TStoreTable& table) override;

private:
    void Broadcast(TableChange kind, const TStoreField* field);

    TStoreTable* dataSet_ = nullptr;
    bool enabled_ = true;
    std::vector<TDataLink*> links_;
};

// A link to one field of the current record, for the single-field controls. Calls `changed` whenever
// what the field shows may have changed.
class TFieldDataLink final : public TDataLink {
public:
    explicit TFieldDataLink(std::function<void()> changed);
    ~TFieldDataLink() override;
    TFieldDataLink(const TFieldDataLink&) = delete;
    TFieldDataLink& operator=(const TFieldDataLink&) = delete;

    TDataSource* DataSource() const noexcept { return source_; }
    void SetDataSource(TDataSource* source);
    const QString& FieldName() const noexcept { return fieldName_; }
    void SetFieldName(const QString& name);

    // The bound field while its table is open and has it; nullptr otherwise.
    TStoreField* Field() const;

    void DataEvent(TableChange kind, const TStoreField* field) override;
    void DataSourceDestroyed() override;

private:
    std::function<void()> changed_;
    TDataSource* source_ = nullptr;
    QString fieldName_;
};

} // namespace quorvel
