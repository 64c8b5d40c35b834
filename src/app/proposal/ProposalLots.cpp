#include "app/proposal/ProposalRecordSet.h"

#include "app/proposal/ProposalReportRows.h"
#include "app/proposal/TableAccess.h"

#include "platform/ScopeExit.h"

#include <optional>

namespace quorvel {

namespace {

// The fields a lot row is made of, from the item row shown now: its id, description and brand (the
// value is the caller's).
struct LotFromItem {
    LotFromItem(TStoreTable& itens, TStoreTable& lotes)
        : itemId(FieldNamed(itens, "id_item"))
        , itemDescr(FieldNamed(itens, "descr_lote"))
        , itemMarca(FieldNamed(itens, "marca"))
        , loteId(FieldNamed(lotes, "id_item"))
        , loteDescr(FieldNamed(lotes, "descr_lote"))
        , loteValor(FieldNamed(lotes, "valor"))
        , loteMarca(FieldNamed(lotes, "marca")) {}

    // Appends the lot of the item row, its value set by `valor`, and posts it.
    template <class SetValue> void Append(TStoreTable& lotes, const SetValue& valor) {
        lotes.Append();
        loteId.SetValue(itemId.Value());
        loteDescr.SetValue(itemDescr.Value());
        valor(loteValor);
        loteMarca.SetValue(itemMarca.Value());
        lotes.Post();
    }

