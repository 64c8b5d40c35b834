#include "report/layout/LayoutRegistry.h"

#include "platform/Metafile.h"
#include "report/layout/LayoutReader.h"

#include <cmath>
#include <limits>

namespace quorvel {

TLayoutValue TLayoutValue::Integer(long long value) {
    TLayoutValue v;
    v.kind = Kind::Integer;
    v.integer = value;
    return v;
}

TLayoutValue TLayoutValue::Float(double value) {
    TLayoutValue v;
    v.kind = Kind::Float;
    v.number = value;
    return v;
}

TLayoutValue TLayoutValue::String(const QString& value) {
    TLayoutValue v;
    v.kind = Kind::String;
    v.text = value;
    return v;
}

TLayoutValue TLayoutValue::Identifier(const QString& value) {
    TLayoutValue v;
    v.kind = Kind::Identifier;
    v.text = value;
    return v;
}

TLayoutValue TLayoutValue::Set(const QStringList& names) {
    TLayoutValue v;
    v.kind = Kind::Set;
    v.items = names;
    return v;
}

TLayoutValue TLayoutValue::StringList(const QStringList& lines) {
    TLayoutValue v;
    v.kind = Kind::StringList;
    v.items = lines;
    return v;
}

TLayoutValue TLayoutValue::FloatList(std::vector<double> values) {
    TLayoutValue v;
    v.kind = Kind::FloatList;
    v.numbers = std::move(values);
    return v;
}

TLayoutValue TLayoutValue::Binary(const QByteArray& bytes) {
    TLayoutValue v;
    v.kind = Kind::Binary;
    v.bytes = bytes;
    return v;
}

namespace layout_detail {

void InvalidValue(const QString& property) {
    throw Exception(QStringLiteral("Invalid value for property %1").arg(property));
}

} // namespace layout_detail

using layout_detail::InvalidValue;

long long TLayoutValue::AsInteger(const QString& property) const {
    if (kind != Kind::Integer) InvalidValue(property);
    return integer;
}

int TLayoutValue::AsInt(const QString& property) const {
    const long long v = AsInteger(property);
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max()) InvalidValue(property);
    return static_cast<int>(v);
}

double TLayoutValue::AsFloat(const QString& property) const {
    if (kind == Kind::Integer) return static_cast<double>(integer);
    if (kind != Kind::Float || !std::isfinite(number)) InvalidValue(property);
    return number;
}

QString TLayoutValue::AsString(const QString& property) const {
    if (kind != Kind::String) InvalidValue(property);
    return text;
}

QString TLayoutValue::AsIdentifier(const QString& property) const {
    if (kind != Kind::Identifier) InvalidValue(property);
    return text;
}

