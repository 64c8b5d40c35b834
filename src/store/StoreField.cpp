#include "store/StoreField.h"

#include "platform/CodePage.h"
#include "platform/FormatSettings.h"
#include "platform/NumberFormat.h"
#include "platform/NumberParse.h"
#include "store/DecimalText.h"
#include "store/FieldTypeTable.h"
#include "store/StoreErrors.h"
#include "store/StoreTable.h"

#include <QDate>
#include <QLocale>
#include <QTime>

#include <cmath>
#include <limits>

namespace quorvel {
namespace {

// Range of an integer field, by the stored type when bound, else by the declared kind.
void IntegerRange(TFieldType type, std::int64_t& low, std::int64_t& high) {
    switch (type) {
    case TFieldType::ShortInt:
        low = -128, high = 127;
        break;
    case TFieldType::SmallInt:
        low = -32768, high = 32767;
        break;
    case TFieldType::Byte:
        low = 0, high = 255;
        break;
    case TFieldType::Word:
        low = 0, high = 65535;
        break;
    case TFieldType::LongWord:
        low = 0, high = 4294967295LL;
        break;
    case TFieldType::LargeInt:
        low = std::numeric_limits<std::int64_t>::min(), high = std::numeric_limits<std::int64_t>::max();
        break;
    default:
        low = std::numeric_limits<std::int32_t>::min(), high = std::numeric_limits<std::int32_t>::max();
        break;
    }
}

const FormatSettings& Settings() {
    return FormatSettings::Current();
}

std::string TrimBlanks(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && text[begin] == ' ')
        ++begin;
    while (end > begin && text[end - 1] == ' ')
        --end;
    return std::string(text.substr(begin, end - begin));
}

// The text without its thousands separators when they sit between groups of three integer
// digits (the first group one to three digits long); empty when the grouping is not of that form.
std::string WithoutGrouping(const std::string& text, const FormatSettings& settings) {
    std::size_t start = text.empty() || (text[0] != '-' && text[0] != '+') ? 0 : 1;
    std::size_t end = text.find(settings.DecimalSeparator);
    if (end == std::string::npos) end = text.find_first_of("eE");
    if (end == std::string::npos) end = text.size();
    std::string out = text.substr(0, start);
    int group = 0;
    bool first = true;
    for (std::size_t i = start; i < end; ++i) {
        const char c = text[i];
        if (c == settings.ThousandSeparator) {
            if (group == 0 || group > 3 || (!first && group != 3)) return {};
            first = false;
            group = 0;
        } else if (c >= '0' && c <= '9') {
            ++group;
            out.push_back(c);
        } else {
            return {};
        }
    }
    if (!first && group != 3) return {};
    out += text.substr(end);
    return out;
}

std::string DateTimeText(const TDateTimeValue& value, FieldKind kind) {
    int y = 0;
    int m = 0;
    int d = 0;
    DateFromDays(value.days, y, m, d);
    const QLocale locale;
    const QDate date(y, m, d);
    const QTime time = QTime::fromMSecsSinceStartOfDay(value.msec);
    QString text;
    if (kind == FieldKind::Date)
        text = locale.toString(date, QLocale::ShortFormat);
    else if (kind == FieldKind::Time)
        text = locale.toString(time, QLocale::LongFormat);
    else
        text = locale.toString(date, QLocale::ShortFormat) +
               (value.msec != 0 ? QLatin1Char(' ') + locale.toString(time, QLocale::LongFormat) : QString());
    return QStringToCp1252(text);
}

} // namespace

QString FieldTypeName(TFieldType type) {
    return QString::fromLatin1(FieldTypeRowOf(type).name);
}

FieldFamily FieldTypeFamily(TFieldType type) noexcept {
    return FieldTypeRowOf(type).family;
}

bool IsIntegerType(TFieldType type) noexcept {
    return FieldTypeFamily(type) == FieldFamily::Integer;
}