    TStoreField& itemId;
    TStoreField& itemDescr;
    TStoreField& itemMarca;
    TStoreField& loteId;
    TStoreField& loteDescr;
    TStoreField& loteValor;
    TStoreField& loteMarca;
};

} // namespace

void ProposalRecordSet::MakeLotTable(
    const std::function<void(TStoreTable& itens, TStoreTable& lotes)>& fill) {
    TStoreTable& itens = *CDSDigitacao;
    TStoreTable& lotes = *CDSLotes;
    const SuspendedControls quietos{CDSDigitacao.get(), CDSLotes.get()};
    lotes.Close();
    itens.SetTag(kTagBuilding);
    lotes.SetTag(kTagBuilding);
    lotes.CreateDataSet();
    fill(itens, lotes);
    itens.SetTag(kTagNormal);
    lotes.SetTag(kTagNormal);
    itens.First();
    lotes.First();
}

void ProposalRecordSet::BuildLots() {
    MakeLotTable([](TStoreTable& itens, TStoreTable& lotes) {
        LotFromItem lote(itens, lotes);
        const TStoreField& itemValor = FieldNamed(itens, "valor");
        // The rows of a lot usually follow one another: a row of the lot the row before belonged to
        // finds that lot without looking it up.
        std::optional<TStoreValue> idAnterior;
        while (!itens.Eof()) {
            const TStoreValue id = lote.itemId.Value();
            if (id != idAnterior && !lotes.Locate(QStringLiteral("id_item"), id))
                lote.Append(lotes, [&](TStoreField& valor) { valor.SetValue(itemValor.Value()); });
            idAnterior = id;
            itens.Next();
        }
    });
}

void ProposalRecordSet::BuildReportLots() {
    MakeLotTable([this](TStoreTable& itens, TStoreTable& lotes) {
        LotFromItem lote(itens, lotes);
        const TStoreField& soma = FieldNamed(itens, "SomaItens");
        // As BuildLots: a lot from its first row in numitem order, in the order of those rows; and as
        // PropagaValorLotes: its value the total of its rows (a lot's window holds exactly its rows).
        for (const std::int64_t id : reportRows->LotsInItemOrder()) {
            reportRows->ShowLot(id);
            lote.Append(lotes, [&](TStoreField& valor) {
                if (!soma.IsNull())
                    valor.SetAsFloat(soma.AsFloat());
                else
                    valor.Clear();
            });
        }
    });
}

void ProposalRecordSet::CDSLotesBeforeScroll(TStoreTable& dataSet) {
    // An item row still being edited belongs to the lot that is selected now: it is posted before the
    // selection moves, so that its roll-up credits this lot and not the one being selected.
    if (dataSet.Tag() == kTagBuilding) return;
    PostPending();
}

void ProposalRecordSet::CDSLotesAfterScroll(TStoreTable& dataSet) {
    if (dataSet.Tag() == kTagBuilding) return;
    // Rows read a window at a time: the selected lot's rows are the window.
    if (reportRows) {
        reportRows->ShowLot(FieldNamed(dataSet, "id_item").AsInteger());
        return;
    }
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

ProposalRecordSet::Versions ProposalRecordSet::CurrentVersions() const {
    return {CDSDigitacao->ContentVersion(), CDSLotes->ContentVersion()};
}

bool ProposalRecordSet::PropagateIntoSelectedLot() {
    TStoreTable& itens = *CDSDigitacao;
    TStoreField& preco = FieldNamed(itens, "preco_ini");
    TStoreField& valorItem = FieldNamed(itens, "valor");
    const TStoreField& tipo = FieldNamed(itens, "tipoprega");
    const TStoreField& valorLote = FieldNamed(*CDSLotes, "valor");
    // The lot's total is brought up to date before its rows copy it, so that every row, the first
    // included, receives the same, current value.
    UpdateLotValue();
    bool faltaPreco = false;
    rollUpSuspenso = true;
    const ScopeExit retoma([this] { rollUpSuspenso = false; });
    // The walk's posts do not roll up (it is suspended): the lot's total stays what it is now.
    const double total = valorLote.AsFloat();
    itens.First();
    while (!itens.Eof()) {
        if (preco.AsFloat() <= 0) faltaPreco = true;
        // A row that holds the lot's total already is left alone: posting it would change nothing,
        // since its handlers give a lot-mode row and its lot the values they have (an item-mode row
        // takes its own price instead, and is still posted).
        const bool jaTem = !valorItem.IsNull() && valorItem.AsFloat() == total && !HoldsText(tipo, "M");
        if (!jaTem) {
            itens.Edit();
            valorItem.SetAsFloat(total);
            itens.Post();
        }
        itens.Next();
    }
    return faltaPreco;
}

void ProposalRecordSet::WalkLots(const std::set<std::int64_t>* somente) {
    TStoreTable& lotes = *CDSLotes;
    const SuspendedControls quietos{CDSDigitacao.get(), CDSLotes.get()};
    // A walk cut short by an error leaves nothing to trust: the next one walks every lot.
    propagado.reset();
    acompanhado.reset();
    const TStoreField& idLote = FieldNamed(lotes, "id_item");
    const auto percorreSelecionado = [&] {
        const std::int64_t id = idLote.AsInteger();
        lotesSemPreco.erase(id);
        if (PropagateIntoSelectedLot()) lotesSemPreco.insert(id);
    };
    if (somente == nullptr) {
        // Every move of the lot table re-filters the item table to that lot's rows (its after-scroll
        // handler), so the walk over the items sees exactly the rows of the current lot.
        lotesSemPreco.clear();
        lotes.First();
        while (!lotes.Eof()) {
            percorreSelecionado();
            lotes.Next();
        }
    } else {
        // The walk's own posts are followed too: the lots to visit are taken before it starts.
        const std::set<std::int64_t> visitar = *somente;
        for (const std::int64_t id : visitar)
            if (lotes.Locate(QStringLiteral("id_item"), TStoreValue(id)))
                percorreSelecionado();
            else
                lotesSemPreco.erase(id);
    }
    lotes.First();
    propagado = CurrentVersions();
    acompanhado = propagado;
    lotesAlterados.clear();
}

bool ProposalRecordSet::PropagaValorLotes() {
    if (!IsLotMode()) return false;
    TStoreTable& lotes = *CDSLotes;
    if (lotes.Tag() != kTagNormal) return false;
    // A row still being edited is posted by the walk's first move, a change not counted yet.
    const bool editando = IsEditing(*CDSDigitacao) || IsEditing(lotes);
    const Versions agora = CurrentVersions();
    if (!editando && propagado && *propagado == agora) {
        // Nothing stored changed since the last walk: every row holds its lot's value already, and
        // the answer is the one that walk gave. The walk's last step, selecting the first lot, stays.
        lotes.First();
    } else if (!editando && propagado && acompanhado && *acompanhado == agora) {
        WalkLots(&lotesAlterados);
    } else {
        WalkLots(nullptr);
    }
    return !lotesSemPreco.empty();
}

} // namespace quorvel
