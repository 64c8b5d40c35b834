#include "store/KeyOrder.h"

#include "platform/CodePage.h"
#include "platform/Collation.h"
#include "store/StoreErrors.h"
#include "store/StoreTable.h"

#include <optional>

namespace quorvel {
namespace {

template <typename T> int Order(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

} // namespace

QString FieldTextOf(const FieldView& value) {
    if (const auto* text = std::get_if<std::string_view>(&value)) return Cp1252ToQString(*text);
    if (const auto* wide = std::get_if<std::u16string_view>(&value)) return Utf16ToQString(*wide);
    return {};
}

int CompareFieldValues(const FieldView& x, const FieldView& y, const QCollator& collator) {
    if (IsNull(x) || IsNull(y)) return IsNull(x) ? (IsNull(y) ? 0 : -1) : 1;
    if (x.index() != y.index()) return Order(x.index(), y.index());
    if (const auto* i = std::get_if<std::int64_t>(&x)) return Order(*i, std::get<std::int64_t>(y));
    if (const auto* d = std::get_if<TDecimal>(&x)) {
        const int c = TDecimal::Compare(*d, std::get<TDecimal>(y));
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    if (const auto* f = std::get_if<double>(&x)) return Order(*f, std::get<double>(y));
    if (const auto* t = std::get_if<bool>(&x)) return Order(*t, std::get<bool>(y));
    if (const auto* dt = std::get_if<TDateTimeValue>(&x)) {
        const auto& other = std::get<TDateTimeValue>(y);
        return dt->days != other.days ? Order(dt->days, other.days) : Order(dt->msec, other.msec);
    }
    const int c = collator.compare(FieldTextOf(x), FieldTextOf(y));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool IsTextKeyKind(FieldKind kind) noexcept {
    return kind == FieldKind::String || kind == FieldKind::WideString || kind == FieldKind::Memo ||
           kind == FieldKind::WideMemo;
}

QLocale CollationLocaleOf(const Datapacket& packet) {
    if (const PacketParam* lcid = packet.FindParam("LCID"))
        if (const auto* number = std::get_if<std::int64_t>(&lcid->value))
            if (const std::optional<QLocale> named = LocaleFromLcid(static_cast<int>(*number))) return *named;
    return QLocale();
}

std::vector<std::uint32_t> LoadedRecordOrder(std::span<const ChangeLogEntry> changeLog,
                                             std::uint32_t versionCount) {
    // A record keeps its place in the default order through its versions: a new version takes the
    // place of the version it replaced; rows without a predecessor follow in storage order.
    const std::size_t n = versionCount;
    std::vector<std::int64_t> replaced(n, -1);
    for (const ChangeLogEntry& entry : changeLog)
        if (entry.kind == kChangeModified && entry.row >= 1 && entry.row <= n && entry.replaced >= 1 &&
            entry.replaced < entry.row)
            replaced[entry.row - 1] = std::int64_t{entry.replaced} - 1;
    std::vector<std::uint32_t> order(n, 0);
    std::uint32_t next = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::int64_t previous = replaced[i];
        order[i] = previous >= 0 ? order[static_cast<std::size_t>(previous)] : next++;
    }
    return order;
}

std::vector<std::uint32_t>
OrderLikeIndex(const Datapacket& header, std::span<const int> keyColumns, std::uint32_t count,
               const std::function<FieldView(std::uint32_t row, std::size_t part)>& key) {
    QCollator collator(CollationLocaleOf(header));
    collator.setCaseSensitivity(Qt::CaseSensitive);
    std::vector<KeyOrderPart> parts;
    parts.reserve(keyColumns.size());
    for (const int column : keyColumns) {
        if (column < 0 || static_cast<std::size_t>(column) >= header.fields.size())
            RaiseDatabaseError(QStringLiteral("List index out of bounds (%1)").arg(column));
        parts.push_back({column, false, &collator,
                         IsTextKeyKind(KindOf(header.fields[static_cast<std::size_t>(column)]))});
    }
    std::vector<std::uint32_t> rows(count);
    std::iota(rows.begin(), rows.end(), std::uint32_t{0});
    SortByKeys(
        rows, parts, [&](std::uint32_t row, std::size_t part) { return key(row, part); },
        [](std::uint32_t a, std::uint32_t b) { return a < b; });
    return rows;
}

} // namespace quorvel