bool IsNumericType(TFieldType type) noexcept {
    switch (FieldTypeFamily(type)) {
    case FieldFamily::Integer:
    case FieldFamily::Float:
    case FieldFamily::Decimal:
    case FieldFamily::FormattedDecimal:
        return true;
    default:
        return false;
    }
}

bool IsStringType(TFieldType type) noexcept {
    return FieldTypeFamily(type) == FieldFamily::String || FieldTypeFamily(type) == FieldFamily::WideString;
}

// An exact subtype match first; otherwise the first type stored so, and for bin.hex the first whose
// kind the subtype gives.
TFieldType FieldTypeOf(const FieldDef& def) noexcept {
    const FieldKind kind = KindOf(def);
    const FieldTypeRow* plain = nullptr;
    for (const FieldTypeRow& row : kFieldTypes) {
        if (row.stored != def.type || row.type == TFieldType::Unknown) continue;
        if (!row.subtype.empty() && row.subtype == def.subtype) return row.type;
        if (plain == nullptr && (def.type != PacketType::BinHex || row.kind == kind)) plain = &row;
    }
    return plain != nullptr ? plain->type : TFieldType::Unknown;
}

TStoreField::TStoreField(TStoreTable& table, QString name, TFieldType type, TFieldClass fieldClass)
    : table_(&table)
    , name_(std::move(name))
    , type_(type)
    , class_(fieldClass) {}

int TStoreField::DisplayWidth() const noexcept {
    if (displayWidth_ >= 0) return displayWidth_;
    switch (type_) {
    case TFieldType::Boolean:
        return 5;
    case TFieldType::ShortInt:
    case TFieldType::Byte:
        return 4;
    case TFieldType::SmallInt:
    case TFieldType::Word:
        return 6;
    case TFieldType::LargeInt:
        return 15;
    case TFieldType::Date:
    case TFieldType::Time:
        return 10;
    case TFieldType::DateTime:
    case TFieldType::TimeStamp:
        return 18;
    case TFieldType::BCD:
    case TFieldType::FMTBcd:
        // The digits, the decimal separator and the sign.
        return precision_ > 0 ? precision_ + 2 : 17;
    default:
        break;
    }
    if (IsStringType(type_) && size_ > 0) return size_;
    return 10;
}

TFieldAlignment TStoreField::Alignment() const noexcept {
    if (alignmentSet_) return alignment_;
    return IsNumericType(type_) ? TFieldAlignment::Right : TFieldAlignment::Left;
}

void TStoreField::SetActive(bool active) {
    std::lock_guard lock(table_->mutex_);
    if (active_ == active) return;
    active_ = active;
    if (class_ == TFieldClass::Aggregate && table_->Active() && table_->aggregatesActive_) {
        table_->aggregates_ = table_->CompileAggregates();
        table_->RecomputeAggregates();
        table_->Notify(TableChange::DataChanged);
    }
}

bool TStoreField::CanModify() const {
    std::lock_guard lock(table_->mutex_);
    if (class_ == TFieldClass::Aggregate || readOnly_) return false;
    if (class_ == TFieldClass::Data && table_->Active() && column_ >= 0 &&
        table_->data_.fields[static_cast<std::size_t>(column_)].flags.readOnly)
        return false;
    return table_->Active();
}

FieldKind TStoreField::StoredKind() const {
    if (class_ == TFieldClass::Data && column_ >= 0 &&
        column_ < static_cast<int>(table_->data_.fields.size()))
        return KindOf(table_->data_.fields[static_cast<std::size_t>(column_)]);
    return FieldTypeRowOf(type_).kind;
}

bool TStoreField::IsNull() const {
    std::lock_guard lock(table_->mutex_);
    TStoreValue computed;
    return quorvel::IsNull(table_->ReadFieldView(*this, computed));
}

