#include "store/StoreTable.h"

#include "platform/ScopeExit.h"
#include "store/StoreErrors.h"

#include <algorithm>

namespace quorvel {
namespace {

bool ParamIsTrue(const Datapacket& packet, const char* name) {
    const PacketParam* param = packet.FindParam(name);
    if (!param) return false;
    if (const auto* b = std::get_if<bool>(&param->value)) return *b;
    if (const auto* i = std::get_if<std::int64_t>(&param->value)) return *i != 0;
    if (const auto* s = std::get_if<std::string>(&param->value))
        return QString::fromLatin1(s->c_str()).compare(QStringLiteral("TRUE"), Qt::CaseInsensitive) == 0 ||
               *s == "1";
    return false;
}

} // namespace

void TStoreTable::CheckCanModifyTable(const char* disableParam) const {
    if (ParamIsTrue(data_, "READONLY") || ParamIsTrue(data_, disableParam))
        RaiseDatabaseError(QStringLiteral("Cannot modify a read-only dataset"));
}

void TStoreTable::AppendVersion(PacketRow row) {
    std::vector<PacketRow>& rows = data_.rows;
    if (rows.size() == rows.capacity()) {
        // A pass that posts every record appends one version per current record, and while the
        // vector grows its old and new buffers are both alive: growing by room for one more version
        // of each current record (by half, at least, so that posts to few records stay amortised)
        // holds far fewer empty versions at that moment than doubling does.
        const std::size_t current = std::min(currentRows_, rows.size());
        rows.reserve(rows.size() + std::max({rows.size() / 2, current, std::size_t{16}}));
    }
    // The edit buffer's changes are kept for as long as the version lives: without spare room.
    row.values.ShrinkToFit();
    rows.push_back(std::move(row));
}

TStoreTable::RecordContext TStoreTable::ActiveContext() const {
    if (override_) return *override_;
    if (state_ == TTableState::Edit || state_ == TTableState::Insert) return {&editBuffer_, &currentCalc_};
    if (Active() && cursor_ >= 0 && cursor_ < static_cast<int>(view_.size()))
        return {&data_.rows[static_cast<std::size_t>(view_[static_cast<std::size_t>(cursor_)])].values,
                &currentCalc_};
    return {};
}

void TStoreTable::CalculateFields(const RowValues& stored, std::vector<FieldValue>& calc) {
    calc.assign(static_cast<std::size_t>(calcCount_), FieldValue{});
    if (calcCount_ == 0 || !OnCalcFields) return;
    // While the handler runs, fields read this record and calculated fields accept values.
    const TTableState saved = state_;
    const std::optional<RecordContext> savedOverride = override_;
    const ScopeExit restore([&] {
        state_ = saved;
        override_ = savedOverride;
    });
    override_ = RecordContext{&stored, &calc};
    state_ = TTableState::CalcFields;
    OnCalcFields(*this);
}

void TStoreTable::FetchCurrent() {
    if (calcCount_ == 0) {
        currentCalc_.clear();
        return;
    }
    if (state_ == TTableState::Edit || state_ == TTableState::Insert) {
        CalculateFields(editBuffer_, currentCalc_);
    } else if (cursor_ >= 0 && cursor_ < static_cast<int>(view_.size())) {
        CalculateFields(data_.rows[static_cast<std::size_t>(view_[static_cast<std::size_t>(cursor_)])].values,
                        currentCalc_);
    } else {
        currentCalc_.assign(static_cast<std::size_t>(calcCount_), FieldValue{});
    }
}

TStoreValue TStoreTable::ReadField(const TStoreField& field) const {
    if (!Active()) return {};
    if (field.FieldClass() == TFieldClass::Aggregate) return AggregateValue(field);
    TStoreValue unused;
    return ValueOf(ReadFieldView(field, unused));
}

FieldView TStoreTable::ReadFieldView(const TStoreField& field, TStoreValue& computed) const {
    if (!Active()) return {};
    switch (field.FieldClass()) {
    case TFieldClass::Data: {
        const RowValues* stored = ActiveContext().stored;
        if (!stored || field.column_ < 0 || field.column_ >= static_cast<int>(stored->size())) return {};
        return (*stored)[static_cast<std::size_t>(field.column_)];
    }
    case TFieldClass::Calculated: {
        const std::vector<FieldValue>* calc = ActiveContext().calc;
        if (!calc || field.calcSlot_ < 0 || field.calcSlot_ >= static_cast<int>(calc->size())) return {};
        return ViewOf((*calc)[static_cast<std::size_t>(field.calcSlot_)]);
    }
    case TFieldClass::Aggregate:
        computed = AggregateValue(field);
        return ViewOf(computed);
    }
    return {};
}

void TStoreTable::WriteField(TStoreField& field, TStoreValue value) {
    switch (field.FieldClass()) {
    case TFieldClass::Aggregate:
        RaiseDatabaseError(StoreMessages::FieldReadOnly(field.FieldName()));
    case TFieldClass::Calculated: {
        const bool calculating = state_ == TTableState::CalcFields && override_ && override_->calc;
        if (!calculating && state_ != TTableState::Edit && state_ != TTableState::Insert)
            RaiseDatabaseError(StoreMessages::NotEditing());
        std::vector<FieldValue>& calc = calculating ? *override_->calc : currentCalc_;
        if (field.calcSlot_ < 0 || field.calcSlot_ >= static_cast<int>(calc.size())) return;
        calc[static_cast<std::size_t>(field.calcSlot_)] = field.ToStoredForm(value);
        if (!calculating) Notify(TableChange::FieldChanged, &field);
        return;
    }
    case TFieldClass::Data:
        break;
    }
    if (state_ != TTableState::Edit && state_ != TTableState::Insert)
        RaiseDatabaseError(StoreMessages::NotEditing());
    const FieldDef& def = data_.fields[static_cast<std::size_t>(field.column_)];
    if (field.ReadOnly() || def.flags.readOnly)
        RaiseDatabaseError(StoreMessages::FieldReadOnly(field.FieldName()));
    editBuffer_.Set(static_cast<std::size_t>(field.column_), field.ToStoredForm(value));
    modified_ = true;
    FetchCurrent();
    Notify(TableChange::FieldChanged, &field);
}

void TStoreTable::LeaveEditState(bool insertDropped) {
    state_ = TTableState::Browse;
    editBuffer_.clear();
    modified_ = false;
    insertPos_ = -1;
    if (insertDropped) {
        cursor_ = cursorBeforeInsert_;
        ClampCursor();
    }
}

void TStoreTable::ShowStateChange() {
    FetchCurrent();
    Notify(TableChange::StateChanged);
    Notify(TableChange::DataChanged);
}

void TStoreTable::Edit() {
    std::lock_guard lock(mutex_);
    CheckActive();
    if (state_ == TTableState::Edit || state_ == TTableState::Insert) return;
    if (view_.empty()) {
        StartInsert(true);
        return;
    }
    CheckCanModifyTable("DISABLE_EDITS");
    Fire(BeforeEdit);
    editBuffer_ = data_.rows[static_cast<std::size_t>(view_[static_cast<std::size_t>(cursor_)])].values;
    state_ = TTableState::Edit;
    modified_ = false;
    {
        ScopeFail backToBrowse([this] {
            state_ = TTableState::Browse;
            editBuffer_.clear();
        });
        FetchCurrent();
    }
    Notify(TableChange::StateChanged);
    Fire(AfterEdit);
}

void TStoreTable::Append() {
    std::lock_guard lock(mutex_);
    StartInsert(true);
}

void TStoreTable::Insert() {
    std::lock_guard lock(mutex_);
    StartInsert(false);
}

void TStoreTable::StartInsert(bool append) {
    CheckBrowseMode();
    CheckCanModifyTable("DISABLE_INSERTS");
    Fire(BeforeInsert);
    Fire(BeforeScroll);
    cursorBeforeInsert_ = cursor_;
    editBuffer_ = RowValues(data_.fields.size());
    insertPos_ = append || cursor_ < 0 ? static_cast<int>(view_.size()) : cursor_;
    state_ = TTableState::Insert;
    modified_ = false;
    bof_ = false;
    eof_ = false;
    try {
        FetchCurrent();
        Notify(TableChange::StateChanged);
        Notify(TableChange::DataChanged);
        Fire(OnNewRecord);
    } catch (...) {
        // Not a scope guard: the undo runs the calculated-field handler and the observers again,
        // and one of them may throw, which must not happen while the first exception unwinds.
        LeaveEditState(true);
        ShowStateChange();
        throw;
    }
    Fire(AfterInsert);
    Fire(AfterScroll);
}

void TStoreTable::Post() {
    std::lock_guard lock(mutex_);
    CheckActive();
    const std::vector<TableObserver*> observers = observers_;
    for (TableObserver* observer : observers)
        observer->UpdateRecord(*this);
    if (state_ != TTableState::Edit && state_ != TTableState::Insert) return;
    Fire(BeforePost);
    if (state_ != TTableState::Edit && state_ != TTableState::Insert) return;

    const bool inserting = state_ == TTableState::Insert;
    int autoIncColumn = -1;
    for (std::size_t c = 0; c < data_.fields.size(); ++c)
        if (data_.fields[c].subtype == "Autoinc" && data_.fields[c].type == PacketType::I4)
            autoIncColumn = static_cast<int>(c);
    const bool numbersRow = inserting && data_.hasAutoIncValue && autoIncColumn >= 0 &&
                            IsNull(editBuffer_[static_cast<std::size_t>(autoIncColumn)]);
    for (const auto& field : fields_) {
        if (field->FieldClass() != TFieldClass::Data || field->column_ < 0) continue;
        const auto column = static_cast<std::size_t>(field->column_);
        const bool required = field->Required() || data_.fields[column].flags.required;
        if (required && IsNull(editBuffer_[column]) && !(numbersRow && field->column_ == autoIncColumn))
            RaiseDatabaseError(StoreMessages::FieldRequired(field->FieldName()));
    }

    if (inserting) {
        if (numbersRow)
            editBuffer_.Set(static_cast<std::size_t>(autoIncColumn),
                            static_cast<std::int64_t>(data_.autoIncValue++));
        double order = nextRecordOrder_++;
        if (insertPos_ < static_cast<int>(view_.size()) && orderKeys_.empty()) {
            // Inserted before the current record: take a place between it and its predecessor.
            const double after =
                recordOrder_[static_cast<std::size_t>(view_[static_cast<std::size_t>(insertPos_)])];
            const double before =
                insertPos_ > 0
                    ? recordOrder_[static_cast<std::size_t>(view_[static_cast<std::size_t>(insertPos_ - 1)])]
                    : after - 1;
            order = (before + after) / 2;
        }
        const int row = static_cast<int>(data_.rows.size());
        AppendVersion(PacketRow{kRowInserted, std::move(editBuffer_)});
        ++currentRows_;
        recordOrder_.push_back(order);
        data_.changeLog.push_back({static_cast<std::uint32_t>(row + 1), 0, kChangeInserted});
        changed_ = true;
        ++contentVersion_;
        if (RowPasses(row)) {
            PlaceInView(row);
        } else {
            cursor_ = cursorBeforeInsert_;
            ClampCursor();
        }
    } else {
        const int old = view_[static_cast<std::size_t>(cursor_)];
        if (editBuffer_ != data_.rows[static_cast<std::size_t>(old)].values) {
            const std::uint8_t oldState = data_.rows[static_cast<std::size_t>(old)].rowState;
            const int row = static_cast<int>(data_.rows.size());
            AggregateRemove(old);
            data_.rows[static_cast<std::size_t>(old)].rowState =
                static_cast<std::uint8_t>(oldState | kRowSuperseded);
            AppendVersion(PacketRow{static_cast<std::uint8_t>(kRowModified | (oldState & kRowInserted)),
                                    std::move(editBuffer_)});
            recordOrder_.push_back(recordOrder_[static_cast<std::size_t>(old)]);
            data_.changeLog.push_back(
                {static_cast<std::uint32_t>(row + 1), static_cast<std::uint32_t>(old + 1), kChangeModified});
            changed_ = true;
            ++contentVersion_;
            if (!RowPasses(row)) {
                view_.erase(view_.begin() + cursor_);
                ClampCursor();
            } else if (FitsAt(cursor_, row)) {
                // The new version sorts where the old one stood, as it does unless a key changed:
                // it takes the old one's place without moving the rest of the view.
                view_[static_cast<std::size_t>(cursor_)] = row;
                AggregateAdd(row);
            } else {
                view_.erase(view_.begin() + cursor_);
                PlaceInView(row);
            }
        }
    }
    LeaveEditState(false);
    eof_ = view_.empty();
    bof_ = view_.empty();
    ShowStateChange();
    Fire(AfterPost);
}

void TStoreTable::Cancel() {
    std::lock_guard lock(mutex_);
    CheckActive();
    if (state_ != TTableState::Edit && state_ != TTableState::Insert) return;
    Fire(BeforeCancel);
    const bool inserting = state_ == TTableState::Insert;
    LeaveEditState(inserting);
    if (inserting) {
        eof_ = view_.empty();
        bof_ = view_.empty();
    }
    ShowStateChange();
    Fire(AfterCancel);
}

void TStoreTable::Delete() {
    std::lock_guard lock(mutex_);
    CheckActive();
    if (state_ == TTableState::Insert) {
        Cancel();
        return;
    }
    if (view_.empty())
        RaiseDatabaseError(QStringLiteral("Cannot perform this operation on an empty dataset"));
    CheckCanModifyTable("DISABLE_DELETES");
    Fire(BeforeDelete);
    Fire(BeforeScroll);
    state_ = TTableState::Browse;
    editBuffer_.clear();
    modified_ = false;
    const int row = view_[static_cast<std::size_t>(cursor_)];
    AggregateRemove(row);
    data_.rows[static_cast<std::size_t>(row)].rowState |= kRowDeleted;
    --currentRows_;
    data_.changeLog.push_back({static_cast<std::uint32_t>(row + 1), 0, kChangeDeleted});
    changed_ = true;
    ++contentVersion_;
    view_.erase(view_.begin() + cursor_);
    ClampCursor();
    eof_ = view_.empty();
    bof_ = view_.empty();
    FetchCurrent();
    Notify(TableChange::StateChanged);
    Notify(TableChange::DataChanged);
    Fire(AfterDelete);
    Fire(AfterScroll);
}

} // namespace quorvel
