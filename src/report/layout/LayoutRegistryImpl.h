#pragma once

// Template members of the layout registry; included by LayoutRegistry.h only.

#include "report/engine/QuickrptFrame.h"
#include "report/engine/QuickrptUnits.h"

#include <functional>

namespace quorvel {

namespace layout_detail {

template <class T> T& Cast(TComponent& component, const QString& property) {
    if (auto* t = dynamic_cast<T*>(&component)) return *t;
    throw Exception(QStringLiteral("Property %1 does not apply to %2")
                        .arg(property, QString::fromUtf8(component.ClassName())));
}
template <class T> const T& Cast(const TComponent& component) {
    return dynamic_cast<const T&>(component);
}

// The index of a name in a list of value names, or -1.
int IndexOfName(std::span<const char* const> names, const QString& name);

// A layout value that the property cannot take.
[[noreturn]] void InvalidValue(const QString& property);

// A property holding one value of type V: written only when it differs from def, as toValue makes
// it; read back through fromValue(value, property name).
template <class T, class V, class G, class S, class To, class From>
TLayoutProperty Valued(const QString& name, G get, S set, V def, To toValue, From fromValue) {
    return {name,
            [get, def, toValue](const TComponent& c) -> std::optional<TLayoutValue> {
                const V v = std::invoke(get, Cast<T>(c));
                if (v == def) return std::nullopt;
                return toValue(v);
            },
            [set, name, fromValue](TComponent& c, const TLayoutValue& v, TLayoutReadContext&) {
                std::invoke(set, Cast<T>(c, name), fromValue(v, name));
            }};
}

} // namespace layout_detail

template <class T, class G, class S>
TLayoutClass& TLayoutClass::Integer(const QString& name, G get, S set, int def) {
    return Add(layout_detail::Valued<T, int>(
        name, get, set, def, [](int v) { return TLayoutValue::Integer(v); },
        [](const TLayoutValue& v, const QString& property) { return v.AsInt(property); }));
}

template <class T, class G, class S>
TLayoutClass& TLayoutClass::Boolean(const QString& name, G get, S set, bool def) {
    return Add(layout_detail::Valued<T, bool>(
        name, get, set, def,
        [](bool v) { return TLayoutValue::Identifier(v ? QStringLiteral("True") : QStringLiteral("False")); },
        [](const TLayoutValue& v, const QString& property) { return v.AsBoolean(property); }));
}

template <class T, class G, class S>
TLayoutClass& TLayoutClass::Float(const QString& name, G get, S set, double def) {
    return Add(layout_detail::Valued<T, double>(
        name, get, set, def, [](double v) { return TLayoutValue::Float(v); },
        [](const TLayoutValue& v, const QString& property) { return v.AsFloat(property); }));
}

template <class T, class G, class S>
TLayoutClass& TLayoutClass::String(const QString& name, G get, S set, const QString& def) {
    return Add(layout_detail::Valued<T, QString>(
        name, get, set, def, [](const QString& v) { return TLayoutValue::String(v); },
        [](const TLayoutValue& v, const QString& property) { return v.AsString(property); }));
}

template <class T, class G, class S>
TLayoutClass& TLayoutClass::StringList(const QString& name, G get, S set) {
    return Add({name,
                [get](const TComponent& c) -> std::optional<TLayoutValue> {
                    const QStringList v = std::invoke(get, layout_detail::Cast<T>(c));
                    return v.isEmpty() ? std::nullopt : std::optional(TLayoutValue::StringList(v));
                },
                [set, name](TComponent& c, const TLayoutValue& v, TLayoutReadContext&) {
                    if (v.kind != TLayoutValue::Kind::StringList) layout_detail::InvalidValue(name);
                    std::invoke(set, layout_detail::Cast<T>(c, name), v.items);
                }});
}

template <class T, class G, class S>
TLayoutClass& TLayoutClass::Color(const QString& name, G get, S set, TColor def) {
    return Add(
        layout_detail::Valued<T, TColor>(name, get, set, def, ColorToLayoutValue, ColorFromLayoutValue));
}

template <class T, class E, class G, class S>
TLayoutClass& TLayoutClass::Enum(const QString& name, G get, S set, E def,
                                 std::span<const char* const> names) {
    return Add({name,
                [get, def, names](const TComponent& c) -> std::optional<TLayoutValue> {
                    const E v = std::invoke(get, layout_detail::Cast<T>(c));
                    const auto ordinal = static_cast<std::size_t>(v);
                    if (v == def || ordinal >= names.size()) return std::nullopt;
                    return TLayoutValue::Identifier(QString::fromLatin1(names[ordinal]));
                },
                [set, name, names](TComponent& c, const TLayoutValue& v, TLayoutReadContext&) {
                    const int ordinal = layout_detail::IndexOfName(names, v.AsIdentifier(name));
                    if (ordinal < 0) layout_detail::InvalidValue(name);
                    std::invoke(set, layout_detail::Cast<T>(c, name), static_cast<E>(ordinal));
                }});
}

template <class T, class F, class G, class S>
TLayoutClass& TLayoutClass::Flags(const QString& name, G get, S set, F def,
                                  std::span<const char* const> names) {
    return Add({name,
                [get, def, names](const TComponent& c) -> std::optional<TLayoutValue> {
                    const F v = std::invoke(get, layout_detail::Cast<T>(c));
                    if (v == def) return std::nullopt;
                    QStringList set;
                    for (std::size_t i = 0; i < names.size(); ++i)
                        if (v.toInt() & (1 << i)) set.append(QString::fromLatin1(names[i]));
                    return TLayoutValue::Set(set);
                },
                [set, name, names](TComponent& c, const TLayoutValue& v, TLayoutReadContext&) {
                    if (v.kind != TLayoutValue::Kind::Set) layout_detail::InvalidValue(name);
                    int bits = 0;
                    for (const QString& item : v.items) {
                        const int i = layout_detail::IndexOfName(names, item);
                        if (i < 0) layout_detail::InvalidValue(name);
                        bits |= 1 << i;
                    }
                    std::invoke(set, layout_detail::Cast<T>(c, name), F::fromInt(bits));
                }});
}

template <class T, class R, class G, class S>
TLayoutClass& TLayoutClass::Reference(const QString& name, G get, S set) {
    return Add({name,
                [get](const TComponent& c) -> std::optional<TLayoutValue> {
                    const R* r = std::invoke(get, layout_detail::Cast<T>(c));
                    if (!r || r->Name().isEmpty()) return std::nullopt;
                    return TLayoutValue::Identifier(r->Name());
                },
                [set, name](TComponent& c, const TLayoutValue& v, TLayoutReadContext& context) {
                    T& target = layout_detail::Cast<T>(c, name);
                    const QString referenced = v.AsIdentifier(name);
                    context.AddFixup([&target, &context, set, name, referenced] {
                        auto* r = dynamic_cast<R*>(&context.FindComponent(referenced));
                        if (!r) layout_detail::InvalidValue(name);
                        std::invoke(set, target, r);
                    });
                }});
}

template <class T, class Signature>
TLayoutClass& TLayoutClass::Event(const QString& name, TQREvent<Signature> T::*event) {
    return Add(
        {name,
         [event](const TComponent& c) -> std::optional<TLayoutValue> {
             const TQREvent<Signature>& e = layout_detail::Cast<T>(c).*event;
             if (e.Name.isEmpty()) return std::nullopt;
             return TLayoutValue::Identifier(e.Name);
         },
         [event, name](TComponent& c, const TLayoutValue& v, TLayoutReadContext& context) {
             const QString handler = v.AsIdentifier(name);
             (layout_detail::Cast<T>(c, name).*event).Bind(handler, context.Handler<Signature>(handler));
         }});
}

template <class T> TLayoutClass& TLayoutClass::Values(const QString& name, TQRUnitBase& (*object)(T&)) {
    return Add({name,
                [object](const TComponent& c) -> std::optional<TLayoutValue> {
                    T& t = const_cast<T&>(layout_detail::Cast<T>(c));
                    return TLayoutValue::FloatList(object(t).WriteValues());
                },
                [object, name](TComponent& c, const TLayoutValue& v, TLayoutReadContext&) {
                    if (v.kind != TLayoutValue::Kind::FloatList) layout_detail::InvalidValue(name);
                    object(layout_detail::Cast<T>(c, name)).ReadValues(v.numbers);
                }});
}

template <class T> TLayoutClass& TLayoutClass::Frame(const QString& prefix, TQRFrame& (*object)(T&)) {
    const auto frameOf = [object](const TComponent& c) -> TQRFrame& {
        return object(const_cast<T&>(layout_detail::Cast<T>(c)));
    };
    const auto frameFor = [object](TComponent& c, const QString& name) -> TQRFrame& {
        return object(layout_detail::Cast<T>(c, name));
    };
    static constexpr const char* penStyles[] = {"psSolid",      "psDash",  "psDot",        "psDashDot",
                                                "psDashDotDot", "psClear", "psInsideFrame"};
    const auto boolean = [&](const char* sub, bool TQRFrame::*member) {
        const QString name = prefix + QLatin1String(sub);
        Add({name,
             [frameOf, member](const TComponent& c) -> std::optional<TLayoutValue> {
                 if (!(frameOf(c).*member)) return std::nullopt;
                 return TLayoutValue::Identifier(QStringLiteral("True"));
             },
             [frameFor, member, name](TComponent& c, const TLayoutValue& v, TLayoutReadContext&) {
                 frameFor(c, name).*member = v.AsBoolean(name);
             }});
    };
    const QString color = prefix + QStringLiteral("Color");
    Add({color,
         [frameOf](const TComponent& c) -> std::optional<TLayoutValue> {
             const TColor v = frameOf(c).Color;
             return v == clBlack ? std::nullopt : std::optional(ColorToLayoutValue(v));
         },
         [frameFor, color](TComponent& c, const TLayoutValue& v, TLayoutReadContext&) {
             frameFor(c, color).Color = ColorFromLayoutValue(v, color);
         }});
    boolean("DrawTop", &TQRFrame::DrawTop);
    boolean("DrawBottom", &TQRFrame::DrawBottom);
    boolean("DrawLeft", &TQRFrame::DrawLeft);
    boolean("DrawRight", &TQRFrame::DrawRight);
    const QString style = prefix + QStringLiteral("Style");
    Add({style,
         [frameOf](const TComponent& c) -> std::optional<TLayoutValue> {
             const auto v = static_cast<std::size_t>(frameOf(c).Style);
             if (v == 0 || v >= std::size(penStyles)) return std::nullopt;
             return TLayoutValue::Identifier(QString::fromLatin1(penStyles[v]));
         },
         [frameFor, style](TComponent& c, const TLayoutValue& v, TLayoutReadContext&) {
             const int ordinal = layout_detail::IndexOfName(penStyles, v.AsIdentifier(style));
             if (ordinal < 0) layout_detail::InvalidValue(style);
             frameFor(c, style).Style = static_cast<TPenStyle>(ordinal);
         }});
    const QString width = prefix + QStringLiteral("Width");
    return Add({width,
                [frameOf](const TComponent& c) -> std::optional<TLayoutValue> {
                    const int v = frameOf(c).Width;
                    return v == 1 ? std::nullopt : std::optional(TLayoutValue::Integer(v));
                },
                [frameFor, width](TComponent& c, const TLayoutValue& v, TLayoutReadContext&) {
                    frameFor(c, width).Width = v.AsInt(width);
                }});
}

namespace layout_detail {

// The font group's own properties, in the order they are written.
void AddFontProperties(TLayoutClass& cls, const QString& prefix,
                       const std::function<std::optional<TFont>(const TComponent&)>& storedFont,
                       const std::function<TFont(TComponent&)>& currentFont,
                       const std::function<void(TComponent&, const TFont&)>& setFont);

} // namespace layout_detail

template <class T>
TLayoutClass& TLayoutClass::Font(const QString& prefix, const TFont& (*get)(const T&),
                                 void (*set)(T&, const TFont&), bool (*parentFont)(const T&),
                                 void (*setParentFont)(T&, bool), const TFont& def) {
    const TFont defaultFont = def;
    layout_detail::AddFontProperties(
        *this, prefix,
        [get, parentFont, defaultFont](const TComponent& c) -> std::optional<TFont> {
            const T& t = layout_detail::Cast<T>(c);
            if (parentFont ? parentFont(t) : get(t) == defaultFont) return std::nullopt;
            return get(t);
        },
        [get, prefix](TComponent& c) {
            return get(layout_detail::Cast<T>(c, prefix + QStringLiteral("Font")));
        },
        [set, prefix](TComponent& c, const TFont& font) {
            set(layout_detail::Cast<T>(c, prefix + QStringLiteral("Font")), font);
        });
    if (!parentFont) return *this;
    const QString name = QStringLiteral("ParentFont");
    return Add({name,
                [parentFont](const TComponent& c) -> std::optional<TLayoutValue> {
                    if (parentFont(layout_detail::Cast<T>(c))) return std::nullopt;
                    return TLayoutValue::Identifier(QStringLiteral("False"));
                },
                [setParentFont, name](TComponent& c, const TLayoutValue& v, TLayoutReadContext&) {
                    setParentFont(layout_detail::Cast<T>(c, name), v.AsBoolean(name));
                }});
}

template <class T> TLayoutClass& TLayoutRegistry::Register(const QString& name, const QString& baseName) {
    return Insert(name, baseName, [](TComponent& owner) -> TComponent& { return CreateComponent<T>(owner); });
}

} // namespace quorvel
