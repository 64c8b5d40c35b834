#include "store/StoreTable.h"

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/ScopeExit.h"
#include "store/FieldTypeTable.h"
#include "store/KeyOrder.h"
#include "store/PacketFile.h"
#include "store/StoreErrors.h"

#include <QCollator>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace quorvel {

struct TStoreTable::Binding {
    int column = -1;
    int size = 0;
};

namespace {

// The stored field a declared kind is created as by CreateDataSet.
FieldDef DefinitionFor(const TStoreField& field) {
    FieldDef def;
    const FieldTypeRow& row = FieldTypeRowOf(field.DataType());
    def.name = QStringToCp1252(field.FieldName());
    def.type = row.stored;
    def.subtype = std::string(row.subtype);
    switch (row.width) {
    case StoredWidth::None:
        break;
    case StoredWidth::Size:
        def.width = field.Size();
        break;
    case StoredWidth::TwiceSize:
        def.width = field.Size() * 2;
        break;
    case StoredWidth::Precision:
        def.width = field.Precision();
        def.decimals = field.DecimalPlaces();
        break;
    case StoredWidth::AtLeastOne:
        def.width = std::max(1, field.Size());
        break;
    }
    if (field.DataType() == TFieldType::AutoInc) def.flags.readOnly = true;
    if (field.Required()) def.flags.required = true;
    if (field.ReadOnly()) def.flags.readOnly = true;
    return def;
}

} // namespace

TStoreTable::TStoreTable()
    : collator_(std::make_unique<QCollator>())
    , collatorInsensitive_(std::make_unique<QCollator>()) {}

TStoreTable::~TStoreTable() {
    // A table destroyed open is closed first, so a changed proposal is still written. Observers
    // and handlers may already be gone at this point and are not called; a failed write cannot be
    // reported from here (callers that must see it close the table themselves).
    observers_.clear();
    for (TDataSetNotifyEvent* handler :
         {&BeforeOpen, &AfterOpen, &BeforeClose, &AfterClose, &BeforeInsert, &AfterInsert, &BeforeEdit,
          &AfterEdit, &BeforePost, &AfterPost, &BeforeCancel, &AfterCancel, &BeforeDelete, &AfterDelete,
          &BeforeScroll, &AfterScroll, &OnNewRecord, &OnCalcFields})
        *handler = nullptr;
    try {
        Close();
    } catch (...) {
    }
}

TStoreField& TStoreTable::AddFieldOfClass(const QString& name, TFieldType type, TFieldClass fieldClass,
                                          int size) {
    std::lock_guard lock(mutex_);
    CheckInactive();
    std::unique_ptr<TStoreField> field(new TStoreField(*this, name, type, fieldClass));
    field->size_ = size;
    field->declaredSize_ = size;
    field->index_ = static_cast<int>(fields_.size());
    if (type == TFieldType::BCD || type == TFieldType::FMTBcd) {
        field->precision_ = 15;
        field->decimals_ = size;
        field->size_ = 0;
        field->declaredSize_ = 0;
    }
    if (type == TFieldType::AutoInc) field->readOnly_ = true;
    fields_.push_back(std::move(field));
    IndexFieldName(fields_.size() - 1);
    return *fields_.back();
}

void TStoreTable::IndexFieldName(std::size_t position) {
    const QString& name = fields_[position]->FieldName();
    if (fieldsByName_.contains(name)) return;
    // The name leads to the first field that FindField's comparison without letter case finds.
    std::size_t first = 0;
    while (first < position && (fields_[first]->FieldName().size() != name.size() ||
                                fields_[first]->FieldName().compare(name, Qt::CaseInsensitive) != 0))
        ++first;
    fieldsByName_.insert(name, static_cast<int>(first));
    bool latin1 = true;
    for (const QChar c : name)
        latin1 = latin1 && c.unicode() <= 0xFF;
    if (latin1) fieldsByLatin1Name_.emplace(name.toLatin1().toStdString(), static_cast<int>(first));
}

