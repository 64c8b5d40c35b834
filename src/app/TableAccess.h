#pragma once

#include "store/StoreTable.h"

#include <initializer_list>
#include <vector>

namespace quorvel {

// Field of a proposal table by its name, for the handlers' many reads and writes.
inline TStoreField& FieldNamed(const TStoreTable& table, const char* name) {
    return table.FieldByName(QString::fromLatin1(name));
}

// A proposal table's Tag: kTagBuilding while the program itself builds the lot table, which lets
// its rows past the insert guard and keeps the lot selection from re-filtering the items.
inline constexpr int kTagNormal = 0;
inline constexpr int kTagBuilding = 1;

inline bool IsEditing(const TStoreTable& table) {
    return table.State() == TTableState::Edit || table.State() == TTableState::Insert;
}

// Keeps the bound controls of the given tables quiet during a walk over many rows; they catch up
// with one refresh when the walk ends (also by an exception).
class SuspendedControls {
public:
    explicit SuspendedControls(std::initializer_list<TStoreTable*> tables)
        : tables_(tables) {
        for (TStoreTable* table : tables_)
            table->DisableControls();
    }
    ~SuspendedControls() {
        for (TStoreTable* table : tables_)
            table->EnableControls();
    }
    SuspendedControls(const SuspendedControls&) = delete;
    SuspendedControls& operator=(const SuspendedControls&) = delete;

private:
    std::vector<TStoreTable*> tables_;
};

} // namespace quorvel
