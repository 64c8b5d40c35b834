#include "report/engine/DataSetComponent.h"

#include "store/StoreTable.h"

namespace quorvel {

TDataSetComponent::TDataSetComponent(TComponent* owner, TStoreTable* table)
    : TComponent(owner) {
    SetTable(table);
}

TDataSetComponent::~TDataSetComponent() {
    BeforeDestruction();
}

void TDataSetComponent::SetTable(TStoreTable* table) {
    table_ = table;
    view_ = table ? std::make_shared<TQRStoreDataSet>(*table) : nullptr;
}

bool TDataSetComponent::Active() const {
    return table_ && table_->Active();
}

void TDataSetComponent::First() {
    if (Active()) table_->First();
}

void TDataSetComponent::Next() {
    if (Active()) table_->Next();
}

void TDataSetComponent::Prior() {
    if (Active()) table_->Prior();
}

bool TDataSetComponent::Eof() const {
    return !Active() || table_->Eof();
}

int TDataSetComponent::RecordCount() const {
    return Active() ? table_->RecordCount() : 0;
}

} // namespace quorvel