TStoreValue TStoreField::Value() const {
    std::lock_guard lock(table_->mutex_);
    return table_->ReadField(*this);
}

std::string TStoreField::AsString() const {
    // The value is read as a view of the record under the table's lock, so a text is copied once.
    std::lock_guard lock(table_->mutex_);
    TStoreValue computed;
    const FieldView v = table_->ReadFieldView(*this, computed);
    const FormatSettings settings = Settings();
    struct Visitor {
        const FormatSettings& settings;
        FieldKind kind;
        std::string operator()(std::monostate) const { return {}; }
        std::string operator()(std::int64_t i) const { return std::to_string(i); }
        std::string operator()(bool b) const { return b ? "True" : "False"; }
        std::string operator()(double d) const { return FloatToPlainText(d, settings); }
        std::string operator()(const TDecimal& d) const {
            return DecimalPlainText(d, settings.DecimalSeparator);
        }
        std::string operator()(const TDateTimeValue& t) const { return DateTimeText(t, kind); }
        std::string operator()(std::string_view s) const { return std::string(s); }
        std::string operator()(std::u16string_view s) const { return QStringToCp1252(Utf16ToQString(s)); }
    };
    return std::visit(Visitor{settings, StoredKind()}, v);
}

QString TStoreField::AsQString() const {
    {
        std::lock_guard lock(table_->mutex_);
        TStoreValue computed;
        const FieldView v = table_->ReadFieldView(*this, computed);
        if (const auto* wide = std::get_if<std::u16string_view>(&v)) return Utf16ToQString(*wide);
        if (const auto* text = std::get_if<std::string_view>(&v)) return Cp1252ToQString(*text);
    }
    return Cp1252ToQString(AsString());
}

std::int64_t TStoreField::AsLargeInt() const {
    const TStoreValue v = Value();
    if (const auto* i = std::get_if<std::int64_t>(&v)) return *i;
    if (const auto* d = std::get_if<double>(&v)) return static_cast<std::int64_t>(std::nearbyint(*d));
    if (const auto* dec = std::get_if<TDecimal>(&v))
        return static_cast<std::int64_t>(std::nearbyint(dec->ToDouble()));
    if (const auto* b = std::get_if<bool>(&v)) return *b ? 1 : 0;
    if (std::holds_alternative<std::string>(v) || std::holds_alternative<std::u16string>(v)) {
        const std::string text = TrimBlanks(AsString());
        const std::optional<std::int64_t> out = ParseWholeNumber(text);
        if (!out)
            throw EConvertError(
                QStringLiteral("'%1' is not a valid integer value").arg(Cp1252ToQString(text)));
        return *out;
    }
    if (const auto* t = std::get_if<TDateTimeValue>(&v)) return t->days;
    return 0;
}

std::int32_t TStoreField::AsInteger() const {
    return static_cast<std::int32_t>(AsLargeInt());
}

double TStoreField::AsFloat() const {
    const TStoreValue v = Value();
    if (const auto* i = std::get_if<std::int64_t>(&v)) return static_cast<double>(*i);
    if (const auto* d = std::get_if<double>(&v)) return *d;
    if (const auto* dec = std::get_if<TDecimal>(&v)) return dec->ToDouble();
    if (const auto* b = std::get_if<bool>(&v)) return *b ? 1 : 0;
    if (const auto* t = std::get_if<TDateTimeValue>(&v))
        return static_cast<double>(t->days) + static_cast<double>(t->msec) / 86400000.0;
    if (std::holds_alternative<std::string>(v) || std::holds_alternative<std::u16string>(v)) {
        const std::string text = TrimBlanks(AsString());
        const std::optional<double> out = ParsePlainNumber(text, Settings().DecimalSeparator);
        if (!out)
            throw EConvertError(
                QStringLiteral("'%1' is not a valid floating point value").arg(Cp1252ToQString(text)));
        return *out;
    }
    return 0;
}

