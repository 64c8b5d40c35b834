#pragma once

#include "store/StoreTable.h"
#include "store/TableTag.h"

#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quorvel {

// Field of a proposal table by its name, for the handlers' many reads and writes.
inline TStoreField& FieldNamed(const TStoreTable& table, const char* name) {
    return table.FieldByName(QLatin1StringView(name));
}

// Whether a text field holds exactly `text` (code-page bytes), read without formatting the value: the
// handlers ask it of the auction type at every post.
inline bool HoldsText(const TStoreField& field, std::string_view text) {
    const TStoreValue value = field.Value();
    const auto* stored = std::get_if<std::string>(&value);
    return stored != nullptr && *stored == text;
}

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
