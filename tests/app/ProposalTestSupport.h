#pragma once

#include "store/Packet.h"

#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace quorvel::testing {

// One row of a proposal file as the auction's organiser delivers it. Texts are UTF-8 here and
// stored as code-page text; an empty optional leaves the value NULL.
struct ItemProposta {
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

struct Proposta {
    std::string tipoprega = "M";
    std::string unges = "01";
    std::string sigla = "PE";
    int convit = 45;
    std::string anoc = "2026";
    std::vector<ItemProposta> itens;
};

// The whole datapacket: rows as delivered (no row state, empty change log).
Datapacket PacoteProposta(const Proposta& proposta);
// Writes the proposal to path: XML when the extension is ".xml" in any case, binary otherwise.
void GravaProposta(const QString& path, const Proposta& proposta);

// Reads a proposal file back into its datapacket (XML or binary by content).
Datapacket LePacote(const QString& path);
// The current (visible) rows of a packet and one of their fields as text ("" for NULL).
std::vector<const PacketRow*> LinhasAtuais(const Datapacket& packet);
std::string TextoCampo(const Datapacket& packet, const PacketRow& row, std::string_view field);

// A lot-mode proposal with `lotes` lots of `itensPorLote` items each, unpriced.
Proposta PropostaEmLotes(int lotes, int itensPorLote);
// An item-mode proposal of `itens` items, unpriced.
Proposta PropostaPorItem(int itens);

// The two sample proposals shipped in examples/.
Proposta ExemploPorItem();
Proposta ExemploEmLotes();

} // namespace quorvel::testing