TDecimal TStoreField::AsDecimal() const {
    const TStoreValue v = Value();
    if (const auto* dec = std::get_if<TDecimal>(&v)) return *dec;
    if (const auto* i = std::get_if<std::int64_t>(&v)) return TDecimal::FromInt(*i);
    if (IsNullValue(v)) return {};
    const auto d = TDecimal::FromDouble(AsFloat(), 4);
    if (!d) RaiseStoreError(StoreErrorCode::OutOfRange);
    return *d;
}

bool TStoreField::AsBoolean() const {
    const TStoreValue v = Value();
    if (const auto* b = std::get_if<bool>(&v)) return *b;
    if (const auto* i = std::get_if<std::int64_t>(&v)) return *i != 0;
    if (const auto* d = std::get_if<double>(&v)) return *d != 0;
    if (const auto* dec = std::get_if<TDecimal>(&v)) return !dec->IsZero();
    if (std::holds_alternative<std::string>(v) || std::holds_alternative<std::u16string>(v)) {
        const QString text = AsQString().trimmed();
        if (text.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0 || text == QLatin1String("1"))
            return true;
        if (text.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0 || text == QLatin1String("0"))
            return false;
        throw EConvertError(QStringLiteral("'%1' is not a valid boolean value").arg(text));
    }
    return false;
}

QString TStoreField::FormatText(const QString& format) const {
    const TStoreValue v = Value();
    if (IsNullValue(v)) return {};
    const FormatSettings settings = Settings();
    if (!format.isEmpty()) {
        const std::string f = QStringToCp1252(format);
        if (const auto* d = std::get_if<double>(&v)) {
            if (std::isfinite(*d))
                return Cp1252ToQString(FormatNumber(f, NumberDigits::FromDouble(*d), settings));
        } else if (const auto* dec = std::get_if<TDecimal>(&v)) {
            return Cp1252ToQString(FormatNumber(f, DecimalDigits(*dec), settings));
        } else if (const auto* i = std::get_if<std::int64_t>(&v)) {
            if (IsNumericType(type_) || class_ == TFieldClass::Aggregate)
                return Cp1252ToQString(FormatNumber(f, NumberDigits::FromInteger(*i), settings));
        }
    }
    return AsQString();
}

QString TStoreField::DisplayText() const {
    return FormatText(displayFormat_);
}

QString TStoreField::Text() const {
    return FormatText(editFormat_.isEmpty() ? displayFormat_ : editFormat_);
}

