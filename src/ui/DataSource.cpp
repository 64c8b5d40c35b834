#include "ui/DataSource.h"

#include <algorithm>

namespace quorvel {

TDataSource::TDataSource(TStoreTable* dataSet) {
    SetDataSet(dataSet);
}

TDataSource::~TDataSource() {
    if (dataSet_ != nullptr) dataSet_->RemoveObserver(this);
    const std::vector<TDataLink*> links = links_;
    links_.clear();
    for (TDataLink* link : links)
        link->DataSourceDestroyed();
}

void TDataSource::SetDataSet(TStoreTable* dataSet) {
    if (dataSet == dataSet_) return;
    if (dataSet_ != nullptr) dataSet_->RemoveObserver(this);
    dataSet_ = dataSet;
    if (dataSet_ != nullptr) dataSet_->AddObserver(this);
    Broadcast(TableChange::ActiveChanged, nullptr);
}

void TDataSource::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Broadcast(TableChange::ActiveChanged, nullptr);
}

TTableState TDataSource::State() const noexcept {
    if (dataSet_ == nullptr || !enabled_) return TTableState::Inactive;
    return dataSet_->State();
}

void TDataSource::AddLink(TDataLink& link) {
    if (std::find(links_.begin(), links_.end(), &link) == links_.end()) links_.push_back(&link);
}

void TDataSource::RemoveLink(TDataLink& link) {
    links_.erase(std::remove(links_.begin(), links_.end(), &link), links_.end());
}

void TDataSource::TableChanged(TStoreTable& table, TableChange kind, const TStoreField* field) {
    if (&table != dataSet_ || !enabled_) return;
    Broadcast(kind, field);
}

void TDataSource::UpdateRecord(TStoreTable& table) {
    if (&table != dataSet_ || !enabled_) return;
    const std::vector<TDataLink*> links = links_;
    for (TDataLink* link : links)
        if (std::find(links_.begin(), links_.end(), link) != links_.end()) link->UpdateData();
}

void TDataSource::Broadcast(TableChange kind, const TStoreField* field) {
    // A link may remove itself (or another) while being told; each is told only while still linked.
    const std::vector<TDataLink*> links = links_;
    for (TDataLink* link : links)
        if (std::find(links_.begin(), links_.end(), link) != links_.end()) link->DataEvent(kind, field);
    if (kind == TableChange::StateChanged || kind == TableChange::ActiveChanged) {
        if (OnStateChange) OnStateChange(*this);
    }
    if (kind != TableChange::StateChanged && OnDataChange)
        OnDataChange(*this, kind == TableChange::FieldChanged ? field : nullptr);
}

TFieldDataLink::TFieldDataLink(std::function<void()> changed)
    : changed_(std::move(changed)) {}

TFieldDataLink::~TFieldDataLink() {
    if (source_ != nullptr) source_->RemoveLink(*this);
}

void TFieldDataLink::SetDataSource(TDataSource* source) {
    if (source == source_) return;
    if (source_ != nullptr) source_->RemoveLink(*this);
    source_ = source;
    if (source_ != nullptr) source_->AddLink(*this);
    changed_();
}

void TFieldDataLink::SetFieldName(const QString& name) {
    fieldName_ = name;
    changed_();
}

TStoreField* TFieldDataLink::Field() const {
    if (source_ == nullptr || !source_->IsActive() || fieldName_.isEmpty()) return nullptr;
    return source_->DataSet()->FindField(fieldName_);
}

void TFieldDataLink::DataEvent(TableChange kind, const TStoreField* field) {
    // A change of state alone changes no value (a post or cancel also reports DataChanged), and an
    // assignment to another stored field leaves this one as it was unless this one is calculated.
    // Aggregates change only with the rows, never with the edit buffer.
    if (kind == TableChange::StateChanged) return;
    if (kind == TableChange::FieldChanged) {
        const TStoreField* mine = Field();
        if (mine == nullptr || mine->IsAggregate() || (mine != field && !mine->IsCalculated())) return;
    }
    if (kind == TableChange::RecordChanged) {
        const TStoreField* mine = Field();
        if (mine != nullptr && mine->IsAggregate()) return;
    }
    changed_();
}

void TFieldDataLink::DataSourceDestroyed() {
    source_ = nullptr;
    changed_();
}

} // namespace quorvel
