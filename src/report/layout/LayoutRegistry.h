#pragma once

#include "platform/CanvasTypes.h"
#include "platform/Component.h"
#include "platform/Exceptions.h"
#include "platform/Font.h"
#include "report/engine/QuickrptTypes.h"
#include "report/layout/ReportForm.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <type_traits>
#include <vector>

namespace quorvel {

class TQRFrame;
class TQRUnitBase;

// One property value as the layout text carries it.
struct TLayoutValue {
    enum class Kind : std::uint8_t { Integer, Float, String, Identifier, Set, StringList, FloatList, Binary };

    Kind kind = Kind::Integer;
    long long integer = 0;
    double number = 0;
    QString text;                // String, Identifier
    QStringList items;           // Set, StringList
    std::vector<double> numbers; // FloatList
    QByteArray bytes;            // Binary

    static TLayoutValue Integer(long long value);
    static TLayoutValue Float(double value);
    static TLayoutValue String(const QString& value);
    static TLayoutValue Identifier(const QString& value);
    static TLayoutValue Set(const QStringList& names);
    static TLayoutValue StringList(const QStringList& lines);
    static TLayoutValue FloatList(std::vector<double> values);
    static TLayoutValue Binary(const QByteArray& bytes);

    // Typed reads; a value of another kind raises Exception naming the property.
    long long AsInteger(const QString& property) const;
    int AsInt(const QString& property) const;
    double AsFloat(const QString& property) const;
    QString AsString(const QString& property) const;
    QString AsIdentifier(const QString& property) const;
    bool AsBoolean(const QString& property) const;

    friend bool operator==(const TLayoutValue&, const TLayoutValue&) = default;
};

// What a property setter needs while a layout is read: the form, for references to other
// components (resolved once every component exists) and for named handlers.
class TLayoutReadContext {
public:
    explicit TLayoutReadContext(TComponent& root)
        : root_(root) {}

    TComponent& Root() const noexcept { return root_; }
    // The line of the property being set, for the faults found later by its fixup.
    void SetLine(int line) noexcept { line_ = line; }
    // Runs after every component of the layout has been created and has its properties.
    void AddFixup(std::function<void()> fixup) { fixups_.push_back({line_, std::move(fixup)}); }
    // Runs the fixups in order; a fault raises ELayoutError with the line of its property.
    void RunFixups();
    // The component of the form with that name; raises Exception when there is none.
    TComponent& FindComponent(const QString& name) const;
    // The form's handler of that name; raises Exception when there is none or it does not fit.
    template <class Signature> std::function<Signature> Handler(const QString& name) const {
        auto* form = dynamic_cast<TReportForm*>(&root_);
        if (!form) throw Exception(QStringLiteral("Method %1 not found").arg(name));
        return form->Handler<Signature>(name);
    }

private:
    TComponent& root_;
    int line_ = 0;
    std::vector<std::pair<int, std::function<void()>>> fixups_;
};

// One published property: its name in the layout ("Frame.DrawTop"), a getter that gives the value
// to write (nothing when the value is the default and is not written), and a setter.
struct TLayoutProperty {
    QString name;
    std::function<std::optional<TLayoutValue>(const TComponent&)> get;
    std::function<void(TComponent&, const TLayoutValue&, TLayoutReadContext&)> set;
};

// A class a layout can create: its name, the class it derives from (whose properties come first),
// its factory and its own properties in the order they are written.
class TLayoutClass {
public:
    TLayoutClass(QString name, const TLayoutClass* base,
                 std::function<TComponent&(TComponent& owner)> create);

    const QString& Name() const noexcept { return name_; }
    const TLayoutClass* Base() const noexcept { return base_; }
    bool CanCreate() const noexcept { return static_cast<bool>(create_); }
    TComponent& Create(TComponent& owner) const;

    // Every property of the class and its bases, base properties first.
    std::vector<const TLayoutProperty*> Properties() const;
    const TLayoutProperty* FindProperty(const QString& name) const;

    TLayoutClass& Add(TLayoutProperty property);