FieldValue TStoreField::ToStoredForm(const TStoreValue& value) const {
    if (IsNullValue(value)) return {};
    const FieldKind kind = StoredKind();
    // The locale's separators are looked up only for the texts that need them.
    const auto settings = []() -> const FormatSettings& { return Settings(); };
    auto textOf = [&](const TStoreValue& v) -> std::string {
        if (const auto* s = std::get_if<std::string>(&v)) return *s;
        if (const auto* w = std::get_if<std::u16string>(&v))
            return QStringToCp1252(QString::fromStdU16String(*w));
        if (const auto* i = std::get_if<std::int64_t>(&v)) return std::to_string(*i);
        if (const auto* d = std::get_if<double>(&v)) return FloatToPlainText(*d, settings());
        if (const auto* dec = std::get_if<TDecimal>(&v))
            return DecimalPlainText(*dec, settings().DecimalSeparator);
        if (const auto* b = std::get_if<bool>(&v)) return *b ? "True" : "False";
        if (const auto* t = std::get_if<TDateTimeValue>(&v)) return DateTimeText(*t, FieldKind::DateTime);
        return {};
    };
    switch (kind) {
    case FieldKind::Integer:
    case FieldKind::Unsigned: {
        std::int64_t number = 0;
        if (const auto* i = std::get_if<std::int64_t>(&value)) {
            number = *i;
        } else if (const auto* d = std::get_if<double>(&value)) {
            if (!std::isfinite(*d) || std::fabs(*d) > 9.2e18) RaiseStoreError(StoreErrorCode::OutOfRange);
            number = static_cast<std::int64_t>(std::nearbyint(*d));
        } else if (const auto* dec = std::get_if<TDecimal>(&value)) {
            number = static_cast<std::int64_t>(std::nearbyint(dec->ToDouble()));
        } else if (const auto* b = std::get_if<bool>(&value)) {
            number = *b ? 1 : 0;
        } else {
            const std::string text = TrimBlanks(textOf(value));
            if (text.empty()) return {};
            const std::optional<std::int64_t> parsed = ParseWholeNumber(text);
            if (!parsed) RaiseDatabaseError(StoreMessages::InvalidInteger(Cp1252ToQString(text), name_));
            number = *parsed;
        }
        std::int64_t low = 0;
        std::int64_t high = 0;
        TFieldType rangeType = type_;
        if (class_ == TFieldClass::Data && column_ >= 0)
            rangeType = FieldTypeOf(table_->data_.fields[static_cast<std::size_t>(column_)]);
        IntegerRange(rangeType, low, high);
        if (number < low || number > high)
            RaiseDatabaseError(StoreMessages::IntegerOutOfRange(number, name_, low, high));
        return number;
    }
    case FieldKind::Boolean: {
        if (const auto* b = std::get_if<bool>(&value)) return *b;
        if (const auto* i = std::get_if<std::int64_t>(&value)) return *i != 0;
        if (const auto* d = std::get_if<double>(&value)) return *d != 0;
        const QString text = Cp1252ToQString(textOf(value)).trimmed();
        if (text.isEmpty()) return {};
        if (QStringLiteral("True").startsWith(text, Qt::CaseInsensitive)) return true;
        if (QStringLiteral("False").startsWith(text, Qt::CaseInsensitive)) return false;
        RaiseDatabaseError(StoreMessages::InvalidBoolean(text, name_));
    }
    case FieldKind::Float: {
        if (const auto* d = std::get_if<double>(&value)) return *d;
        if (const auto* i = std::get_if<std::int64_t>(&value)) return static_cast<double>(*i);
        if (const auto* dec = std::get_if<TDecimal>(&value)) return dec->ToDouble();
        if (const auto* b = std::get_if<bool>(&value)) return *b ? 1.0 : 0.0;
        const std::string text = TrimBlanks(textOf(value));
        if (text.empty()) return {};
        const std::optional<double> number = ParsePlainNumber(text, settings().DecimalSeparator);
        if (!number) RaiseDatabaseError(StoreMessages::InvalidFloat(Cp1252ToQString(text), name_));
        return *number;
    }
    case FieldKind::Decimal: {
        const int places = decimals_;
        const int precision = precision_ > 0 ? precision_ : 15;
        std::optional<TDecimal> result;
        if (const auto* d = std::get_if<double>(&value)) {
            result = TDecimal::FromDouble(*d, places);
        } else if (const auto* i = std::get_if<std::int64_t>(&value)) {
            result = TDecimal::FromInt(*i).WithScale(places);
        } else if (const auto* dec = std::get_if<TDecimal>(&value)) {
            result = dec->Scale() <= 4 ? dec->WithScale(places)
                                       : TDecimal::FromNumberText(dec->ToString('.'), '.', places);
        } else if (const auto* b = std::get_if<bool>(&value)) {
            result = TDecimal::FromInt(*b ? 1 : 0).WithScale(places);
        } else {
            const std::string text = TrimBlanks(textOf(value));
            if (text.empty()) return {};
            if (!IsPlainNumber(text, settings().DecimalSeparator))
                RaiseDatabaseError(StoreMessages::InvalidFloat(Cp1252ToQString(text), name_));
            result = TDecimal::FromNumberText(text, settings().DecimalSeparator, places);
        }
        if (!result || !result->FitsField(precision, places)) RaiseStoreError(StoreErrorCode::OutOfRange);
        return *result;
    }
    case FieldKind::Date:
    case FieldKind::Time:
    case FieldKind::DateTime: {
        if (const auto* t = std::get_if<TDateTimeValue>(&value)) {
            TDateTimeValue v = *t;
            if (kind == FieldKind::Date) v.msec = 0;
            if (kind == FieldKind::Time) v.days = 0;
            return v;
        }
        const std::string text = TrimBlanks(textOf(value));
        if (text.empty()) return {};
        RaiseDatabaseError(QStringLiteral("'%1' is not a valid date and time").arg(Cp1252ToQString(text)));
    }
    case FieldKind::String: {
        std::string text = textOf(value);
        if (size_ > 0 && static_cast<int>(text.size()) > size_) text.resize(static_cast<std::size_t>(size_));
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        return text;
    }
    case FieldKind::WideString: {
        QString text = std::holds_alternative<std::u16string>(value)
                           ? QString::fromStdU16String(std::get<std::u16string>(value))
                           : Cp1252ToQString(textOf(value));
        const int characters = size_ > 0 && class_ == TFieldClass::Data && column_ >= 0 ? size_ / 2 : size_;
        if (characters > 0 && text.size() > characters) text.truncate(characters);
        while (!text.isEmpty() && text.back() == QLatin1Char(' '))
            text.chop(1);
        return text.toStdU16String();
    }
    case FieldKind::WideMemo:
        if (const auto* w = std::get_if<std::u16string>(&value)) return *w;
        return Cp1252ToQString(textOf(value)).toStdU16String();
    case FieldKind::Memo:
    case FieldKind::Blob:
    case FieldKind::Bytes:
    case FieldKind::VarBytes:
        return textOf(value);
    case FieldKind::Nested:
    case FieldKind::Struct:
    case FieldKind::Array:
        RaiseDatabaseError(StoreMessages::FieldReadOnly(name_));
    }
    return {};
}