TStoreField& TStoreTable::AddField(const QString& name, TFieldType type, int size) {
    return AddFieldOfClass(name, type, TFieldClass::Data, size);
}

TStoreField& TStoreTable::AddDecimalField(const QString& name, int places, int precision) {
    TStoreField& field = AddFieldOfClass(name, TFieldType::BCD, TFieldClass::Data, places);
    field.precision_ = precision;
    return field;
}

TStoreField& TStoreTable::AddCalculatedField(const QString& name, TFieldType type, int size) {
    return AddFieldOfClass(name, type, TFieldClass::Calculated, size);
}

TStoreField& TStoreTable::AddAggregateField(const QString& name, const QString& expression) {
    TStoreField& field = AddFieldOfClass(name, TFieldType::Float, TFieldClass::Aggregate, 0);
    field.expression_ = expression;
    field.readOnly_ = true;
    return field;
}

void TStoreTable::AddIndex(const QString& name, const QString& fields) {
    std::lock_guard lock(mutex_);
    indexDefs_.push_back({name, fields});
}

TStoreField& TStoreTable::Fields(int index) const {
    std::lock_guard lock(mutex_);
    if (index < 0 || index >= static_cast<int>(fields_.size()))
        RaiseDatabaseError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return *fields_[static_cast<std::size_t>(index)];
}

TStoreField* TStoreTable::FindField(const QString& name) const {
    std::lock_guard lock(mutex_);
    // A name spelled as declared is found at once: handlers and reports look fields up by name for
    // every value they read or write.
    if (const auto it = fieldsByName_.constFind(name); it != fieldsByName_.constEnd())
        return fields_[static_cast<std::size_t>(*it)].get();
    // Case folding keeps a name's length, so names of another length are passed over without
    // comparing.
    for (const auto& field : fields_) {
        const QString& fieldName = field->FieldName();
        if (fieldName.size() == name.size() && fieldName.compare(name, Qt::CaseInsensitive) == 0)
            return field.get();
    }
    return nullptr;
}

TStoreField* TStoreTable::FindField(QLatin1StringView name) const {
    {
        std::lock_guard lock(mutex_);
        const auto it =
            fieldsByLatin1Name_.find(std::string_view(name.data(), static_cast<std::size_t>(name.size())));
        if (it != fieldsByLatin1Name_.end()) return fields_[static_cast<std::size_t>(it->second)].get();
    }
    return FindField(QString(name));
}

TStoreField& TStoreTable::FieldByName(QLatin1StringView name) const {
    TStoreField* field = FindField(name);
    if (!field) RaiseDatabaseError(StoreMessages::FieldNotFound(name));
    return *field;
}

TStoreField& TStoreTable::FieldByName(const QString& name) const {
    TStoreField* field = FindField(name);
    if (!field) RaiseDatabaseError(StoreMessages::FieldNotFound(name));
    return *field;
}

void TStoreTable::SetFileName(const QString& fileName) {
    std::lock_guard lock(mutex_);
    fileName_ = fileName;
}

void TStoreTable::SetAggregatesActive(bool active) {
    std::lock_guard lock(mutex_);
    if (aggregatesActive_ == active) return;
    aggregatesActive_ = active;
    if (Active()) {
        aggregates_ = active ? CompileAggregates() : std::vector<AggregateState>{};
        RecomputeAggregates();
        Notify(TableChange::DataChanged);
    }
}

void TStoreTable::CheckInactive() const {
    if (Active()) RaiseDatabaseError(QStringLiteral("Cannot perform this operation on an open dataset"));
}

void TStoreTable::CheckActive() const {
    if (!Active()) RaiseDatabaseError(StoreMessages::DataSetClosed());
}

void TStoreTable::CheckBrowseMode() {
    CheckActive();
    if (state_ == TTableState::Edit || state_ == TTableState::Insert) Post();
}

