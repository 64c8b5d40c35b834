#include "app/proposal/ProposalRecordSet.h"

#include "app/proposal/TableAccess.h"

namespace quorvel {

void ProposalRecordSet::BuildLots() {
    TStoreTable& itens = *CDSDigitacao;
    TStoreTable& lotes = *CDSLotes;
    const SuspendedControls quietos{CDSDigitacao.get(), CDSLotes.get()};
    lotes.Close();
    itens.SetTag(kTagBuilding);
    lotes.SetTag(kTagBuilding);
    lotes.CreateDataSet();

    TStoreField& idItem = FieldNamed(itens, "id_item");
    TStoreField& loteId = FieldNamed(lotes, "id_item");
    TStoreField& loteDescr = FieldNamed(lotes, "descr_lote");
    TStoreField& loteValor = FieldNamed(lotes, "valor");
    TStoreField& loteMarca = FieldNamed(lotes, "marca");
    TStoreField& itemDescr = FieldNamed(itens, "descr_lote");
    TStoreField& itemValor = FieldNamed(itens, "valor");
    TStoreField& itemMarca = FieldNamed(itens, "marca");
    while (!itens.Eof()) {
        if (!lotes.Locate(QStringLiteral("id_item"), idItem.Value())) {
            lotes.Append();
            loteId.SetValue(idItem.Value());
            loteDescr.SetValue(itemDescr.Value());
            loteValor.SetValue(itemValor.Value());
            loteMarca.SetValue(itemMarca.Value());
            lotes.Post();
        }
        itens.Next();
    }

    itens.SetTag(kTagNormal);
    lotes.SetTag(kTagNormal);
    itens.First();
    lotes.First();
}

void ProposalRecordSet::CDSLotesBeforeScroll(TStoreTable& dataSet) {
    // An item row still being edited belongs to the lot that is selected now: it is posted before the
    // selection moves, so that its roll-up credits this lot and not the one being selected.
    if (dataSet.Tag() == kTagBuilding) return;
    PostPending();
}

void ProposalRecordSet::CDSLotesAfterScroll(TStoreTable& dataSet) {
    if (dataSet.Tag() == kTagBuilding) return;
    CDSDigitacao->SetFilter(QStringLiteral("id_item = ") +
                            QString::number(FieldNamed(dataSet, "id_item").AsInteger()));
    CDSDigitacao->SetFiltered(true);
}

void ProposalRecordSet::UpdateLotValue() {
    TStoreTable& lotes = *CDSLotes;
    lotes.Edit();
    const TStoreField& soma = FieldNamed(*CDSDigitacao, "SomaItens");
    TStoreField& valor = FieldNamed(lotes, "valor");
    // The sum's text is empty exactly when the sum is NULL; the test spares formatting it.
    if (!soma.IsNull())
        valor.SetAsFloat(soma.AsFloat());
    else
        valor.Clear();
    lotes.Post();
}

bool ProposalRecordSet::PropagaValorLotes() {
    if (!IsLotMode()) return false;
    TStoreTable& itens = *CDSDigitacao;
    TStoreTable& lotes = *CDSLotes;
    bool faltaPreco = false;
    if (lotes.Tag() == kTagNormal) {
        const SuspendedControls quietos{CDSDigitacao.get(), CDSLotes.get()};
        TStoreField& preco = FieldNamed(itens, "preco_ini");
        TStoreField& valorItem = FieldNamed(itens, "valor");
        const TStoreField& tipo = FieldNamed(itens, "tipoprega");
        const TStoreField& valorLote = FieldNamed(lotes, "valor");
        // Every move of the lot table re-filters the item table to that lot's rows (its after-scroll
        // handler), so the inner walk over the items sees exactly the rows of the current lot.
        lotes.First();
        while (!lotes.Eof()) {
            // The lot's total is brought up to date before its rows copy it, so that every row,
            // the first included, receives the same, current value.
            UpdateLotValue();
            itens.First();
            while (!itens.Eof()) {
                if (preco.AsFloat() <= 0) faltaPreco = true;
                const double total = valorLote.AsFloat();
                // A row that holds the lot's total already is left alone: posting it would change
                // nothing, since its handlers give a lot-mode row and its lot the values they have
                // (an item-mode row takes its own price instead, and is still posted).
                const bool jaTem = !valorItem.IsNull() && valorItem.AsFloat() == total &&
                                   tipo.AsQString() != QLatin1String("M");
                if (!jaTem) {
                    itens.Edit();
                    valorItem.SetAsFloat(total);
                    itens.Post();
                }
                itens.Next();
            }
            lotes.Next();
        }
        lotes.First();
    }
    return faltaPreco;
}

} // namespace quorvel