void TStoreField::SetValue(const TStoreValue& value) {
    std::lock_guard lock(table_->mutex_);
    table_->WriteField(*this, value);
}

void TStoreField::SetAsString(std::string_view text) {
    SetValue(std::string(text));
}

void TStoreField::SetAsQString(const QString& text) {
    std::lock_guard lock(table_->mutex_);
    const FieldKind kind = StoredKind();
    if (kind == FieldKind::WideString || kind == FieldKind::WideMemo)
        SetValue(text.toStdU16String());
    else
        SetValue(QStringToCp1252(text));
}

void TStoreField::SetAsInteger(std::int64_t value) {
    SetValue(value);
}

void TStoreField::SetAsFloat(double value) {
    SetValue(value);
}

void TStoreField::SetAsDecimal(const TDecimal& value) {
    SetValue(value);
}

void TStoreField::SetAsBoolean(bool value) {
    SetValue(value);
}

void TStoreField::SetText(const QString& text) {
    // The edit text of a number may carry the thousands separators its own edit format put there
    // ("1.234,5000"); they are taken out when they group the integer digits by three, so the text a
    // field shows for editing is always accepted back. Any other text follows the strict rule.
    const FieldKind kind = [this] {
        std::lock_guard lock(table_->mutex_);
        return StoredKind();
    }();
    if (kind == FieldKind::Decimal || kind == FieldKind::Float || kind == FieldKind::Integer) {
        const FormatSettings settings = Settings();
        const std::string raw = TrimBlanks(QStringToCp1252(text));
        if (raw.find(settings.ThousandSeparator) != std::string::npos) {
            const std::string plain = WithoutGrouping(raw, settings);
            if (!plain.empty()) {
                SetValue(plain);
                return;
            }
        }
    }
    SetAsQString(text);
}

void TStoreField::Clear() {
    SetValue(TStoreValue{});
}

} // namespace quorvel
