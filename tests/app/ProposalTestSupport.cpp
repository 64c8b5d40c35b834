#include "ProposalTestSupport.h"

#include "platform/CodePage.h"
#include "support/ProposalFields.h"

#include <QFile>

#include <stdexcept>

namespace quorvel::testing {

namespace {

FieldValue TextOf(const std::string& utf8) {
    return Utf8ToCp1252(utf8);
}

FieldValue Decimal(const std::string& text, int places) {
    const DecimalReadResult read = ReadFileDecimal(text, 15, places);
    if (read.status != DecimalReadResult::Status::Ok) return std::monostate{};
    return read.value;
}

FieldValue OptionalValue(const std::optional<std::string>& text, int places) {
    return text ? Decimal(*text, places) : FieldValue(std::monostate{});
}

} // namespace

Datapacket ProposalPacket(const Proposal& proposta) {
    Datapacket packet;
    packet.fields = testing::ProposalItemFields();
    int maiorId = 0;
    for (const ProposalItem& item : proposta.itens) {
        PacketRow row;
        row.values = {
            std::int64_t{item.idItem},
            TextOf(proposta.unges),
            TextOf(proposta.sigla),
            std::int64_t{proposta.convit},
            TextOf(proposta.anoc),
            std::int64_t{item.numitem},
            TextOf(item.descrLote),
            TextOf(item.material),
            TextOf(item.descrItem),
            item.complDescr.empty() ? FieldValue(std::monostate{}) : TextOf(item.complDescr),
            OptionalValue(item.valor, 4),
            item.marca.empty() ? FieldValue(std::monostate{}) : TextOf(item.marca),
            TextOf(proposta.tipoprega),
            std::monostate{},
            std::monostate{},
            std::monostate{},
            std::int64_t{item.nuitem},
            Decimal(item.qtde, 3),
            OptionalValue(item.precoIni, 4),
            TextOf(item.upsigl),
            TextOf(item.updesc),
        };
        packet.rows.push_back(std::move(row));
        maiorId = std::max(maiorId, item.idItem);
    }
    packet.hasAutoIncValue = true;
    packet.autoIncValue = maiorId + 1;
    return packet;
}

void WriteProposal(const QString& path, const Proposal& proposta) {
    const Datapacket packet = ProposalPacket(proposta);
    const std::string bytes = path.endsWith(QLatin1String(".xml"), Qt::CaseInsensitive)
                                  ? WriteDatapacketXml(packet)
                                  : WriteDatapacketBinary(packet);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()))
        throw std::runtime_error("cannot write " + path.toStdString());
}

Datapacket ReadPacketFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("cannot read " + path.toStdString());
    const QByteArray bytes = file.readAll();
    const std::span<const char> data(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return IsBinaryDatapacket(data) ? ReadDatapacketBinary(data) : ReadDatapacketXml(data);
}

std::vector<const PacketRow*> CurrentRows(const Datapacket& packet) {
    std::vector<const PacketRow*> rows;
    for (const PacketRow& row : packet.rows)
        if (IsCurrentRow(row.rowState)) rows.push_back(&row);
    return rows;
}

std::string PacketFieldText(const Datapacket& packet, const PacketRow& row, std::string_view field) {
    const int index = packet.FieldIndex(field);
    if (index < 0) throw std::runtime_error("no field " + std::string(field));
    const FieldView value = row.values.at(static_cast<std::size_t>(index));
    if (const auto* text = std::get_if<std::string_view>(&value)) return Cp1252ToUtf8(*text);
    if (const auto* number = std::get_if<std::int64_t>(&value)) return std::to_string(*number);
    if (const auto* decimal = std::get_if<TDecimal>(&value)) return decimal->ToString();
    return {};
}

Proposal LotProposal(int lotes, int itensPorLote) {
    Proposal proposta;
    proposta.tipoprega = "L";
    int numitem = 0;
    for (int lote = 1; lote <= lotes; ++lote) {
        for (int i = 1; i <= itensPorLote; ++i) {
            ++numitem;
            ProposalItem item;
            item.idItem = lote;
            item.numitem = numitem;
            item.nuitem = i;
            item.descrLote = "Lote " + std::to_string(lote);
            item.material = std::to_string(100000 + numitem);
            item.descrItem = "Item " + std::to_string(numitem) + " do lote " + std::to_string(lote);
            item.complDescr = "Especificação do item " + std::to_string(numitem);
            item.qtde = std::to_string(i) + ".000";
            proposta.itens.push_back(std::move(item));
        }
    }
    return proposta;
}

Proposal ItemProposal(int itens) {
    Proposal proposta;
    proposta.tipoprega = "M";
    for (int i = 1; i <= itens; ++i) {
        ProposalItem item;
        item.idItem = i;
        item.numitem = i;
        item.nuitem = i;
        item.material = std::to_string(200000 + i);
        item.descrItem = "Item " + std::to_string(i);
        item.qtde = std::to_string(i) + ".000";
        proposta.itens.push_back(std::move(item));
    }
    return proposta;
}

} // namespace quorvel::testing