bool TLayoutValue::AsBoolean(const QString& property) const {
    const QString name = AsIdentifier(property);
    if (name.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
    if (name.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
    InvalidValue(property);
}

void TLayoutReadContext::RunFixups() {
    // A fixup may not add others; run them once, in the order they were made.
    const auto fixups = std::move(fixups_);
    fixups_.clear();
    for (const auto& [line, fixup] : fixups) {
        try {
            fixup();
        } catch (const Exception& e) {
            throw ELayoutError(e.Message(), line);
        }
    }
}

TComponent& TLayoutReadContext::FindComponent(const QString& name) const {
    if (root_.Name().compare(name, Qt::CaseInsensitive) == 0) return root_;
    if (TComponent* component = root_.FindComponent(name)) return *component;
    throw Exception(QStringLiteral("Component %1 not found").arg(name));
}

TLayoutClass::TLayoutClass(QString name, const TLayoutClass* base,
                           std::function<TComponent&(TComponent& owner)> create)
    : name_(std::move(name))
    , base_(base)
    , create_(std::move(create)) {}

TComponent& TLayoutClass::Create(TComponent& owner) const {
    if (!create_) throw Exception(QStringLiteral("Class %1 cannot be created").arg(name_));
    return create_(owner);
}

std::vector<const TLayoutProperty*> TLayoutClass::Properties() const {
    std::vector<const TLayoutProperty*> result =
        base_ ? base_->Properties() : std::vector<const TLayoutProperty*>();
    for (const TLayoutProperty& property : properties_)
        result.push_back(&property);
    return result;
}

const TLayoutProperty* TLayoutClass::FindProperty(const QString& name) const {
    for (const TLayoutClass* c = this; c; c = c->base_)
        for (const TLayoutProperty& property : c->properties_)
            if (property.name.compare(name, Qt::CaseInsensitive) == 0) return &property;
    return nullptr;
}

TLayoutClass& TLayoutClass::Add(TLayoutProperty property) {
    properties_.push_back(std::move(property));
    return *this;
}

TLayoutClass& TLayoutRegistry::RegisterAbstract(const QString& name, const QString& baseName) {
    return Insert(name, baseName, nullptr);
}

TLayoutClass& TLayoutRegistry::Insert(const QString& name, const QString& baseName,
                                      std::function<TComponent&(TComponent& owner)> create) {
    const TLayoutClass* base = nullptr;
    if (!baseName.isEmpty()) {
        base = Find(baseName);
        if (!base) throw Exception(QStringLiteral("Class %1 is not registered").arg(baseName));
    }
    auto& slot = classes_[name];
    slot = std::make_unique<TLayoutClass>(name, base, std::move(create));
    return *slot;
}

const TLayoutClass* TLayoutRegistry::Find(const QString& name) const {
    const auto it = classes_.find(name);
    return it == classes_.end() ? nullptr : it->second.get();
}

const TLayoutClass* TLayoutRegistry::ClassOf(const TComponent& component) const {
    // A form carries the class name its layout gave it, which may be any name.
    if (dynamic_cast<const TReportForm*>(&component)) return Find(QStringLiteral("TReportForm"));
    const std::string_view name = component.ClassName();
    return Find(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
}

namespace layout_detail {

int IndexOfName(std::span<const char* const> names, const QString& name) {
    for (std::size_t i = 0; i < names.size(); ++i)
        if (name.compare(QLatin1String(names[i]), Qt::CaseInsensitive) == 0) return static_cast<int>(i);
    return -1;
}

void AddFontProperties(TLayoutClass& cls, const QString& prefix,
                       const std::function<std::optional<TFont>(const TComponent&)>& storedFont,
                       const std::function<TFont(TComponent&)>& currentFont,
                       const std::function<void(TComponent&, const TFont&)>& setFont) {
    static constexpr const char* styles[] = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};
    static constexpr const char* charsets[] = {"ANSI_CHARSET", "DEFAULT_CHARSET", "SYMBOL_CHARSET"};
    const auto add = [&](const char* sub, std::function<TLayoutValue(const TFont&)> get,
                         std::function<void(TFont&, const TLayoutValue&, const QString&)> set) {
        const QString name = prefix + QStringLiteral("Font.") + QLatin1String(sub);
        cls.Add(
            {name,
             [storedFont, get](const TComponent& c) -> std::optional<TLayoutValue> {
                 const std::optional<TFont> font = storedFont(c);
                 if (!font) return std::nullopt;
                 return get(*font);
             },
             [currentFont, setFont, set, name](TComponent& c, const TLayoutValue& v, TLayoutReadContext&) {
                 TFont font = currentFont(c);
                 set(font, v, name);
                 setFont(c, font);
             }});
    };
    add(
        "Charset",
        [](const TFont& f) {
            return f.Charset() < std::size(charsets)
                       ? TLayoutValue::Identifier(QLatin1String(charsets[f.Charset()]))
                       : TLayoutValue::Integer(f.Charset());
        },
        [](TFont& f, const TLayoutValue& v, const QString& name) {
            if (v.kind == TLayoutValue::Kind::Integer) {
                const int code = v.AsInt(name);
                if (code < 0 || code > 255) InvalidValue(name);
                f.SetCharset(static_cast<std::uint8_t>(code));
                return;
            }
            const int i = IndexOfName(charsets, v.AsIdentifier(name));
            if (i < 0) InvalidValue(name);
            f.SetCharset(static_cast<std::uint8_t>(i));
        });
    add(
        "Color", [](const TFont& f) { return ColorToLayoutValue(f.Color()); },
        [](TFont& f, const TLayoutValue& v, const QString& name) {
            f.SetColor(ColorFromLayoutValue(v, name));
        });
    add(
        "Height", [](const TFont& f) { return TLayoutValue::Integer(FontLayoutHeight(f)); },
        [](TFont& f, const TLayoutValue& v, const QString& name) {
            const int height = v.AsInt(name);
            if (height < -1000 || height > 1000) InvalidValue(name);
            SetFontLayoutHeight(f, height);
        });
    add(
        "Name", [](const TFont& f) { return TLayoutValue::String(f.Name()); },
        [](TFont& f, const TLayoutValue& v, const QString& name) { f.SetName(v.AsString(name)); });
    add(
        "Style",
        [](const TFont& f) {
            QStringList set;
            for (std::size_t i = 0; i < std::size(styles); ++i)
                if (f.Style().toInt() & (1 << i)) set.append(QLatin1String(styles[i]));
            return TLayoutValue::Set(set);
        },
        [](TFont& f, const TLayoutValue& v, const QString& name) {
            if (v.kind != TLayoutValue::Kind::Set) InvalidValue(name);
            int bits = 0;
            for (const QString& item : v.items) {
                const int i = IndexOfName(styles, item);
                if (i < 0) InvalidValue(name);
                bits |= 1 << i;
            }
            f.SetStyle(TFontStyles::fromInt(bits));
        });
}

} // namespace layout_detail

namespace {

struct NamedColor {
    TColor color;
    const char* name;
};

constexpr NamedColor kNamedColors[] = {
    {clBlack, "clBlack"},   {clMaroon, "clMaroon"},   {clGreen, "clGreen"}, {clOlive, "clOlive"},
    {clNavy, "clNavy"},     {clPurple, "clPurple"},   {clTeal, "clTeal"},   {clGray, "clGray"},
    {clSilver, "clSilver"}, {clRed, "clRed"},         {clLime, "clLime"},   {clYellow, "clYellow"},
    {clBlue, "clBlue"},     {clFuchsia, "clFuchsia"}, {clAqua, "clAqua"},   {clWhite, "clWhite"},
    {clNone, "clNone"},
};

// The layout name of one of the standard colours; null for any other colour.
const char* NameOfColor(TColor color) {
    for (const NamedColor& named : kNamedColors)
        if (named.color == color) return named.name;
    return nullptr;
}

} // namespace

QString ColorToLayoutText(TColor color) {
    if (const char* name = NameOfColor(color)) return QLatin1String(name);
    return QString::number(color);
}

std::optional<TColor> ColorFromLayoutName(const QString& name) {
    for (const NamedColor& named : kNamedColors)
        if (name.compare(QLatin1String(named.name), Qt::CaseInsensitive) == 0) return named.color;
    return std::nullopt;
}

TLayoutValue ColorToLayoutValue(TColor color) {
    if (const char* name = NameOfColor(color)) return TLayoutValue::Identifier(QLatin1String(name));
    return TLayoutValue::Integer(color);
}

TColor ColorFromLayoutValue(const TLayoutValue& value, const QString& property) {
    if (value.kind == TLayoutValue::Kind::Integer) {
        if (value.integer < 0 || value.integer > 0xFFFFFFFFLL) InvalidValue(property);
        return static_cast<TColor>(value.integer);
    }
    if (const auto color = ColorFromLayoutName(value.AsIdentifier(property))) return *color;
    InvalidValue(property);
}

int FontLayoutHeight(const TFont& font) {
    return -font.PixelHeight(ScreenPixelsPerInch());
}

void SetFontLayoutHeight(TFont& font, int height) {
    font.SetPixelHeight(height < 0 ? -height : height, ScreenPixelsPerInch());
}

} // namespace quorvel