void TStoreTable::Fire(const TDataSetNotifyEvent& handler) {
    if (handler) handler(*this);
}

void TStoreTable::AddObserver(TableObserver* observer) {
    std::lock_guard lock(mutex_);
    if (observer && std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
        observers_.push_back(observer);
}

void TStoreTable::RemoveObserver(TableObserver* observer) {
    std::lock_guard lock(mutex_);
    std::erase(observers_, observer);
}

void TStoreTable::DisableControls() {
    std::lock_guard lock(mutex_);
    ++disableCount_;
}

void TStoreTable::EnableControls() {
    std::lock_guard lock(mutex_);
    if (disableCount_ == 0) return;
    if (--disableCount_ == 0) Notify(TableChange::DataChanged);
}

void TStoreTable::Notify(TableChange kind, const TStoreField* field) {
    if (disableCount_ > 0) return;
    const std::vector<TableObserver*> observers = observers_;
    for (TableObserver* observer : observers)
        if (std::find(observers_.begin(), observers_.end(), observer) != observers_.end())
            observer->TableChanged(*this, kind, field);
}

void TStoreTable::SetActive(bool active) {
    if (active)
        Open();
    else
        Close();
}

void TStoreTable::Open() {
    std::lock_guard lock(mutex_);
    if (Active()) return;
    Fire(BeforeOpen);
    if (!fileName_.isEmpty() && QFileInfo::exists(fileName_)) {
        OpenWith(ReadDatapacketFile(fileName_), false);
    } else if (kept_) {
        OpenWith(*kept_, true);
    } else {
        RaiseDatabaseError(StoreMessages::MissingDataPacket());
    }
    Fire(AfterOpen);
    if (!view_.empty()) Fire(AfterScroll);
}

void TStoreTable::Open(Datapacket packet) {
    std::lock_guard lock(mutex_);
    if (Active()) return;
    Fire(BeforeOpen);
    OpenWith(std::move(packet), false);
    Fire(AfterOpen);
    if (!view_.empty()) Fire(AfterScroll);
}

void TStoreTable::CreateDataSet() {
    std::lock_guard lock(mutex_);
    if (Active()) Close();
    Datapacket packet;
    for (const auto& field : fields_)
        if (field->FieldClass() == TFieldClass::Data) packet.fields.push_back(DefinitionFor(*field));
    if (packet.fields.empty()) RaiseDatabaseError(StoreMessages::NoFieldsDefined());
    for (const FieldDef& def : packet.fields)
        if (def.subtype == "Autoinc") {
            packet.hasAutoIncValue = true;
            packet.autoIncValue = 1;
        }
    kept_.reset();
    Fire(BeforeOpen);
    OpenWith(std::move(packet), false);
    Fire(AfterOpen);
}

std::vector<TStoreTable::Binding> TStoreTable::BindFields(const Datapacket& packet) const {
    std::vector<Binding> bindings(fields_.size());
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        const TStoreField& field = *fields_[i];
        if (field.FieldClass() != TFieldClass::Data) continue;
        const int column = packet.FieldIndex(QStringToCp1252(field.FieldName()));
        int found = column;
        if (found < 0) {
            // Names compare without letter case, as field lookups do.
            for (std::size_t c = 0; c < packet.fields.size(); ++c)
                if (Cp1252ToQString(packet.fields[c].name).compare(field.FieldName(), Qt::CaseInsensitive) ==
                    0) {
                    found = static_cast<int>(c);
                    break;
                }
        }
        if (found < 0) RaiseDatabaseError(StoreMessages::FieldNotFound(field.FieldName()));
        const FieldDef& def = packet.fields[static_cast<std::size_t>(found)];
        const TFieldType loaded = FieldTypeOf(def);
        if (FieldTypeFamily(loaded) != FieldTypeFamily(field.DataType()))
            RaiseDatabaseError(StoreMessages::TypeMismatch(field.FieldName(), FieldTypeName(field.DataType()),
                                                           FieldTypeName(loaded)));
        Binding& b = bindings[i];
        b.column = found;
        b.size = field.declaredSize_;
        if (loaded == TFieldType::BCD || loaded == TFieldType::FMTBcd) {
            if (def.decimals != field.DecimalPlaces())
                RaiseDatabaseError(
                    StoreMessages::SizeMismatch(field.FieldName(), field.DecimalPlaces(), def.decimals));
        } else if (loaded == TFieldType::Bytes) {
            if (def.width != field.declaredSize_)
                RaiseDatabaseError(
                    StoreMessages::SizeMismatch(field.FieldName(), field.declaredSize_, def.width));
        } else if (IsStringType(loaded)) {
            if (field.declaredSize_ == 0 || (def.width < field.declaredSize_ && !field.ReadOnly()))
                b.size = def.width;
        }
    }
    return bindings;
}

