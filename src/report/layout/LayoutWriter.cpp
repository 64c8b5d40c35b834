#include "report/layout/LayoutWriter.h"

#include "platform/Component.h"
#include "report/layout/LayoutRegistry.h"

#include <QLocale>

#include <set>

namespace quorvel {

namespace {

QByteArray Indent(int level) {
    return QByteArray(level * 2, ' ');
}

QByteArray QuotedString(const QString& text) {
    if (text.isEmpty()) return "''";
    QByteArray out;
    bool quoted = false;
    for (const char32_t c : text.toUcs4()) {
        if (c >= 32 && c < 127) {
            if (!quoted) {
                out += '\'';
                quoted = true;
            }
            out += static_cast<char>(c);
            if (c == '\'') out += '\'';
        } else {
            if (quoted) {
                out += '\'';
                quoted = false;
            }
            out += '#' + QByteArray::number(static_cast<qulonglong>(c));
        }
    }
    if (quoted) out += '\'';
    return out;
}

QByteArray FloatText(double value) {
    QByteArray text = QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
    if (!text.contains('.') && !text.contains('e') && !text.contains("inf") && !text.contains("nan"))
        text += ".0";
    return text;
}

QByteArray ValueText(const TLayoutValue& value, int level) {
    switch (value.kind) {
    case TLayoutValue::Kind::Integer:
        return QByteArray::number(value.integer);
    case TLayoutValue::Kind::Float:
        return FloatText(value.number);
    case TLayoutValue::Kind::String:
        return QuotedString(value.text);
    case TLayoutValue::Kind::Identifier:
        return value.text.toLatin1();
    case TLayoutValue::Kind::Set: {
        QByteArray out = "[";
        for (qsizetype i = 0; i < value.items.size(); ++i)
            out += (i ? ", " : "") + value.items[i].toLatin1();
        return out + ']';
    }
    case TLayoutValue::Kind::StringList: {
        QByteArray out = "(";
        for (const QString& line : value.items)
            out += '\n' + Indent(level + 1) + QuotedString(line);
        return out + ')';
    }
    case TLayoutValue::Kind::FloatList: {
        QByteArray out = "(";
        for (const double v : value.numbers)
            out += '\n' + Indent(level + 1) + FloatText(v);
        return out + ')';
    }
    case TLayoutValue::Kind::Binary: {
        QByteArray out = "{";
        const QByteArray hex = value.bytes.toHex().toUpper();
        for (qsizetype at = 0; at < hex.size(); at += 64)
            out += '\n' + Indent(level + 1) + hex.mid(at, 64);
        return out + '}';
    }
    }
    return {};
}

class Writer {
public:
    Writer(const TComponent& root, const TLayoutRegistry& registry)
        : root_(root)
        , registry_(registry) {
        for (int i = 0; i < root.ComponentCount(); ++i)
            owned_.insert(root.Component(i));
    }

    QByteArray Run() {
        WriteObject(root_, 0, TopLevel());
        return out_;
    }

private:
    // Owned components not placed on another owned component.
    std::vector<const TComponent*> TopLevel() const {
        std::vector<const TComponent*> result;
        for (int i = 0; i < root_.ComponentCount(); ++i) {
            const TComponent* component = root_.Component(i);
            if (!component->Parent() || !owned_.count(component->Parent())) result.push_back(component);
        }
        return result;
    }

    std::vector<const TComponent*> PlacedOn(const TComponent& parent) const {
        std::vector<const TComponent*> result;
        for (const TComponent* child : parent.Children())
            if (owned_.count(child)) result.push_back(child);
        return result;
    }

    void WriteObject(const TComponent& component, int level, const std::vector<const TComponent*>& children) {
        const TLayoutClass* cls = registry_.ClassOf(component);
        const std::string_view className = component.ClassName();
        if (!cls && &component != &root_)
            throw Exception(
                QStringLiteral("Class %1 is not registered")
                    .arg(QString::fromUtf8(className.data(), static_cast<qsizetype>(className.size()))));
        out_ += Indent(level) + "object ";
        if (!component.Name().isEmpty()) out_ += component.Name().toLatin1() + ": ";
        out_ += QByteArray(className.data(), static_cast<qsizetype>(className.size())) + '\n';
        if (cls)
            for (const TLayoutProperty* property : cls->Properties())
                if (const std::optional<TLayoutValue> value = property->get(component))
                    out_ += Indent(level + 1) + property->name.toLatin1() + " = " +
                            ValueText(*value, level + 1) + '\n';
        for (const TComponent* child : children)
            WriteObject(*child, level + 1, PlacedOn(*child));
        out_ += Indent(level) + "end\n";
    }

    const TComponent& root_;
    const TLayoutRegistry& registry_;
    std::set<const TComponent*> owned_;
    QByteArray out_;
};

} // namespace

QByteArray WriteLayout(const TComponent& root, const TLayoutRegistry& registry) {
    return Writer(root, registry).Run();
}

QByteArray WriteLayout(const TComponent& root) {
    return WriteLayout(root, QRLayoutRegistry());
}

} // namespace quorvel