    // Typed helpers. T is the component class; getters and setters are its member functions.
    template <class T, class G, class S> TLayoutClass& Integer(const QString& name, G get, S set, int def);
    template <class T, class G, class S> TLayoutClass& Boolean(const QString& name, G get, S set, bool def);
    template <class T, class G, class S> TLayoutClass& Float(const QString& name, G get, S set, double def);
    template <class T, class G, class S>
    TLayoutClass& String(const QString& name, G get, S set, const QString& def = QString());
    template <class T, class G, class S> TLayoutClass& StringList(const QString& name, G get, S set);
    template <class T, class G, class S> TLayoutClass& Color(const QString& name, G get, S set, TColor def);
    // An enumeration written by the names of its values in ordinal order.
    template <class T, class E, class G, class S>
    TLayoutClass& Enum(const QString& name, G get, S set, E def, std::span<const char* const> names);
    // A set of flags written as [Name, …]; names[i] is the flag with value 1 << i.
    template <class T, class F, class G, class S>
    TLayoutClass& Flags(const QString& name, G get, S set, F def, std::span<const char* const> names);
    // A reference to another component of the form, written by its name.
    template <class T, class R, class G, class S> TLayoutClass& Reference(const QString& name, G get, S set);
    // An event bound by the name of one of the form's handlers.
    template <class T, class Signature>
    TLayoutClass& Event(const QString& name, TQREvent<Signature> T::*event);
    // The lengths of a unit object as one float list ("Size.Values"), always written.
    template <class T> TLayoutClass& Values(const QString& name, TQRUnitBase& (*object)(T&));
    // The frame sub-properties "<prefix>Color", "DrawTop", … "Width".
    template <class T> TLayoutClass& Frame(const QString& prefix, TQRFrame& (*object)(T&));
    // A font: the group Font.Charset, Color, Height, Name, Style, then "ParentFont" when the class
    // has one (parentFont not null). The group is written when the font is the component's own
    // (ParentFont off), or, without ParentFont, when it differs from def.
    template <class T>
    TLayoutClass& Font(const QString& prefix, const TFont& (*get)(const T&), void (*set)(T&, const TFont&),
                       bool (*parentFont)(const T&), void (*setParentFont)(T&, bool), const TFont& def);

private:
    QString name_;
    const TLayoutClass* base_;
    std::function<TComponent&(TComponent& owner)> create_;
    std::vector<TLayoutProperty> properties_;
};

// Classes by name. Layout reading and writing go through one registry; QRLayoutRegistry holds every
// class of the report engine.
class TLayoutRegistry {
public:
    // Registers T under its name, deriving from an already registered class (or none).
    template <class T> TLayoutClass& Register(const QString& name, const QString& baseName = QString());
    // A class registered only as the base of others (it cannot be created by a layout).
    TLayoutClass& RegisterAbstract(const QString& name, const QString& baseName = QString());

    const TLayoutClass* Find(const QString& name) const;
    // The class registered under the component's ClassName, or nullptr. A form whose layout names
    // its own class ("TFormRelatorio") is a TReportForm.
    const TLayoutClass* ClassOf(const TComponent& component) const;

private:
    TLayoutClass& Insert(const QString& name, const QString& baseName,
                         std::function<TComponent&(TComponent& owner)> create);

    std::map<QString, std::unique_ptr<TLayoutClass>> classes_;
};

// The process-wide registry, made on first use with every class of the report engine (the report
// model and the printable controls).
TLayoutRegistry& QRLayoutRegistry();
// Registers the report model's classes (forms, data sets, reports, bands and the printable base).
void RegisterQuickrptLayoutClasses(TLayoutRegistry& registry);

// The colour names a layout may use ("clBlack"); other colours are written as integers.
QString ColorToLayoutText(TColor color);
std::optional<TColor> ColorFromLayoutName(const QString& name);
TColor ColorFromLayoutValue(const TLayoutValue& value, const QString& property);
TLayoutValue ColorToLayoutValue(TColor color);

// The font's character height as a layout stores it (negative: the em height in pixels at the
// screen resolution), and back.
int FontLayoutHeight(const TFont& font);
void SetFontLayoutHeight(TFont& font, int height);

} // namespace quorvel

#include "report/layout/LayoutRegistryImpl.h"