void TStoreTable::ApplyBindings(const Datapacket& packet, const std::vector<Binding>& bindings) {
    if (fields_.empty()) {
        // Without declared fields the table shows every loaded field.
        for (std::size_t c = 0; c < packet.fields.size(); ++c) {
            const FieldDef& def = packet.fields[c];
            TStoreField& field =
                AddFieldOfClass(Cp1252ToQString(def.name), FieldTypeOf(def), TFieldClass::Data,
                                IsStringType(FieldTypeOf(def)) ? def.width : 0);
            field.dynamic_ = true;
            field.column_ = static_cast<int>(c);
            field.decimals_ = def.decimals;
            field.precision_ = DecimalPrecision(def);
            field.readOnly_ = def.flags.readOnly || FieldTypeOf(def) == TFieldType::AutoInc;
            field.required_ = def.flags.required;
            field.visible_ = !def.flags.hidden;
            if (field.DataType() == TFieldType::Bytes || field.DataType() == TFieldType::VarBytes)
                field.size_ = def.width;
        }
    }
    calcCount_ = 0;
    int aggregateSlot = 0;
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        TStoreField& field = *fields_[i];
        if (field.dynamic_) continue;
        switch (field.FieldClass()) {
        case TFieldClass::Data:
            field.column_ = bindings[i].column;
            field.size_ = bindings[i].size;
            break;
        case TFieldClass::Calculated:
            field.calcSlot_ = calcCount_++;
            break;
        case TFieldClass::Aggregate:
            field.aggregate_ = aggregateSlot++;
            break;
        }
    }
}

void TStoreTable::OpenWith(Datapacket packet, bool fromKept) {
    // Everything that can fail is checked before the table changes.
    const std::vector<Binding> bindings = BindFields(packet);
    ApplyBindings(packet, bindings);
    const QLocale collation = CollationLocaleOf(packet);
    {
        // A packet that cannot be taken in leaves the table closed and empty.
        ScopeFail release([this] { ReleaseContent(); });
        data_ = std::move(packet);
        currentRows_ = static_cast<std::size_t>(
            std::count_if(data_.rows.begin(), data_.rows.end(),
                          [](const PacketRow& row) { return IsCurrentRow(row.rowState); }));
        ++contentVersion_;
        equalityIndex_.Reset();
        // Every stored version carries one value per field from here on.
        for (PacketRow& row : data_.rows)
            if (row.values.size() < data_.fields.size()) row.values.resize(data_.fields.size());
        collator_ = std::make_unique<QCollator>(collation);
        collator_->setCaseSensitivity(Qt::CaseSensitive);
        collatorInsensitive_ = std::make_unique<QCollator>(collation);
        collatorInsensitive_->setCaseSensitivity(Qt::CaseInsensitive);
        std::vector<KeyPart> keys = ResolveOrder(indexName_, indexFieldNames_);
        std::optional<StoreExpression> filter = CompileFilter(filter_, filtered_);
        std::vector<AggregateState> aggregates =
            aggregatesActive_ ? CompileAggregates() : std::vector<AggregateState>{};
        orderKeys_ = std::move(keys);
        filterExpression_ = std::move(filter);
        aggregates_ = std::move(aggregates);
    }
    if (fromKept) kept_.reset();
    changed_ = false;
    modified_ = false;
    BuildRecordOrder();
    state_ = TTableState::Browse;
    RebuildViewAtFirst();
    Notify(TableChange::ActiveChanged);
}

