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
    if (!Active()) return;
    if (windows_)
        windows_->ShowFirst();
    else
        table_->First();
}

void TDataSetComponent::Next() {
    if (!Active()) return;
    table_->Next();
    // Past the window's last record the list shows the next window, on its first record; past the
    // list's last the table stays at its end, as a table holding the whole list does.
    if (windows_ && table_->Eof()) windows_->ShowNext();
}

void TDataSetComponent::Prior() {
    if (!Active()) return;
    // Before the window's first record comes the last of the window before.
    if (windows_ && table_->RecNo() == 1 && windows_->ShowPrior()) return;
    table_->Prior();
}

bool TDataSetComponent::Eof() const {
    return !Active() || table_->Eof();
}

int TDataSetComponent::RecordCount() const {
    if (!Active()) return 0;
    return windows_ ? windows_->RecordCount() : table_->RecordCount();
}

} // namespace quorvel
