#pragma once

#include "store/StoreTable.h"

#include <QString>

#include <string>
#include <vector>

namespace quorvel::testing {

// Builds a table declared like the application's lot table: id_item, descr_lote, valor, marca,
// with the two named indexes and CDSLotesIndex2 in force.
void DeclareLotTable(TStoreTable& table);

// Declares the proposal item table: its 21 stored fields, the calculated totitem (qtde x preco_ini)
// with its handler, the aggregate SomaItens and the three named indexes.
void DeclareItemTable(TStoreTable& table);

// One item row of a generated proposal file.
struct ProposalFileRow {
    int idItem = 1;
    int numItem = 1;
    std::string descrItem;
    std::string qtde = "1.000";
    std::string precoIni; // empty: no price
    std::string tipoprega = "M";
};

// The XML text of a proposal file with the given rows, as the organiser hands it out.
std::string ProposalXml(const std::vector<ProposalFileRow>& rows);

// Records every event of a table, in order, as its name.
struct EventLog {
    std::vector<std::string> events;
    void Attach(TStoreTable& table);
    std::string Joined() const;
};

} // namespace quorvel::testing