void TStoreTable::BuildRecordOrder() {
    const std::vector<std::uint32_t> places =
        LoadedRecordOrder(data_.changeLog, static_cast<std::uint32_t>(data_.rows.size()));
    recordOrder_.assign(places.begin(), places.end());
    // Places are handed out in storage order, so the last version without predecessor has the highest.
    nextRecordOrder_ =
        places.empty() ? 0 : static_cast<double>(*std::max_element(places.begin(), places.end())) + 1;
}

void TStoreTable::Close() {
    std::lock_guard lock(mutex_);
    if (!Active()) return;
    Fire(BeforeClose);
    if (state_ == TTableState::Edit || state_ == TTableState::Insert) {
        // A pending edit or insert is dropped, never written.
        if (state_ == TTableState::Insert)
            cursor_ = std::min(cursorBeforeInsert_, static_cast<int>(view_.size()) - 1);
        state_ = TTableState::Browse;
        editBuffer_.clear();
        modified_ = false;
        insertPos_ = -1;
        FetchCurrent();
        Notify(TableChange::StateChanged);
    }
    if (!fileName_.isEmpty()) {
        if (changed_ || !QFileInfo::exists(fileName_)) WriteFile(fileName_);
    } else {
        kept_ = std::move(data_);
    }
    ReleaseContent();
    Notify(TableChange::ActiveChanged);
    Fire(AfterClose);
}

void TStoreTable::ReleaseContent() {
    state_ = TTableState::Inactive;
    data_ = {};
    currentRows_ = 0;
    equalityIndex_.Reset();
    recordOrder_.clear();
    view_.clear();
    cursor_ = -1;
    bof_ = true;
    eof_ = true;
    insertPos_ = -1;
    editBuffer_.clear();
    currentCalc_.clear();
    override_.reset();
    orderKeys_.clear();
    filterExpression_.reset();
    aggregates_.clear();
    changed_ = false;
    modified_ = false;
    if (std::erase_if(fields_, [](const auto& field) { return field->dynamic_; }) > 0) {
        fieldsByName_.clear();
        fieldsByLatin1Name_.clear();
        for (std::size_t i = 0; i < fields_.size(); ++i)
            IndexFieldName(i);
    }
    for (auto& field : fields_) {
        field->column_ = -1;
        field->size_ = field->declaredSize_;
    }
}

void TStoreTable::SaveToFile(const QString& fileName) {
    std::lock_guard lock(mutex_);
    CheckActive();
    WriteFile(fileName.isEmpty() ? fileName_ : fileName);
}

void TStoreTable::WriteFile(const QString& fileName) const {
    WriteContentToFile(fileName, data_);
}

void TStoreTable::WriteContentToFile(const QString& fileName, const Datapacket& content) {
    if (fileName.isEmpty()) RaiseDatabaseError(QStringLiteral("Missing file name"));
    const bool xml = QFileInfo(fileName).suffix().compare(QStringLiteral("xml"), Qt::CaseInsensitive) == 0;
    const std::string bytes = xml ? WriteDatapacketXml(content) : WriteDatapacketBinary(content);
    // The whole document goes to a temporary file beside the target, which then replaces the
    // target in one step: a failed save leaves the old file as it was.
    ReplaceFileAtomically(fileName, bytes);
}

const Datapacket& TStoreTable::Data() const {
    std::lock_guard lock(mutex_);
    CheckActive();
    return data_;
}

} // namespace quorvel
