#pragma once

#include "store/StoreTable.h"

namespace quorvel {

// Field of a proposal table by its name, for the handlers' many reads and writes.
inline TStoreField& Campo(const TStoreTable& table, const char* name) {
    return table.FieldByName(QString::fromLatin1(name));
}

inline bool EmEdicao(const TStoreTable& table) {
    return table.State() == TTableState::Edit || table.State() == TTableState::Insert;
}

} // namespace quorvel
