#include "sheet/PriceImport.h"

#include "sheet/ItemSheet.h"
#include "sheet/PriceText.h"
#include "sheet/ProposalRows.h"
#include "sheet/SheetError.h"
#include "sheet/SheetText.h"

#include "platform/CodePage.h"
#include "platform/NumberParse.h"
#include "store/StoreTable.h"

#include <cmath>
#include <limits>
#include <map>
#include <set>

namespace quorvel {
namespace {

constexpr int kPricePlaces = 4;
constexpr int kDefaultBrandWidth = 30;
// How much of a cell's text a message quotes.
constexpr int kQuotedChars = 40;

// A heading as compared: accents and letter case dropped, blanks collapsed.
QString Normalised(const QString& text) {
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString plain;
    plain.reserve(decomposed.size());
    for (const QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing) plain += c;
    return plain.toCaseFolded().simplified();
}

QString Quoted(const SheetCell& cell) {
    QString text = cell.kind == SheetCell::Kind::Number ? NumberForDisplay(cell.number, -1, QLatin1Char(','))
                                                        : cell.text;
    if (text.size() > kQuotedChars) text = text.left(kQuotedChars - 1) + QChar(0x2026);
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

bool IsBlank(const SheetCell* cell) {
    return cell == nullptr || cell->IsEmpty() ||
           (cell->kind == SheetCell::Kind::Text && cell->text.trimmed().isEmpty());
}

// A whole number of a key column: a number without fraction, or a text of digits.
std::optional<std::int64_t> WholeNumber(const SheetCell& cell) {
    constexpr auto kLow = std::numeric_limits<std::int32_t>::min();
    constexpr auto kHigh = std::numeric_limits<std::int32_t>::max();
    if (cell.kind == SheetCell::Kind::Number) {
        if (!std::isfinite(cell.number) || cell.number != std::floor(cell.number) || cell.number < kLow ||
            cell.number > kHigh)
            return std::nullopt;
        return static_cast<std::int64_t>(cell.number);
    }
    return ParseWholeNumber(QStringView(cell.text.trimmed()), kLow, kHigh);
}

// The text a cell shows for comparison: a whole number without decimals.
QString PlainText(const SheetCell& cell) {
    if (cell.kind == SheetCell::Kind::Number) return NumberForDisplay(cell.number, -1, QLatin1Char(','));
    return cell.text.trimmed();
}

struct Auction {
    QString sigla;
    std::optional<std::int64_t> convit;
    QString anoc;
    QString Describe() const {
        return QStringLiteral("%1 %2/%3").arg(sigla, convit ? QString::number(*convit) : QString(), anoc);
    }
};

// The columns of the heading row that the import reads.
struct Headings {
    int row = 0;
    std::map<ItemColumn, int> columns;
    std::optional<int> Find(ItemColumn column) const {
        const auto found = columns.find(column);
        return found != columns.end() ? std::optional<int>(found->second) : std::nullopt;
    }
};

constexpr ItemColumn kReadColumns[] = {ItemColumn::Lote,     ItemColumn::Item,  ItemColumn::Subitem,
                                       ItemColumn::Material, ItemColumn::Preco, ItemColumn::Marca};

Headings FindHeadings(const Sheet& sheet) {
    std::map<QString, ItemColumn> wanted;
    for (const ItemColumn column : kReadColumns)
        wanted.emplace(Normalised(ItemColumnCaption(column)), column);
    for (const SheetRow& row : sheet.rows) {
        Headings found;
        found.row = row.number;
        for (const SheetCell& cell : row.cells) {
            if (cell.kind != SheetCell::Kind::Text) continue;
            const auto match = wanted.find(Normalised(cell.text));
            if (match == wanted.end()) continue;
            const auto [at, inserted] = found.columns.emplace(match->second, cell.column);
            if (!inserted)
                throw ESheetError(QStringLiteral("linha %1: a coluna %2 aparece duas vezes (colunas %3 e %4)")
                                      .arg(row.number)
                                      .arg(ItemColumnCaption(match->second), ColumnName(at->second),
                                           ColumnName(cell.column)));
        }
        const bool key =
            found.Find(ItemColumn::Lote) && found.Find(ItemColumn::Item) && found.Find(ItemColumn::Subitem);
        if (key && (found.Find(ItemColumn::Preco) || found.Find(ItemColumn::Marca))) return found;
    }
    throw ESheetError(QStringLiteral("a planilha não tem a linha de títulos com Lote, Item, Subitem e "
                                     "Preço Unitário ou Marca"));
}

// The auction a "Pregão" row above the headings names, when there is one.
std::optional<Auction> SheetAuction(const Sheet& sheet, int headingRow) {
    const QString caption = Normalised(AuctionCaption());
    for (const SheetRow& row : sheet.rows) {
        if (row.number >= headingRow) break;
        if (row.cells.empty() || row.cells.front().kind != SheetCell::Kind::Text ||
            Normalised(row.cells.front().text) != caption)
            continue;
        std::vector<const SheetCell*> values;
        for (std::size_t i = 1; i < row.cells.size() && values.size() < 3; ++i)
            if (!IsBlank(&row.cells[i])) values.push_back(&row.cells[i]);
        if (values.size() < 3)
            throw ESheetError(
                QStringLiteral("linha %1: a linha do pregão deve trazer a sigla, o número e o ano")
                    .arg(row.number));
        return Auction{PlainText(*values[0]), WholeNumber(*values[1]), PlainText(*values[2])};
    }
    return std::nullopt;
}

// Reads the rows below the headings into the plan.
class PlanBuilder {
public:
    PlanBuilder(const Datapacket& data, const TStoreTable& items, const Headings& headings)
        : data_(data)
        , columns_(data)
        , headings_(headings) {
        const FieldDef& price = data.fields[static_cast<std::size_t>(columns_.precoIni)];
        priceDigits_ = DecimalPrecision(price) - price.decimals;
        pricePrecision_ = DecimalPrecision(price);
        const TStoreField* marca = items.FindField(QStringLiteral("marca"));
        brandWidth_ = marca != nullptr && marca->Size() > 0 ? marca->Size() : kDefaultBrandWidth;
        order_ = ItemsInNumberOrder(data, columns_);
        // Read once: a row's values are scattered in memory, and each key is wanted twice.
        keys_.reserve(order_.size());
        for (const int index : order_) {
            const ItemKey& key = keys_.emplace_back(KeyOf(index));
            if (!rows_.emplace(key, index).second) ambiguous_.insert(key);
        }
    }

    PriceImportPlan Build(const Sheet& sheet) {
        for (const SheetRow& row : sheet.rows)
            if (row.number > headings_.row) Read(row);
        for (const ItemKey& key : keys_) {
            const auto update = updates_.find(key);
            if (!mentioned_.contains(key)) plan_.notInSheet.push_back(key);
            if (update == updates_.end()) continue;
            plan_.prices += update->second.price.has_value();
            plan_.brands += update->second.brand.has_value();
            plan_.updates.push_back(update->second);
        }
        return std::move(plan_);
    }

    Auction ProposalAuction() const {
        if (order_.empty()) return {};
        const PacketRow& first = data_.rows[static_cast<std::size_t>(order_.front())];
        return {TextOf(first, columns_.sigla).trimmed(), IntegerOf(first, columns_.convit),
                TextOf(first, columns_.anoc).trimmed()};
    }

private:
    ItemKey KeyOf(int index) const {
        const PacketRow& row = data_.rows[static_cast<std::size_t>(index)];
        return {IntegerOf(row, columns_.idItem).value_or(0), IntegerOf(row, columns_.numitem).value_or(0),
                IntegerOf(row, columns_.nuitem)};
    }

    const SheetCell* CellOf(const SheetRow& row, ItemColumn column) const {
        const std::optional<int> at = headings_.Find(column);
        return at ? row.Cell(*at) : nullptr;
    }

    void Error(int row, ItemColumn column, const QString& reason) {
        plan_.errors.push_back({row, ItemColumnCaption(column), reason});
    }

    // The key a row names; empty when it names none (an error was noted if it names part of one).
    std::optional<ItemKey> KeyOfRow(const SheetRow& row) {
        const SheetCell* lote = CellOf(row, ItemColumn::Lote);
        const SheetCell* item = CellOf(row, ItemColumn::Item);
        const SheetCell* subitem = CellOf(row, ItemColumn::Subitem);
        if (IsBlank(lote) && IsBlank(item) && IsBlank(subitem)) {
            // A row of notes or totals below the items: only a price or brand makes it an error.
            if (!IsBlank(CellOf(row, ItemColumn::Preco)) || !IsBlank(CellOf(row, ItemColumn::Marca)))
                Error(row.number, ItemColumn::Item, QStringLiteral("a linha não diz de que item é"));
            return std::nullopt;
        }
        ItemKey key;
        bool ok = true;
        const auto whole = [&](const SheetCell* cell, ItemColumn column) -> std::optional<std::int64_t> {
            if (IsBlank(cell)) return std::nullopt;
            const std::optional<std::int64_t> n = WholeNumber(*cell);
            if (!n) {
                Error(row.number, column, Quoted(*cell) + QStringLiteral(" não é um número inteiro"));
                ok = false;
            }
            return n;
        };
        for (const auto& [cell, column] : {std::pair{lote, ItemColumn::Lote}, {item, ItemColumn::Item}}) {
            if (IsBlank(cell)) {
                Error(row.number, column, QStringLiteral("falta o número"));
                ok = false;
            } else if (const auto n = whole(cell, column)) {
                (column == ItemColumn::Lote ? key.lote : key.item) = *n;
            }
        }
        key.subitem = whole(subitem, ItemColumn::Subitem);
        return ok ? std::optional<ItemKey>(key) : std::nullopt;
    }

    bool MaterialAgrees(const SheetCell& cell, const QString& material) const {
        if (cell.kind == SheetCell::Kind::Text)
            return cell.text.trimmed().compare(material.trimmed(), Qt::CaseInsensitive) == 0;
        // A spreadsheet may have taken a code of digits and dots for a number: its digits must agree.
        QString digits;
        for (const QChar c : material)
            if (c.isDigit()) digits += c;
        const std::optional<std::int64_t> number = WholeNumber(cell);
        return number && !digits.isEmpty() && digits.toLongLong() == *number;
    }

    std::optional<TDecimal> Price(const SheetRow& row) {
        const SheetCell* cell = CellOf(row, ItemColumn::Preco);
        if (IsBlank(cell)) return std::nullopt;
        const auto fault = [&](PriceTextFault f) -> std::optional<TDecimal> {
            static const char* const kReasons[] = {" não é um número", " é negativo",
                                                   " tem mais de 4 casas decimais",
                                                   " passa do maior preço que a proposta guarda"};
            Error(row.number, ItemColumn::Preco,
                  Quoted(*cell) + QString::fromUtf8(kReasons[static_cast<int>(f)]));
            return std::nullopt;
        };
        if (cell->kind == SheetCell::Kind::Number) {
            if (cell->number < 0) return fault(PriceTextFault::Negative);
            const std::optional<TDecimal> value = TDecimal::FromDouble(cell->number, kPricePlaces);
            if (!value || !value->FitsField(pricePrecision_, kPricePlaces))
                return fault(PriceTextFault::TooLarge);
            return value;
        }
        const auto parsed = ParseBrazilianPrice(cell->text, priceDigits_);
        if (const auto* f = std::get_if<PriceTextFault>(&parsed)) return fault(*f);
        return std::get<TDecimal>(parsed);
    }

    std::optional<std::string> Brand(const SheetRow& row) {
        const SheetCell* cell = CellOf(row, ItemColumn::Marca);
        if (IsBlank(cell)) return std::nullopt;
        QString brand =
            cell->kind == SheetCell::Kind::Number ? PlainText(*cell) : WithoutFormulaGuard(cell->text);
        // Trailing blanks are not kept by the field.
        while (!brand.isEmpty() && brand.back().isSpace())
            brand.chop(1);
        for (const QChar c : brand) {
            if (c.unicode() < 0x20) {
                Error(row.number, ItemColumn::Marca,
                      Quoted(*cell) + QStringLiteral(" tem quebra de linha ou caractere de controle"));
                return std::nullopt;
            }
            if (UnicodeToCp1252(c.unicode()) == kCodePageDefaultChar && c != u'?') {
                Error(row.number, ItemColumn::Marca,
                      Quoted(*cell) +
                          QStringLiteral(" tem o caractere '%1', que a proposta não guarda").arg(c));
                return std::nullopt;
            }
        }
        if (brand.size() > brandWidth_) {
            Error(row.number, ItemColumn::Marca,
                  Quoted(*cell) + QStringLiteral(" tem %1 caracteres; a marca guarda até %2")
                                      .arg(brand.size())
                                      .arg(brandWidth_));
            return std::nullopt;
        }
        return QStringToCp1252(brand);
    }

    void Read(const SheetRow& row) {
        const std::optional<ItemKey> key = KeyOfRow(row);
        if (!key) return;
        const auto found = rows_.find(*key);
        if (found == rows_.end()) {
            plan_.notInProposal.push_back({row.number, *key});
            return;
        }
        const auto [seen, first] = seenAt_.emplace(*key, row.number);
        if (!first) {
            Error(row.number, ItemColumn::Item,
                  QStringLiteral("o item %1 já está na linha %2").arg(DescribeItem(*key)).arg(seen->second));
            return;
        }
        mentioned_.insert(*key);
        if (ambiguous_.contains(*key)) {
            Error(row.number, ItemColumn::Item,
                  QStringLiteral("a proposta tem mais de um item %1").arg(DescribeItem(*key)));
            return;
        }
        const PacketRow& item = data_.rows[static_cast<std::size_t>(found->second)];
        if (const SheetCell* material = CellOf(row, ItemColumn::Material); !IsBlank(material)) {
            const QString expected = TextOf(item, columns_.material).trimmed();
            if (!MaterialAgrees(*material, expected)) {
                Error(row.number, ItemColumn::Material,
                      Quoted(*material) + QStringLiteral(" não é o material do item (%1)").arg(expected));
                return;
            }
        }
        const std::optional<TDecimal> price = Price(row);
        const std::optional<std::string> brand = Brand(row);
        PriceUpdate update{*key, row.number, std::nullopt, std::nullopt};
        if (price && DecimalOf(item, columns_.precoIni) != price) update.price = price;
        const std::string current = QStringToCp1252(TextOf(item, columns_.marca));
        if (brand && *brand != current) update.brand = brand;
        if (update.price || update.brand) updates_.emplace(*key, std::move(update));
    }

    const Datapacket& data_;
    ProposalColumns columns_;
    const Headings& headings_;
    int priceDigits_ = 11;
    int pricePrecision_ = 15;
    int brandWidth_ = kDefaultBrandWidth;
    std::vector<int> order_;
    std::vector<ItemKey> keys_; // of the rows in order_
    std::map<ItemKey, int> rows_;
    std::set<ItemKey> ambiguous_;
    std::map<ItemKey, int> seenAt_;
    std::set<ItemKey> mentioned_;
    std::map<ItemKey, PriceUpdate> updates_;
    PriceImportPlan plan_;
};

bool SameAuction(const Auction& a, const Auction& b) {
    return a.sigla.compare(b.sigla, Qt::CaseInsensitive) == 0 && a.convit == b.convit && a.anoc == b.anoc;
}

} // namespace

QString DescribeItem(const ItemKey& key) {
    return QStringLiteral("Lote %1, Item %2, %3")
        .arg(key.lote)
        .arg(key.item)
        .arg(key.subitem ? QStringLiteral("Subitem %1").arg(*key.subitem) : QStringLiteral("Subitem vazio"));
}

QString SheetRowError::Message() const {
    return QStringLiteral("linha %1, %2: %3").arg(row).arg(column, reason);
}

PriceImportPlan PlanPriceImport(const Sheet& sheet, const TStoreTable& items) {
    const Datapacket& data = items.Data();
    const Headings headings = FindHeadings(sheet);
    PlanBuilder builder(data, items, headings);
    if (const std::optional<Auction> named = SheetAuction(sheet, headings.row)) {
        const Auction proposal = builder.ProposalAuction();
        if (!SameAuction(*named, proposal))
            throw ESheetError(QStringLiteral("a planilha é do pregão %1, e a proposta é do pregão %2")
                                  .arg(named->Describe(), proposal.Describe()));
    }
    return builder.Build(sheet);
}

void ApplyPriceImport(const PriceImportPlan& plan, PriceImportTarget& target) {
    if (plan.HasErrors())
        throw ESheetError(QStringLiteral("nada foi importado: %1").arg(plan.errors.front().Message()));
    for (const PriceUpdate& update : plan.updates)
        target.PostItem(update);
    target.Finish();
}

} // namespace quorvel
