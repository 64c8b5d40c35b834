#pragma once

#include "store/Packet.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QLocale>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <numeric>
#include <span>
#include <vector>

namespace quorvel {

// How a table orders rows by key values: the comparison of two values, the collation a loaded table
// uses, and the sort itself (with collation sort keys made once per row for text keys). The table's
// view and the order computed for keys held outside a table both go through here.

// One part of an order: the values of `column`, compared with `collator` for texts.
struct KeyOrderPart {
    int column = -1;
    bool descending = false;
    const QCollator* collator = nullptr;
    bool text = false; // the column's kind holds text (sort keys are made for it)
};

// -1, 0 or 1: NULL before any value, numbers and dates by value, texts by `collator`.
int CompareFieldValues(const FieldView& x, const FieldView& y, const QCollator& collator);
// The kinds whose values compare as text.
bool IsTextKeyKind(FieldKind kind) noexcept;
// The locale a table loaded from `packet` collates texts with: the one its LCID names, or the default.
QLocale CollationLocaleOf(const Datapacket& packet);
// A text value (code-page or wide) as a QString; "" for other values.
QString FieldTextOf(const FieldView& value);

// Sorts `items` by `parts`; `value(item, part)` gives the item's value for parts[part], and
// `tieLess(a, b)` orders items whose keys are all equal (it must make the order total). Items already
// in order are only checked.
template <class Item, class ValueAt, class TieLess>
void SortByKeys(std::vector<Item>& items, std::span<const KeyOrderPart> parts, const ValueAt& value,
                const TieLess& tieLess) {
    const auto compare = [&](const Item& a, const Item& b) {
        for (std::size_t k = 0; k < parts.size(); ++k) {
            const int c = CompareFieldValues(value(a, k), value(b, k), *parts[k].collator);
            if (c != 0) return parts[k].descending ? c > 0 : c < 0;
        }
        return tieLess(a, b);
    };
    if (std::is_sorted(items.begin(), items.end(), compare)) return;
    const bool textKeys =
        std::any_of(parts.begin(), parts.end(), [](const KeyOrderPart& p) { return p.text; });
    if (!textKeys) {
        std::sort(items.begin(), items.end(), compare);
        return;
    }
    // Text keys: collation keys are made once per row instead of at every comparison.
    std::vector<std::vector<QCollatorSortKey>> sortKeys(parts.size());
    std::vector<std::vector<char>> nulls(parts.size());
    for (std::size_t k = 0; k < parts.size(); ++k) {
        if (!parts[k].text) continue;
        sortKeys[k].reserve(items.size());
        nulls[k].reserve(items.size());
        for (const Item& item : items) {
            const FieldView v = value(item, k);
            nulls[k].push_back(IsNull(v) ? 1 : 0);
            sortKeys[k].push_back(parts[k].collator->sortKey(FieldTextOf(v)));
        }
    }
    std::vector<std::size_t> positions(items.size());
    std::iota(positions.begin(), positions.end(), std::size_t{0});
    const auto comparePositions = [&](std::size_t pa, std::size_t pb) {
        const Item& a = items[pa];
        const Item& b = items[pb];
        for (std::size_t k = 0; k < parts.size(); ++k) {
            int c = 0;
            if (!sortKeys[k].empty()) {
                const bool na = nulls[k][pa] != 0;
                const bool nb = nulls[k][pb] != 0;
                if (na || nb)
                    c = na ? (nb ? 0 : -1) : 1;
                else
                    c = sortKeys[k][pa].compare(sortKeys[k][pb]);
                c = c < 0 ? -1 : (c > 0 ? 1 : 0);
            } else {
                c = CompareFieldValues(value(a, k), value(b, k), *parts[k].collator);
            }
            if (c != 0) return parts[k].descending ? c > 0 : c < 0;
        }
        return tieLess(a, b);
    };
    std::sort(positions.begin(), positions.end(), comparePositions);
    std::vector<Item> sorted;
    sorted.reserve(items.size());
    for (const std::size_t p : positions)
        sorted.push_back(items[p]);
    items = std::move(sorted);
}

} // namespace quorvel
