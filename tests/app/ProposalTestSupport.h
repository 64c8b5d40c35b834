#pragma once

#include "store/Packet.h"

#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace quorvel::testing {

// One row of a proposal file as the auction's organiser delivers it. Texts are UTF-8 here and
// stored as code-page text; an empty optional leaves the value NULL.
struct ProposalItem {
    int idItem = 0;
    int numitem = 0;
    int nuitem = 0;
    std::string descrLote;
    std::string material;
    std::string descrItem;
    std::string complDescr;
    std::string qtde; // file text, "3.000"
    std::optional<std::string> precoIni;
    std::optional<std::string> valor;
    std::string marca;
    std::string upsigl = "UN";
    std::string updesc = "UNIDADE";
};

struct Proposal {
    std::string tipoprega = "M";
    std::string unges = "01";
    std::string sigla = "PE";
    int convit = 45;
    std::string anoc = "2026";
    std::vector<ProposalItem> itens;
};

// The whole datapacket: rows as delivered (no row state, empty change log).
Datapacket ProposalPacket(const Proposal& proposta);
// Writes the proposal to path: XML when the extension is ".xml" in any case, binary otherwise.
void WriteProposal(const QString& path, const Proposal& proposta);

// Reads a proposal file back into its datapacket (XML or binary by content).
Datapacket ReadPacketFile(const QString& path);
// The current (visible) rows of a packet and one of their fields as text ("" for NULL).
std::vector<const PacketRow*> CurrentRows(const Datapacket& packet);
std::string PacketFieldText(const Datapacket& packet, const PacketRow& row, std::string_view field);

// A lot-mode proposal with `lotes` lots of `itensPorLote` items each, unpriced.
Proposal LotProposal(int lotes, int itensPorLote);
// An item-mode proposal of `itens` items, unpriced.
Proposal ItemProposal(int itens);

// The two sample proposals shipped in examples/.
Proposal ItemExample();
Proposal LotExample();

} // namespace quorvel::testing
