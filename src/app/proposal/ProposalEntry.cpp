#include "app/proposal/ProposalRecordSet.h"

#include "app/proposal/SupplierConfig.h"
#include "app/proposal/TableAccess.h"

#include "platform/Exceptions.h"
#include "platform/IniFile.h"
#include "platform/ScopeExit.h"

namespace quorvel {

void ProposalRecordSet::CDSDigitacaoBeforeInsert(TStoreTable& dataSet) {
    if (dataSet.Tag() == kTagNormal) throw EAbort();
}

void ProposalRecordSet::CDSLotesBeforeInsert(TStoreTable& dataSet) {
    if (dataSet.Tag() == kTagNormal) throw EAbort();
}

void ProposalRecordSet::CDSDigitacaoCalcFields(TStoreTable&) {
    campos.totitem->SetAsFloat(campos.qtde->AsFloat() * campos.precoIni->AsFloat());
}

void ProposalRecordSet::CDSDigitacaoBeforePost(TStoreTable&) {
    antesDoPost = CurrentVersions();
    if (HoldsText(*campos.tipoprega, "M")) campos.valor->SetAsFloat(campos.precoIni->AsFloat());
}

void ProposalRecordSet::CDSDigitacaoAfterPost(TStoreTable& dataSet) {
    if (!CDSLotes->Active()) return;
    if (rollUpSuspenso) {
        acompanhado.reset();
        return;
    }
    // A post that follows the last one counted (or the last walk) extends the record of what changed
    // since that walk: the posted row's lot, and the selected lot whose value the roll-up sets.
    const bool seguido = acompanhado && *acompanhado == antesDoPost;
    UpdateLotValue();
    if (!seguido) {
        acompanhado.reset();
        return;
    }
    lotesAlterados.insert(FieldNamed(dataSet, "id_item").AsInteger());
    if (!CDSLotes->IsEmpty()) lotesAlterados.insert(FieldNamed(*CDSLotes, "id_item").AsInteger());
    acompanhado = CurrentVersions();
}

void ProposalRecordSet::CarregaDadosFornecedor() {
    const TIniFile ini(ConfigIniPath(executableFolder));
    fornecedor.razaoSocial = ini.ReadString(kSupplierSection, kCompanyNameKey, QString());
    fornecedor.identificador = ini.ReadString(kSupplierSection, kIdentifierKey, QString());
    fornecedor.tipoEmpresa = StrToInt(ini.ReadString(kSupplierSection, kCompanyTypeKey, QString()));

    TStoreTable& itens = *CDSDigitacao;
    TStoreTable& lotes = *CDSLotes;
    TStoreField& razaoSocial = FieldNamed(itens, "razao_social");
    TStoreField& identif = FieldNamed(itens, "identif");
    TStoreField& tipoEmpresa = FieldNamed(itens, "tipoempresa");
    const QString tipo = QString::number(fornecedor.tipoEmpresa);
    // A row that holds the data already is left alone (posting it would store nothing), and the lot
    // roll-up every post runs gives the same total for each post of a pass: it runs once, at its end.
    const auto gravaLinhasVisiveis = [&] {
        bool algumaLinha = false;
        {
            rollUpSuspenso = true;
            const ScopeExit retoma([this] { rollUpSuspenso = false; });
            itens.First();
            while (!itens.Eof()) {
                algumaLinha = true;
                const bool jaTem = razaoSocial.AsQString() == fornecedor.razaoSocial &&
                                   identif.AsQString() == fornecedor.identificador &&
                                   tipoEmpresa.AsQString() == tipo;
                if (!jaTem) {
                    itens.Edit();
                    razaoSocial.SetAsQString(fornecedor.razaoSocial);
                    identif.SetAsQString(fornecedor.identificador);
                    tipoEmpresa.SetAsQString(tipo);
                    itens.Post();
                }
                itens.Next();
            }
        }
        if (algumaLinha && lotes.Active()) {
            UpdateLotValue();
            acompanhado.reset();
        }
    };

    const SuspendedControls quietos{CDSDigitacao.get(), CDSLotes.get()};
    if (!lotes.Active() || !itens.Filtered()) {
        gravaLinhasVisiveis();
        itens.First();
        return;
    }
    // A lot is selected and the item table shows only its rows. Every lot is visited in turn, so that
    // the data reaches every row and each post rolls up into the lot its row belongs to; the
    // supplier then finds the lot and the row where they were.
    PostPending();
    const int loteAtual = lotes.RecNo();
    const int itemAtual = itens.RecNo();
    lotes.First();
    while (!lotes.Eof()) {
        gravaLinhasVisiveis();
        lotes.Next();
    }
    lotes.SetRecNo(loteAtual);
    itens.SetRecNo(itemAtual);
}

} // namespace quorvel
