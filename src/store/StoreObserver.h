#pragma once

namespace quorvel {

class TStoreTable;
class TStoreField;

// What changed in a table, as its observers (data-aware controls, grid models) are told.
enum class TableChange {
    ActiveChanged, // opened or closed
    StateChanged,  // browse, edit, insert (the edit buffer started or ended)
    RecordChanged, // the current record moved; the rows themselves are unchanged
    DataChanged,   // rows or values changed, rows were added or removed, or order or filter changed
    FieldChanged,  // one field of the current record was assigned (the field is passed)
};

// Follows a table without polling. Notifications arrive on the thread that changed the table,
// nested in the operation, after the change is complete. While controls are disabled
// (DisableControls) nothing is sent; EnableControls then sends one DataChanged.
class TableObserver {
public:
    virtual ~TableObserver() = default;
    virtual void TableChanged(TStoreTable& table, TableChange kind, const TStoreField* field) = 0;
    // Called at the start of a post: a control holding typed text moves it into its field now.
    virtual void UpdateRecord(TStoreTable& /*table*/) {}
};

} // namespace quorvel
