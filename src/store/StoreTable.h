#pragma once

#include "store/EqualityIndex.h"
#include "store/Packet.h"
#include "store/StoreExpr.h"
#include "store/StoreField.h"
#include "store/StoreObserver.h"
#include "store/TableLock.h"

#include <QHash>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

class QCollator;

namespace quorvel {

enum class TTableState { Inactive, Browse, Edit, Insert, CalcFields };

enum class TLocateOption : unsigned { None = 0, CaseInsensitive = 1, PartialKey = 2 };
constexpr TLocateOption operator|(TLocateOption a, TLocateOption b) noexcept {
    return static_cast<TLocateOption>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
constexpr bool HasOption(TLocateOption set, TLocateOption option) noexcept {
    return (static_cast<unsigned>(set) & static_cast<unsigned>(option)) != 0;
}

// A declared index: a name and field names separated by ";", ascending, case-sensitive.
struct TStoreIndexDef {
    QString Name;
    QString Fields;
};

// Handlers receive the table. A handler cancels the operation that raised it by throwing EAbort.
using TDataSetNotifyEvent = std::function<void(class TStoreTable&)>;

// An in-memory table: typed records loaded from a datapacket file (or built empty), a current
// record with navigation, an edit buffer with events, calculated and aggregate fields, filters,
// orders, and a log of every change, written back as one datapacket. The table guards its
// structures with a lock of its own; events run nested in the operation that raised them.
class TStoreTable {
public:
    TStoreTable();
    ~TStoreTable();
    TStoreTable(const TStoreTable&) = delete;
    TStoreTable& operator=(const TStoreTable&) = delete;

    // Name of the table for messages and for expressions that qualify fields ("CDSDigitacao").
    QString Name;

    // --- Declaration (while closed) ---
    TStoreField& AddField(const QString& name, TFieldType type, int size = 0);
    // An exact decimal of `precision` significant digits and `places` decimal places.
    TStoreField& AddDecimalField(const QString& name, int places, int precision = 15);
    TStoreField& AddCalculatedField(const QString& name, TFieldType type, int size = 0);
    TStoreField& AddAggregateField(const QString& name, const QString& expression);
    void AddIndex(const QString& name, const QString& fields);
    const std::vector<TStoreIndexDef>& IndexDefs() const noexcept { return indexDefs_; }

    // --- Fields ---
    int FieldCount() const noexcept { return static_cast<int>(fields_.size()); }
    TStoreField& Fields(int index) const;
    // The field with that name (any letter case), or nullptr / "Field '%s' not found".
    TStoreField* FindField(const QString& name) const;
    TStoreField& FieldByName(const QString& name) const;
    // The same for a name given as Latin-1 text (a handler's literal), without making a QString of it.
    TStoreField* FindField(QLatin1StringView name) const;
    TStoreField& FieldByName(QLatin1StringView name) const;

    // --- Properties ---
    const QString& FileName() const noexcept { return fileName_; }
    void SetFileName(const QString& fileName);
    const QString& IndexName() const noexcept { return indexName_; }
    void SetIndexName(const QString& name);
    const QString& IndexFieldNames() const noexcept { return indexFieldNames_; }
    void SetIndexFieldNames(const QString& names);
    const QString& Filter() const noexcept { return filter_; }
    void SetFilter(const QString& text);
    bool Filtered() const noexcept { return filtered_; }
    void SetFiltered(bool filtered);
    bool AggregatesActive() const noexcept { return aggregatesActive_; }
    void SetAggregatesActive(bool active);
    std::int32_t Tag() const noexcept { return tag_; }
    void SetTag(std::int32_t tag) noexcept { tag_ = tag; }

    // --- Life cycle ---
    bool Active() const noexcept { return state_ != TTableState::Inactive; }
    void SetActive(bool active);
    void Open();
    // Opens the table on rows held in memory instead of its file (the file name, if any, is neither
    // read nor changed): the same field binding, handlers, calculated fields, aggregates, index and
    // filter as an Open() of a file with that content, and the same errors for fields that don't bind.
    // An open table stays as it is.
    void Open(Datapacket packet);
    // Drops a pending edit, then writes the file when it changed (or is missing), or keeps the
    // content in memory for a table without file. A failed write leaves the table open, with its
    // data, change log and changed mark, and the file untouched.
    void Close();
    // Builds a new empty table from the declared stored fields and opens it; drops a kept packet.
    void CreateDataSet();
    // Writes the table now (to FileName when `fileName` is empty) without closing it; the change
    // log, current record, order, filter and changed mark stay. A pending edit is not part of what
    // is written (post it first). The file is replaced atomically; on failure it is untouched.
    void SaveToFile(const QString& fileName = QString());
    // Writes `content` to `fileName` as SaveToFile writes a table: XML for the extension ".xml" in
    // any case, binary otherwise, replacing the file atomically. It touches no table, so a copy of
    // Data() can be written from another thread.
    static void WriteContentToFile(const QString& fileName, const Datapacket& content);
    TTableState State() const noexcept { return state_; }
    // Whether any row was inserted, modified or deleted since the table was opened.
    bool Changed() const noexcept { return changed_; }
    // True while the edit buffer holds an assignment not yet posted.
    bool Modified() const noexcept { return modified_; }
    // A number that moves with every change of the stored rows (a post that changed or inserted a
    // row, a delete, a load, a new empty table) and only then, never back to an earlier value: a
    // caller that saw the same number before knows the rows are as they were then.
    std::uint64_t ContentVersion() const noexcept { return contentVersion_; }
    // The whole content while open (fields, parameters, every row version, change log).
    const Datapacket& Data() const;
    // The content kept in memory by a table without file while it is closed, or nullptr.
    const Datapacket* KeptPacket() const noexcept { return kept_ ? &*kept_ : nullptr; }

    // --- Navigation over the visible records ---
    void First();
    void Next();
    void Prior();
    void Last();
    // Moves by `distance` records (clamped); returns how far it moved.
    int MoveBy(int distance);
    bool Eof() const noexcept { return eof_; }
    bool Bof() const noexcept { return bof_; }
    bool IsEmpty() const;
    int RecordCount() const;
    // 1-based position of the current record in the view (0 when empty).
    int RecNo() const;
    void SetRecNo(int recNo);

    // --- Editing ---
    void Edit();
    void Append();
    void Insert();
    void Post();
    void Cancel();
    void Delete();

    // --- Searching ---
    // Field names separated by ";", one value per field.
    bool Locate(const QString& keyFields, const std::vector<TStoreValue>& values,
                TLocateOption options = TLocateOption::None);
    bool Locate(const QString& keyField, const TStoreValue& value,
                TLocateOption options = TLocateOption::None);

    // --- Reading rows without moving (for grid models) ---
    // Rows of the view, including a record being inserted.
    int ViewCount() const;
    // View position of the current record (the inserted record while inserting); -1 when empty.
    int CurrentViewIndex() const;
    // Runs `read` with the fields reading the record at `viewIndex` (calculated fields computed for
    // it); the current record, state and events are untouched.
    void ReadRecordAt(int viewIndex, const std::function<void()>& read);

    // --- Observers ---
    void AddObserver(TableObserver* observer);
    void RemoveObserver(TableObserver* observer);
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const noexcept { return disableCount_ > 0; }

    // --- Events ---
    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    TDataSetNotifyEvent OnNewRecord, OnCalcFields;

    // The table's lock, for callers that need several operations to stay together.
    TableLock& Mutex() const noexcept { return mutex_; }

private:
    friend class TStoreField;
    struct Binding;
    struct KeyPart {
        int column = -1;
        bool descending = false;
        bool caseInsensitive = false;
    };
    struct AggregateState {
        TStoreField* field = nullptr;
        StoreExpression expression;
        std::vector<AggregateAccumulator> accumulators;
    };
    struct RecordContext {
        const RowValues* stored = nullptr;
        std::vector<FieldValue>* calc = nullptr;
    };

    TStoreField& AddFieldOfClass(const QString& name, TFieldType type, TFieldClass fieldClass, int size);
    void IndexFieldName(std::size_t position);
    void CheckInactive() const;
    void CheckActive() const;
    void CheckBrowseMode();
    void CheckCanModifyTable(const char* disableParam) const;
    void Fire(const TDataSetNotifyEvent& handler);
    void Notify(TableChange kind, const TStoreField* field = nullptr);

    // Open and close.
    void OpenWith(Datapacket packet, bool fromKept);
    std::vector<Binding> BindFields(const Datapacket& packet) const;
    void ApplyBindings(const Datapacket& packet, const std::vector<Binding>& bindings);
    void ReleaseContent();
    void WriteFile(const QString& fileName) const;
    void BuildRecordOrder();

    // Views, orders, filters and aggregates.
    int ResolveColumn(const QString& name) const;
    std::vector<KeyPart> ResolveOrder(const QString& indexName, const QString& fieldNames) const;
    std::optional<StoreExpression> CompileFilter(const QString& text, bool filtered) const;
    std::vector<AggregateState> CompileAggregates() const;
    bool RowPasses(int row) const;
    void CollectVisibleRows();
    void RebuildView();
    // Rebuilds the view and its aggregates and puts the cursor on the view's first record.
    void RebuildViewAtFirst();
    int CompareRows(int a, int b) const;
    int FindViewPosition(int row) const;
    int InsertionPosition(int row) const;
    // Whether `row` sorts between the neighbours of view position `position` (the row there aside).
    bool FitsAt(int position, int row) const;
    void RecomputeAggregates();
    void AggregateAdd(int row);
    void AggregateRemove(int row);
    void AggregateStep(int row, bool add);
    // Puts `row` into the view where the order places it, with the cursor on it.
    void PlaceInView(int row);
    // The positions of the view [first, last) that can hold the records a Locate looks for.
    std::pair<std::size_t, std::size_t> LocateRange(const std::vector<int>& columns,
                                                    const std::vector<TStoreValue>& values) const;
    void ApplyFilterChange(std::optional<StoreExpression> expression);
    void ApplyOrderChange(std::vector<KeyPart> keys);
    void SetCursor(int position);
    void ClampCursor();

    // Records.
    RecordContext ActiveContext() const;
    void FetchCurrent();
    void CalculateFields(const RowValues& stored, std::vector<FieldValue>& calc);
    TStoreValue ReadField(const TStoreField& field) const;
    // The value `field` reads, as a view valid while the table's lock is held and the record is not
    // changed; an aggregate's value is computed into `computed`, which the view then shows.
    FieldView ReadFieldView(const TStoreField& field, TStoreValue& computed) const;
    void WriteField(TStoreField& field, TStoreValue value);
    TStoreValue AggregateValue(const TStoreField& field) const;
    void StartInsert(bool append);
    // Appends a row version (a post's) to the stored rows.
    void AppendVersion(PacketRow row);
    // Back to Browse, the edit buffer dropped; with `insertDropped` the record being inserted was
    // not stored and the cursor returns to where the insert began.
    void LeaveEditState(bool insertDropped);
    // Fetches the current record and tells the observers that the state and the data changed.
    void ShowStateChange();

    mutable TableLock mutex_;
    std::vector<std::unique_ptr<TStoreField>> fields_;
    // A field's name as declared -> the field FindField gives for it (by its name in Latin-1 too).
    QHash<QString, int> fieldsByName_;
    // Field names are short: a byte at a time (FNV-1a) hashes them faster than the library's hash.
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const noexcept {
            std::uint64_t hash = 14695981039346656037ull;
            for (const char c : name)
                hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
            return static_cast<std::size_t>(hash);
        }
    };
    std::unordered_map<std::string, int, NameHash, std::equal_to<>> fieldsByLatin1Name_;
    std::vector<TStoreIndexDef> indexDefs_;
    std::vector<TableObserver*> observers_;
    int disableCount_ = 0;

    QString fileName_;
    QString indexName_;
    QString indexFieldNames_;
    QString filter_;
    bool filtered_ = false;
    bool aggregatesActive_ = false;
    std::int32_t tag_ = 0;

    TTableState state_ = TTableState::Inactive;
    Datapacket data_;
    std::optional<Datapacket> kept_;
    bool changed_ = false;
    bool modified_ = false;
    std::uint64_t contentVersion_ = 0;
    std::size_t currentRows_ = 0;     // stored row versions that are current (the table's records)
    std::vector<double> recordOrder_; // per stored row version: its record's place in the default order
    std::vector<int> view_;           // stored row versions visible, in the current order
    EqualityIndex equalityIndex_;     // current rows by an integer field's value, for `field = number`
    int cursor_ = -1;
    bool bof_ = true;
    bool eof_ = true;
    int insertPos_ = -1;
    int cursorBeforeInsert_ = -1;
    double nextRecordOrder_ = 0;
    RowValues editBuffer_;
    mutable std::vector<FieldValue> currentCalc_;
    int calcCount_ = 0;
    std::optional<RecordContext> override_;
    std::vector<KeyPart> orderKeys_;
    std::optional<StoreExpression> filterExpression_;
    std::vector<AggregateState> aggregates_;
    std::unique_ptr<QCollator> collator_;
    std::unique_ptr<QCollator> collatorInsensitive_;
};

// The order an index on `keyColumns` puts rows in, for keys held outside a table. Rows are numbered
// 0..count-1 in the order their records have in a freshly loaded table's default order, which breaks
// ties; `key(row, part)` gives the row's value for keyColumns[part] (a column of `header.fields`,
// whose kind decides how values compare). Values compare as in a table loaded from `header`: NULL
// before any value, texts with that table's collation (case-sensitive, ascending). Returns the row
// numbers in index order. A column outside `header.fields` raises EDatabaseError.
std::vector<std::uint32_t>
OrderLikeIndex(const Datapacket& header, std::span<const int> keyColumns, std::uint32_t count,
               const std::function<FieldView(std::uint32_t row, std::size_t part)>& key);

// The place each stored version has in a freshly loaded table's default order (what
// BuildRecordOrder computes at a load: a modified version takes the place of the one it replaced,
// others follow in storage order), for `versionCount` versions and `changeLog`.
std::vector<std::uint32_t> LoadedRecordOrder(std::span<const ChangeLogEntry> changeLog,
                                             std::uint32_t versionCount);

} // namespace quorvel
