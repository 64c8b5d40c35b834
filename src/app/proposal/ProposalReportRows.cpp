#include "app/proposal/ProposalReportRows.h"

#include "platform/Exceptions.h"
#include "store/PacketRowFile.h"
#include "store/StoreTable.h"

#include <algorithm>
#include <numeric>

namespace quorvel {

namespace {

// Rows read again at a time when an order's keys are gathered: a few hundred kilobytes of rows.
constexpr std::size_t kKeyBatchRows = 1024;

// A whole number read from a row, or NULL; false for a value of any other kind.
bool ReadWholeNumber(const PacketRow& row, int column, std::int64_t& value, bool& isNull) {
    const FieldView view = row.values[static_cast<std::size_t>(column)];
    isNull = IsNull(view);
    if (isNull) return true;
    const auto* number = std::get_if<std::int64_t>(&view);
    if (!number) return false;
    value = *number;
    return true;
}

// The fields the table's index orders by: those of the named index, or the field list.
QString OrderedFields(const TStoreTable& table) {
    if (table.IndexName().isEmpty()) return table.IndexFieldNames();
    for (const TStoreIndexDef& index : table.IndexDefs())
        if (index.Name.compare(table.IndexName(), Qt::CaseInsensitive) == 0) return index.Fields;
    return {};
}

// `values` in the order of `order`'s positions.
template <class T>
std::vector<T> Permuted(const std::vector<T>& values, const std::vector<std::uint32_t>& order) {
    std::vector<T> permuted;
    permuted.reserve(order.size());
    for (const std::uint32_t position : order)
        permuted.push_back(values[position]);
    return permuted;
}

} // namespace

ProposalReportRows::ProposalReportRows(TStoreTable& itens, std::uint32_t windowRows)
    : itens_(itens)
    , windowRows_(std::max<std::uint32_t>(windowRows, 1)) {}

ProposalReportRows::~ProposalReportRows() = default;

std::unique_ptr<ProposalReportRows> ProposalReportRows::Scan(const QString& fileName, TStoreTable& itens,
                                                             std::uint32_t windowRows) {
    auto rows = std::make_unique<ProposalReportRows>(itens, windowRows);
    int numberColumn = -1;
    int lotColumn = -1;
    bool served = true;
    // The item numbers are held only until their order is made.
    std::vector<std::int64_t> numeros;
    std::vector<bool> semNumero;
    const auto header = [&](const Datapacket& packet) {
        numberColumn = packet.FieldIndex("numitem");
        lotColumn = packet.FieldIndex("id_item");
        served = numberColumn >= 0 && lotColumn >= 0;
    };
    const auto visit = [&](std::uint32_t version, const PacketRow& row) {
        if (!served || !IsCurrentRow(row.rowState)) return;
        std::int64_t numero = 0;
        std::int64_t lote = 0;
        bool numeroNulo = false;
        bool loteNulo = false;
        served = ReadWholeNumber(row, numberColumn, numero, numeroNulo) &&
                 ReadWholeNumber(row, lotColumn, lote, loteNulo);
        rows->versions_.push_back(version);
        numeros.push_back(numero);
        semNumero.push_back(numeroNulo);
        rows->lotes_.push_back(lote);
        rows->semLote_ = rows->semLote_ || loteNulo;
    };
    rows->file_ = std::make_unique<PacketRowFile>(fileName, visit, header);
    if (!served || !rows->file_->RowsStayInFile()) return nullptr;
    rows->versions_.shrink_to_fit();
    rows->lotes_.shrink_to_fit();

    // The rows go in record order, the order ties are broken in; the item number's order is made now.
    const Datapacket& packet = rows->file_->Header();
    {
        const std::vector<std::uint32_t> places =
            LoadedRecordOrder(packet.changeLog, rows->file_->VersionCount());
        const auto placeOf = [&](std::uint32_t position) { return places[rows->versions_[position]]; };
        std::vector<std::uint32_t> order(rows->versions_.size());
        std::iota(order.begin(), order.end(), 0u);
        const auto before = [&](std::uint32_t a, std::uint32_t b) { return placeOf(a) < placeOf(b); };
        if (!std::is_sorted(order.begin(), order.end(), before)) {
            std::stable_sort(order.begin(), order.end(), before);
            rows->versions_ = Permuted(rows->versions_, order);
            rows->lotes_ = Permuted(rows->lotes_, order);
            numeros = Permuted(numeros, order);
            semNumero = Permuted(semNumero, order);
        }
    }
    const int keyColumns[] = {numberColumn};
    rows->porNumero_.fieldNames = QStringLiteral("numitem");
    rows->porNumero_.positions =
        OrderLikeIndex(packet, keyColumns, static_cast<std::uint32_t>(numeros.size()),
                       [&](std::uint32_t position, std::size_t) -> FieldView {
                           if (semNumero[position]) return {};
                           return numeros[position];
                       });
    return rows;
}

bool ProposalReportRows::SomeRowWithoutLot() const noexcept {
    return semLote_;
}

void ProposalReportRows::ForgetLots() {
    lotes_ = {};
    porLote_ = {};
    inicioDoLote_ = {};
}

void ProposalReportRows::GroupLots() {
    if (!porLote_.empty() || lotes_.empty()) return;
    porLote_.resize(lotes_.size());
    std::iota(porLote_.begin(), porLote_.end(), 0u);
    // Stable: within a lot the entries stay in record order.
    std::stable_sort(porLote_.begin(), porLote_.end(),
                     [this](std::uint32_t a, std::uint32_t b) { return lotes_[a] < lotes_[b]; });
    for (std::uint32_t i = 0; i < porLote_.size(); ++i) {
        const std::int64_t lote = lotes_[porLote_[i]];
        if (inicioDoLote_.empty() || inicioDoLote_.back().first != lote) inicioDoLote_.emplace_back(lote, i);
    }
    inicioDoLote_.shrink_to_fit();
}

std::vector<std::int64_t> ProposalReportRows::LotsInItemOrder() {
    GroupLots();
    std::vector<char> visto(inicioDoLote_.size(), 0);
    std::vector<std::int64_t> lotes;
    lotes.reserve(inicioDoLote_.size());
    for (const std::uint32_t position : porNumero_.positions) {
        const std::int64_t lote = lotes_[position];
        const auto grupo =
            std::lower_bound(inicioDoLote_.begin(), inicioDoLote_.end(), lote,
                             [](const auto& inicio, std::int64_t id) { return inicio.first < id; });
        char& marcado = visto[static_cast<std::size_t>(grupo - inicioDoLote_.begin())];
        if (marcado) continue;
        marcado = 1;
        lotes.push_back(lote);
    }
    return lotes;
}

void ProposalReportRows::ShowLot(std::int64_t id) {
    GroupLots();
    ordem_ = nullptr;
    const auto grupo =
        std::lower_bound(inicioDoLote_.begin(), inicioDoLote_.end(), id,
                         [](const auto& inicio, std::int64_t lote) { return inicio.first < lote; });
    std::span<const std::uint32_t> positions;
    if (grupo != inicioDoLote_.end() && grupo->first == id) {
        const std::uint32_t fim = grupo + 1 == inicioDoLote_.end()
                                      ? static_cast<std::uint32_t>(porLote_.size())
                                      : (grupo + 1)->second;
        positions = std::span(porLote_).subspan(grupo->second, fim - grupo->second);
    }
    Load(positions);
    itens_.First();
}

void ProposalReportRows::ShowFirstByNumber() {
    ordem_ = &porNumero_;
    ShowWindow(0, false);
}

void ProposalReportRows::ShowFirst() {
    ordem_ = &OrderFor(OrderedFields(itens_));
    ShowWindow(0, false);
}

bool ProposalReportRows::ShowNext() {
    if (!ordem_ || (janela_ + 1) * windowRows_ >= ordem_->positions.size()) return false;
    ShowWindow(janela_ + 1, false);
    return true;
}

bool ProposalReportRows::ShowPrior() {
    if (!ordem_ || janela_ == 0) return false;
    ShowWindow(janela_ - 1, true);
    return true;
}

int ProposalReportRows::RecordCount() const {
    return static_cast<int>(versions_.size());
}

const ProposalReportRows::Order& ProposalReportRows::OrderFor(const QString& fieldNames) {
    if (fieldNames == porNumero_.fieldNames) return porNumero_;
    if (!outraOrdem_ || outraOrdem_->fieldNames != fieldNames)
        outraOrdem_ = std::make_unique<Order>(OrderByReadKeys(fieldNames));
    return *outraOrdem_;
}

ProposalReportRows::Order ProposalReportRows::OrderByReadKeys(const QString& fieldNames) {
    const Datapacket& packet = file_->Header();
    std::vector<int> columns;
    for (const QString& name : fieldNames.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const int column = packet.FieldIndex(name.trimmed().toStdString());
        if (column < 0)
            throw Exception(QStringLiteral("The report cannot order the items by \"%1\"").arg(name));
        columns.push_back(column);
    }
    if (columns.empty())
        throw Exception(QStringLiteral("The report cannot order the items without an index"));
    // Only this order's keys are held, read again from the file a batch of rows at a time.
    const std::size_t parts = columns.size();
    std::vector<FieldValue> keys(versions_.size() * parts);
    std::vector<std::uint32_t> versions;
    for (std::size_t first = 0; first < versions_.size(); first += kKeyBatchRows) {
        const std::size_t end = std::min(versions_.size(), first + kKeyBatchRows);
        versions.clear();
        for (std::size_t i = first; i < end; ++i)
            versions.push_back(versions_[i]);
        const std::vector<PacketRow> rows = file_->ReadVersions(versions);
        for (std::size_t i = first; i < end; ++i)
            for (std::size_t part = 0; part < parts; ++part)
                keys[i * parts + part] =
                    rows[i - first].values.Value(static_cast<std::size_t>(columns[part]));
    }
    Order order;
    order.fieldNames = fieldNames;
    order.positions = OrderLikeIndex(packet, columns, static_cast<std::uint32_t>(versions_.size()),
                                     [&keys, parts](std::uint32_t position, std::size_t part) {
                                         return ViewOf(keys[position * parts + part]);
                                     });
    return order;
}

void ProposalReportRows::ShowWindow(std::size_t window, bool onLast) {
    const std::vector<std::uint32_t>& positions = ordem_->positions;
    const std::size_t first = std::min(positions.size(), window * windowRows_);
    const std::size_t end = std::min(positions.size(), first + windowRows_);
    Load(std::span(positions).subspan(first, end - first));
    janela_ = window;
    if (onLast)
        itens_.Last();
    else
        itens_.First();
}

void ProposalReportRows::Load(std::span<const std::uint32_t> positions) {
    // Rows that tie in the table's order come in record order (the orders and the lots keep it), so
    // the table, which breaks ties by the order its rows were given, orders them as the whole does.
    std::vector<std::uint32_t> versions;
    versions.reserve(positions.size());
    for (const std::uint32_t position : positions)
        versions.push_back(versions_[position]);
    const Datapacket& header = file_->Header();
    Datapacket packet;
    packet.fields = header.fields;
    packet.params = header.params;
    packet.hasAutoIncValue = header.hasAutoIncValue;
    packet.autoIncValue = header.autoIncValue;
    packet.rows = file_->ReadVersions(versions);
    // The rows are current records of their own now, without the versions they replaced.
    for (PacketRow& row : packet.rows)
        row.rowState = 0;
    // The table's opening names its default index; a walk in another order keeps its own.
    const bool aberta = itens_.Active();
    const QString campos = itens_.IndexFieldNames();
    const QString nome = itens_.IndexName();
    itens_.Close();
    itens_.Open(std::move(packet));
    if (aberta) {
        if (nome.isEmpty())
            itens_.SetIndexFieldNames(campos);
        else
            itens_.SetIndexName(nome);
    }
}

} // namespace quorvel
