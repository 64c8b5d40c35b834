#include "app/proposal/ProposalPriceImport.h"

#include "app/proposal/ProposalRecordSet.h"

#include "platform/Exceptions.h"
#include "store/StoreTable.h"

namespace quorvel {

ProposalPriceImport::ProposalPriceImport(ProposalRecordSet& proposta)
    : proposta_(proposta)
    , quietos_{&proposta.ItemTable(), &proposta.LotTable()} {
    // A price still being typed belongs to the row it was typed in: it is posted before the import
    // moves anywhere.
    proposta_.PostPending();
}

void ProposalPriceImport::SelectLot(std::int64_t lote) {
    if (loteAtual_ == lote) return;
    TStoreTable& lotes = proposta_.LotTable();
    // Moving the lot table filters the item table to the lot's rows (its after-scroll handler).
    if (!lotes.Locate(QStringLiteral("id_item"), TStoreValue(lote)))
        throw Exception(QStringLiteral("%1: o lote não está na proposta").arg(lote));
    loteAtual_ = lote;
    indexado_ = false;
}

void ProposalPriceImport::IndexVisibleRows() {
    if (indexado_) return;
    TStoreTable& itens = proposta_.ItemTable();
    const TStoreField& idItem = FieldNamed(itens, "id_item");
    const TStoreField& numitem = FieldNamed(itens, "numitem");
    const TStoreField& nuitem = FieldNamed(itens, "nuitem");
    linhas_.clear();
    const int visiveis = itens.ViewCount();
    for (int i = 0; i < visiveis; ++i)
        itens.ReadRecordAt(i, [&] {
            ItemKey key{idItem.AsInteger(), numitem.AsInteger(), std::nullopt};
            if (!nuitem.IsNull()) key.subitem = nuitem.AsInteger();
            linhas_.emplace(key, i + 1);
        });
    indexado_ = true;
}

void ProposalPriceImport::PostItem(const PriceUpdate& update) {
    if (proposta_.IsLotMode()) SelectLot(update.key.lote);
    IndexVisibleRows();
    const auto linha = linhas_.find(update.key);
    if (linha == linhas_.end())
        throw Exception(QStringLiteral("%1 não está na proposta").arg(DescribeItem(update.key)));
    TStoreTable& itens = proposta_.ItemTable();
    itens.SetRecNo(linha->second);
    itens.Edit();
    if (update.price) FieldNamed(itens, "preco_ini").SetAsDecimal(*update.price);
    if (update.brand) FieldNamed(itens, "marca").SetAsString(*update.brand);
    itens.Post();
}

void ProposalPriceImport::Finish() {
    // In lot mode every row receives its lot's new total, as "Salvar Dados" gives it; the walk ends
    // on the first lot.
    proposta_.PropagaValorLotes();
    loteAtual_.reset();
    indexado_ = false;
    proposta_.ItemTable().First();
}

} // namespace quorvel
