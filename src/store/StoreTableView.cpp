#include "store/StoreTable.h"

#include "platform/AsciiText.h"
#include "platform/CodePage.h"
#include "platform/NumberParse.h"
#include "store/KeyOrder.h"
#include "store/StoreErrors.h"

#include <QCollator>

#include <algorithm>
#include <numeric>

namespace quorvel {
namespace {

constexpr int kMaxIndexFields = 16;

template <typename T> int Order(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// A guard that restores the record the fields read from.
template <typename T> class Restore {
public:
    Restore(T& slot, T value)
        : slot_(slot)
        , saved_(std::move(slot)) {
        slot_ = std::move(value);
    }
    ~Restore() { slot_ = std::move(saved_); }
    Restore(const Restore&) = delete;
    Restore& operator=(const Restore&) = delete;

private:
    T& slot_;
    T saved_;
};

} // namespace

int TStoreTable::ResolveColumn(const QString& name) const {
    for (const auto& field : fields_)
        if (field->FieldClass() == TFieldClass::Data && field->column_ >= 0 &&
            field->FieldName().compare(name, Qt::CaseInsensitive) == 0)
            return field->column_;
    for (std::size_t c = 0; c < data_.fields.size(); ++c)
        if (Cp1252ToQString(data_.fields[c].name).compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(c);
    return -1;
}

std::vector<TStoreTable::KeyPart> TStoreTable::ResolveOrder(const QString& indexName,
                                                            const QString& fieldNames) const {
    std::vector<KeyPart> keys;
    QString names = fieldNames;
    if (!indexName.isEmpty()) {
        auto it = std::find_if(indexDefs_.begin(), indexDefs_.end(), [&](const TStoreIndexDef& def) {
            return def.Name.compare(indexName, Qt::CaseInsensitive) == 0;
        });
        if (it == indexDefs_.end()) RaiseDatabaseError(StoreMessages::IndexNotFound(indexName));
        names = it->Fields;
    }
    if (!names.trimmed().isEmpty()) {
        const QStringList parts = names.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        if (parts.size() > kMaxIndexFields) RaiseStoreError(StoreErrorCode::TooManyKeys);
        for (const QString& part : parts) {
            const QString name = part.trimmed();
            const int column = ResolveColumn(name);
            if (column < 0) RaiseDatabaseError(StoreMessages::FieldNotFound(name));
            keys.push_back({column, false, false});
        }
        return keys;
    }
    // The file's own default order, when it gives one (1-based field numbers with flag bits).
    if (const PacketParam* order = data_.FindParam("DEFAULT_ORDER")) {
        if (const auto* list = std::get_if<std::vector<std::int64_t>>(&order->value)) {
            for (std::int64_t entry : *list) {
                const int column = static_cast<int>(entry & 0x3FFF) - 1;
                if (column < 0 || column >= static_cast<int>(data_.fields.size())) continue;
                keys.push_back({column, (entry & 0x8000) != 0, (entry & 0x4000) != 0});
                if (keys.size() == kMaxIndexFields) break;
            }
        }
    }
    return keys;
}

std::optional<StoreExpression> TStoreTable::CompileFilter(const QString& text, bool filtered) const {
    if (!filtered || text.trimmed().isEmpty()) return std::nullopt;
    return StoreExpression::Parse(
        QStringToCp1252(text), [this](const QString& name) { return ResolveColumn(name); },
        StoreExpression::Use::Filter);
}

std::vector<TStoreTable::AggregateState> TStoreTable::CompileAggregates() const {
    std::vector<AggregateState> states;
    for (const auto& field : fields_) {
        if (field->FieldClass() != TFieldClass::Aggregate || !field->Active()) continue;
        AggregateState state;
        state.field = field.get();
        state.expression = StoreExpression::Parse(
            QStringToCp1252(field->Expression()), [this](const QString& name) { return ResolveColumn(name); },
            StoreExpression::Use::Aggregate);
        for (const ExprNode* call : state.expression.Aggregates())
            state.accumulators.emplace_back(*call);
        states.push_back(std::move(state));
    }
    return states;
}

bool TStoreTable::RowPasses(int row) const {
    if (!filterExpression_) return true;
    const RowValues& values = data_.rows[static_cast<std::size_t>(row)].values;
    return filterExpression_->Passes([&values](int column) -> FieldView {
        return column >= 0 && column < static_cast<int>(values.size())
                   ? values[static_cast<std::size_t>(column)]
                   : FieldView{};
    });
}

int TStoreTable::CompareRows(int a, int b) const {
    const auto& va = data_.rows[static_cast<std::size_t>(a)].values;
    const auto& vb = data_.rows[static_cast<std::size_t>(b)].values;
    for (const KeyPart& key : orderKeys_) {
        const auto column = static_cast<std::size_t>(key.column);
        // A row shorter than the key reads NULL there (the row's own reading beyond its size).
        const int c = CompareFieldValues(va[column], vb[column],
                                         key.caseInsensitive ? *collatorInsensitive_ : *collator_);
        if (c != 0) return key.descending ? -c : c;
    }
    const int c = Order(recordOrder_[static_cast<std::size_t>(a)], recordOrder_[static_cast<std::size_t>(b)]);
    return c != 0 ? c : Order(a, b);
}

void TStoreTable::CollectVisibleRows() {
    view_.clear();
    // A `field = number` filter on an integer field takes its rows from the index of that field's
    // values: selecting a lot happens thousands of times while a proposal opens, and reading every
    // row each time made the opening grow with the square of the proposal.
    const auto equality = filterExpression_ ? filterExpression_->FieldEqualsNumber() : std::nullopt;
    if (equality) {
        const FieldKind kind = KindOf(data_.fields[static_cast<std::size_t>(equality->first)]);
        if (kind == FieldKind::Integer || kind == FieldKind::Unsigned) {
            if (const std::vector<int>* rows =
                    equalityIndex_.CurrentRowsEqualTo(data_.rows, equality->first, equality->second)) {
                view_ = *rows;
                return;
            }
        }
    }
    for (std::size_t i = 0; i < data_.rows.size(); ++i)
        if (IsCurrentRow(data_.rows[i].rowState) && RowPasses(static_cast<int>(i)))
            view_.push_back(static_cast<int>(i));
}

void TStoreTable::RebuildView() {
    CollectVisibleRows();
    std::vector<KeyOrderPart> parts;
    parts.reserve(orderKeys_.size());
    for (const KeyPart& key : orderKeys_)
        parts.push_back({key.column, key.descending,
                         key.caseInsensitive ? collatorInsensitive_.get() : collator_.get(),
                         IsTextKeyKind(KindOf(data_.fields[static_cast<std::size_t>(key.column)]))});
    // The order is total (ties fall back to the record's place, then to the row), so a view that is
    // already in order is the sorted one: rows kept in their index order, as a proposal's items
    // usually are, are only checked.
    SortByKeys(
        view_, parts,
        [this, &parts](int row, std::size_t part) -> FieldView {
            return data_.rows[static_cast<std::size_t>(row)]
                .values[static_cast<std::size_t>(parts[part].column)];
        },
        [this](int a, int b) {
            const int c =
                Order(recordOrder_[static_cast<std::size_t>(a)], recordOrder_[static_cast<std::size_t>(b)]);
            return c != 0 ? c < 0 : a < b;
        });
}

int TStoreTable::FindViewPosition(int row) const {
    const auto it = std::find(view_.begin(), view_.end(), row);
    return it == view_.end() ? -1 : static_cast<int>(it - view_.begin());
}

bool TStoreTable::FitsAt(int position, int row) const {
    const auto at = static_cast<std::size_t>(position);
    return (at == 0 || CompareRows(view_[at - 1], row) < 0) &&
           (at + 1 >= view_.size() || CompareRows(row, view_[at + 1]) < 0);
}

int TStoreTable::InsertionPosition(int row) const {
    const auto it = std::upper_bound(view_.begin(), view_.end(), row,
                                     [this](int r, int element) { return CompareRows(r, element) < 0; });
    return static_cast<int>(it - view_.begin());
}

void TStoreTable::RebuildViewAtFirst() {
    RebuildView();
    RecomputeAggregates();
    cursor_ = view_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = view_.empty();
    FetchCurrent();
}

void TStoreTable::RecomputeAggregates() {
    for (AggregateState& state : aggregates_) {
        for (AggregateAccumulator& accumulator : state.accumulators)
            accumulator.Reset();
    }
    if (aggregates_.empty()) return;
    for (int row : view_)
        AggregateAdd(row);
}

void TStoreTable::AggregateAdd(int row) {
    AggregateStep(row, true);
}

void TStoreTable::AggregateRemove(int row) {
    AggregateStep(row, false);
}

void TStoreTable::AggregateStep(int row, bool add) {
    if (aggregates_.empty()) return;
    const RowValues& values = data_.rows[static_cast<std::size_t>(row)].values;
    const ColumnReader reader = [&values](int column) -> FieldView {
        return values[static_cast<std::size_t>(column)];
    };
    for (AggregateState& state : aggregates_)
        for (AggregateAccumulator& accumulator : state.accumulators)
            add ? accumulator.Add(reader) : accumulator.Remove(reader);
}

void TStoreTable::PlaceInView(int row) {
    const int position = InsertionPosition(row);
    view_.insert(view_.begin() + position, row);
    cursor_ = position;
    AggregateAdd(row);
}

TStoreValue TStoreTable::AggregateValue(const TStoreField& field) const {
    for (const AggregateState& state : aggregates_) {
        if (state.field != &field) continue;
        std::vector<ExprValue> values;
        values.reserve(state.accumulators.size());
        for (const AggregateAccumulator& accumulator : state.accumulators)
            values.push_back(accumulator.Value());
        const ExprValue result = state.expression.EvaluateAggregate(values);
        switch (result.kind) {
        case ExprValue::Kind::Null:
            return {};
        case ExprValue::Kind::Number:
            if (state.expression.IsPlainCount()) return static_cast<std::int64_t>(result.number);
            return result.number;
        case ExprValue::Kind::Text:
            return result.text;
        case ExprValue::Kind::Boolean:
            return result.boolean;
        }
    }
    return {};
}

void TStoreTable::SetFilter(const QString& text) {
    std::lock_guard lock(mutex_);
    if (!Active() || !filtered_) {
        filter_ = text;
        return;
    }
    CheckBrowseMode();
    std::optional<StoreExpression> expression = CompileFilter(text, true);
    filter_ = text;
    ApplyFilterChange(std::move(expression));
}

void TStoreTable::SetFiltered(bool filtered) {
    std::lock_guard lock(mutex_);
    if (filtered == filtered_) return;
    if (!Active()) {
        filtered_ = filtered;
        return;
    }
    CheckBrowseMode();
    std::optional<StoreExpression> expression = CompileFilter(filter_, filtered);
    filtered_ = filtered;
    ApplyFilterChange(std::move(expression));
}

void TStoreTable::ApplyFilterChange(std::optional<StoreExpression> expression) {
    Fire(BeforeScroll);
    filterExpression_ = std::move(expression);
    RebuildViewAtFirst();
    Notify(TableChange::DataChanged);
    Fire(AfterScroll);
}

void TStoreTable::SetIndexName(const QString& name) {
    std::lock_guard lock(mutex_);
    if (!Active()) {
        indexName_ = name;
        indexFieldNames_.clear();
        return;
    }
    CheckBrowseMode();
    std::vector<KeyPart> keys = ResolveOrder(name, QString());
    indexName_ = name;
    indexFieldNames_.clear();
    ApplyOrderChange(std::move(keys));
}

void TStoreTable::SetIndexFieldNames(const QString& names) {
    std::lock_guard lock(mutex_);
    if (!Active()) {
        indexFieldNames_ = names;
        indexName_.clear();
        return;
    }
    CheckBrowseMode();
    std::vector<KeyPart> keys = ResolveOrder(QString(), names);
    indexFieldNames_ = names;
    indexName_.clear();
    ApplyOrderChange(std::move(keys));
}

void TStoreTable::ApplyOrderChange(std::vector<KeyPart> keys) {
    const int current = cursor_ >= 0 && cursor_ < static_cast<int>(view_.size())
                            ? view_[static_cast<std::size_t>(cursor_)]
                            : -1;
    orderKeys_ = std::move(keys);
    const std::vector<int> before = view_;
    RebuildView();
    // The same rows in the same order give the same totals: an index that orders as the one before
    // (a field and then the named index on it) does not walk every row again.
    if (view_ != before) RecomputeAggregates();
    const int position = current >= 0 ? FindViewPosition(current) : -1;
    cursor_ = position >= 0 ? position : (view_.empty() ? -1 : 0);
    FetchCurrent();
    Notify(TableChange::DataChanged);
}

void TStoreTable::ClampCursor() {
    const int count = static_cast<int>(view_.size());
    cursor_ = count == 0 ? -1 : std::clamp(cursor_, 0, count - 1);
}

void TStoreTable::SetCursor(int position) {
    cursor_ = position;
    FetchCurrent();
    Notify(TableChange::RecordChanged);
}

void TStoreTable::First() {
    std::lock_guard lock(mutex_);
    CheckBrowseMode();
    Fire(BeforeScroll);
    SetCursor(view_.empty() ? -1 : 0);
    bof_ = true;
    eof_ = view_.empty();
    Fire(AfterScroll);
}

void TStoreTable::Last() {
    std::lock_guard lock(mutex_);
    CheckBrowseMode();
    Fire(BeforeScroll);
    SetCursor(static_cast<int>(view_.size()) - 1);
    eof_ = true;
    bof_ = view_.empty();
    Fire(AfterScroll);
}

void TStoreTable::Next() {
    MoveBy(1);
}

void TStoreTable::Prior() {
    MoveBy(-1);
}

int TStoreTable::MoveBy(int distance) {
    std::lock_guard lock(mutex_);
    CheckBrowseMode();
    Fire(BeforeScroll);
    int moved = 0;
    const int count = static_cast<int>(view_.size());
    if (count == 0) {
        bof_ = true;
        eof_ = true;
    } else if (distance > 0) {
        const int target = std::min(cursor_ + distance, count - 1);
        moved = target - cursor_;
        eof_ = moved < distance;
        if (moved > 0) bof_ = false;
        if (moved != 0) SetCursor(target);
    } else if (distance < 0) {
        const int target = std::max(cursor_ + distance, 0);
        moved = target - cursor_;
        bof_ = moved > distance;
        if (moved < 0) eof_ = false;
        if (moved != 0) SetCursor(target);
    }
    Fire(AfterScroll);
    return moved;
}

bool TStoreTable::IsEmpty() const {
    std::lock_guard lock(mutex_);
    CheckActive();
    return view_.empty() && state_ != TTableState::Insert;
}

int TStoreTable::RecordCount() const {
    std::lock_guard lock(mutex_);
    CheckActive();
    return static_cast<int>(view_.size());
}

int TStoreTable::RecNo() const {
    std::lock_guard lock(mutex_);
    CheckActive();
    if (state_ == TTableState::Insert) return insertPos_ + 1;
    return cursor_ + 1;
}

void TStoreTable::SetRecNo(int recNo) {
    std::lock_guard lock(mutex_);
    CheckBrowseMode();
    const int count = static_cast<int>(view_.size());
    if (count == 0) return;
    const int target = std::clamp(recNo, 1, count) - 1;
    if (target == cursor_) return;
    Fire(BeforeScroll);
    SetCursor(target);
    bof_ = false;
    eof_ = false;
    Fire(AfterScroll);
}

namespace {

bool ToInteger(const FieldView& v, std::int64_t& out) {
    if (const auto* i = std::get_if<std::int64_t>(&v)) {
        out = *i;
        return true;
    }
    if (const auto* d = std::get_if<double>(&v)) {
        out = static_cast<std::int64_t>(*d);
        return static_cast<double>(out) == *d;
    }
    if (const auto* dec = std::get_if<TDecimal>(&v)) {
        const double d = dec->ToDouble();
        out = static_cast<std::int64_t>(d);
        return static_cast<double>(out) == d;
    }
    if (const auto* s = std::get_if<std::string_view>(&v)) {
        const std::optional<std::int64_t> number = ParseWholeNumber(TrimAsciiSpace(*s));
        if (number) out = *number;
        return number.has_value();
    }
    if (const auto* b = std::get_if<bool>(&v)) {
        out = *b ? 1 : 0;
        return true;
    }
    return false;
}

bool ToDouble(const FieldView& v, double& out) {
    if (const auto* i = std::get_if<std::int64_t>(&v)) {
        out = static_cast<double>(*i);
        return true;
    }
    if (const auto* d = std::get_if<double>(&v)) {
        out = *d;
        return true;
    }
    if (const auto* dec = std::get_if<TDecimal>(&v)) {
        out = dec->ToDouble();
        return true;
    }
    if (const auto* s = std::get_if<std::string_view>(&v)) {
        const std::optional<double> number = ParsePlainNumber(TrimAsciiSpace(*s), '.');
        if (number) out = *number;
        return number.has_value();
    }
    return false;
}

QString ToText(const FieldView& v) {
    if (const auto* s = std::get_if<std::string_view>(&v)) return Cp1252ToQString(*s);
    if (const auto* w = std::get_if<std::u16string_view>(&v)) return Utf16ToQString(*w);
    if (const auto* i = std::get_if<std::int64_t>(&v)) return QString::number(*i);
    if (const auto* d = std::get_if<double>(&v)) return QString::number(*d, 'g', 15);
    if (const auto* dec = std::get_if<TDecimal>(&v)) return QString::fromStdString(dec->ToString());
    if (const auto* b = std::get_if<bool>(&v)) return *b ? QStringLiteral("True") : QStringLiteral("False");
    return {};
}

bool MatchValue(const FieldView& stored, const FieldView& wanted, TLocateOption options) {
    if (IsNull(wanted)) return IsNull(stored);
    if (IsNull(stored)) return false;
    if (std::holds_alternative<std::string_view>(stored) ||
        std::holds_alternative<std::u16string_view>(stored)) {
        const bool partial = HasOption(options, TLocateOption::PartialKey);
        const bool insensitive = HasOption(options, TLocateOption::CaseInsensitive);
        if (!insensitive) {
            if (const auto* s = std::get_if<std::string_view>(&stored)) {
                if (const auto* w = std::get_if<std::string_view>(&wanted))
                    return partial ? s->starts_with(*w) : *s == *w;
            }
        }
        const QString s = ToText(stored);
        const QString w = ToText(wanted);
        const Qt::CaseSensitivity cs = insensitive ? Qt::CaseInsensitive : Qt::CaseSensitive;
        return partial ? s.startsWith(w, cs) : s.compare(w, cs) == 0;
    }
    if (const auto* i = std::get_if<std::int64_t>(&stored)) {
        std::int64_t w = 0;
        return ToInteger(wanted, w) && w == *i;
    }
    if (const auto* dec = std::get_if<TDecimal>(&stored)) {
        if (const auto* w = std::get_if<TDecimal>(&wanted)) return TDecimal::Compare(*dec, *w) == 0;
        double w = 0;
        return ToDouble(wanted, w) && w == dec->ToDouble();
    }
    if (const auto* d = std::get_if<double>(&stored)) {
        double w = 0;
        return ToDouble(wanted, w) && w == *d;
    }
    if (const auto* b = std::get_if<bool>(&stored)) {
        if (const auto* w = std::get_if<bool>(&wanted)) return *w == *b;
        std::int64_t w = 0;
        return ToInteger(wanted, w) && (w != 0) == *b;
    }
    return stored == wanted;
}

} // namespace

bool TStoreTable::Locate(const QString& keyField, const TStoreValue& value, TLocateOption options) {
    return Locate(keyField, std::vector<TStoreValue>{value}, options);
}

bool TStoreTable::Locate(const QString& keyFields, const std::vector<TStoreValue>& values,
                         TLocateOption options) {
    std::lock_guard lock(mutex_);
    CheckBrowseMode();
    std::vector<int> columns;
    for (const QString& part : keyFields.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const TStoreField& field = FieldByName(part.trimmed());
        if (field.FieldClass() != TFieldClass::Data)
            RaiseDatabaseError(StoreMessages::FieldNotFound(part.trimmed()));
        columns.push_back(field.column_);
    }
    if (columns.size() != values.size())
        RaiseDatabaseError(QStringLiteral("Locate needs one value per key field"));
    const auto [from, to] = LocateRange(columns, values);
    for (std::size_t p = from; p < to; ++p) {
        const RowValues& row = data_.rows[static_cast<std::size_t>(view_[p])].values;
        bool all = true;
        for (std::size_t k = 0; k < columns.size() && all; ++k)
            all = MatchValue(row[static_cast<std::size_t>(columns[k])], ViewOf(values[k]), options);
        if (!all) continue;
        Fire(BeforeScroll);
        SetCursor(static_cast<int>(p));
        bof_ = false;
        eof_ = false;
        Fire(AfterScroll);
        return true;
    }
    return false;
}

std::pair<std::size_t, std::size_t> TStoreTable::LocateRange(const std::vector<int>& columns,
                                                             const std::vector<TStoreValue>& values) const {
    // When the view is in ascending order of an integer field that is searched for a number, the rows
    // that can match stand together and are found by halving (a lot table being built looks up every
    // item's lot); otherwise every row of the view is a candidate.
    const std::pair<std::size_t, std::size_t> all{0, view_.size()};
    if (orderKeys_.empty() || orderKeys_.front().descending) return all;
    const int column = orderKeys_.front().column;
    const FieldKind kind = KindOf(data_.fields[static_cast<std::size_t>(column)]);
    if (kind != FieldKind::Integer && kind != FieldKind::Unsigned) return all;
    const auto searched = std::find(columns.begin(), columns.end(), column);
    if (searched == columns.end()) return all;
    std::int64_t wanted = 0;
    const TStoreValue& value = values[static_cast<std::size_t>(searched - columns.begin())];
    if (IsNull(value) || !ToInteger(ViewOf(value), wanted)) return all;
    // NULLs come first in the order and never equal a number.
    const auto below = [this, column](int row, std::int64_t number) {
        const FieldView value =
            data_.rows[static_cast<std::size_t>(row)].values[static_cast<std::size_t>(column)];
        const auto* stored = std::get_if<std::int64_t>(&value);
        return stored == nullptr || *stored < number;
    };
    const auto above = [this, column](std::int64_t number, int row) {
        const FieldView value =
            data_.rows[static_cast<std::size_t>(row)].values[static_cast<std::size_t>(column)];
        const auto* stored = std::get_if<std::int64_t>(&value);
        return stored != nullptr && number < *stored;
    };
    const auto first = std::lower_bound(view_.begin(), view_.end(), wanted, below);
    const auto last = std::upper_bound(first, view_.end(), wanted, above);
    return {static_cast<std::size_t>(first - view_.begin()), static_cast<std::size_t>(last - view_.begin())};
}

int TStoreTable::ViewCount() const {
    std::lock_guard lock(mutex_);
    if (!Active()) return 0;
    return static_cast<int>(view_.size()) + (state_ == TTableState::Insert ? 1 : 0);
}

int TStoreTable::CurrentViewIndex() const {
    std::lock_guard lock(mutex_);
    if (!Active()) return -1;
    return state_ == TTableState::Insert ? insertPos_ : cursor_;
}

void TStoreTable::ReadRecordAt(int viewIndex, const std::function<void()>& read) {
    std::lock_guard lock(mutex_);
    CheckActive();
    if (viewIndex < 0 || viewIndex >= ViewCount()) return;
    const bool inserting = state_ == TTableState::Insert;
    const bool editing = state_ == TTableState::Edit;
    if ((inserting && viewIndex == insertPos_) || (editing && viewIndex == cursor_) ||
        (!inserting && viewIndex == cursor_)) {
        // The current record (or its edit buffer), with its calculated values already computed.
        Restore<std::optional<RecordContext>> guard(override_, std::nullopt);
        read();
        return;
    }
    const int position = inserting && viewIndex > insertPos_ ? viewIndex - 1 : viewIndex;
    const RowValues& stored =
        data_.rows[static_cast<std::size_t>(view_[static_cast<std::size_t>(position)])].values;
    std::vector<FieldValue> calc;
    CalculateFields(stored, calc);
    Restore<std::optional<RecordContext>> guard(override_, RecordContext{&stored, &calc});
    read();
}

} // namespace quorvel
