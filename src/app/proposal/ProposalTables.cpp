#include "app/proposal/ProposalRecordSet.h"

#include "store/StoreTable.h"

namespace quorvel {

namespace {

TStoreField& MadeReadOnly(TStoreField& field) {
    field.SetReadOnly(true);
    return field;
}

void SetFormats(TStoreField& field, const QString& display, const QString& edit) {
    field.SetDisplayFormat(display);
    field.SetEditFormat(edit);
}

} // namespace

void ProposalRecordSet::DeclareItemFields() {
    TStoreTable& t = *CDSDigitacao;
    t.Name = QStringLiteral("CDSDigitacao");
    MadeReadOnly(t.AddField(QStringLiteral("id_item"), TFieldType::AutoInc));
    MadeReadOnly(t.AddField(QStringLiteral("unges"), TFieldType::FixedChar, 2));
    MadeReadOnly(t.AddField(QStringLiteral("sigla"), TFieldType::FixedChar, 2));
    MadeReadOnly(t.AddField(QStringLiteral("convit"), TFieldType::Integer));
    MadeReadOnly(t.AddField(QStringLiteral("anoc"), TFieldType::FixedChar, 4));
    MadeReadOnly(t.AddField(QStringLiteral("numitem"), TFieldType::Integer));
    MadeReadOnly(t.AddField(QStringLiteral("descr_lote"), TFieldType::String, 60));
    MadeReadOnly(t.AddField(QStringLiteral("material"), TFieldType::String, 14));
    MadeReadOnly(t.AddField(QStringLiteral("descr_item"), TFieldType::FixedChar, 120))
        .SetDisplayLabel(QStringLiteral("Descrição do Item"));
    t.AddField(QStringLiteral("compl_descr"), TFieldType::Memo)
        .SetDisplayLabel(QStringLiteral("Especificação"));
    t.AddDecimalField(QStringLiteral("valor"), 4).SetDisplayFormat(QStringLiteral(",0.00"));
    t.AddField(QStringLiteral("marca"), TFieldType::String, 30).SetDisplayLabel(QStringLiteral("Marca"));
    t.AddField(QStringLiteral("tipoprega"), TFieldType::FixedChar, 1)
        .SetDisplayLabel(QStringLiteral("Tipo do Pregão"));
    t.AddField(QStringLiteral("razao_social"), TFieldType::String, 80)
        .SetDisplayLabel(QStringLiteral("Razão Social"));
    t.AddField(QStringLiteral("identif"), TFieldType::FixedChar, 20);
    t.AddField(QStringLiteral("tipoempresa"), TFieldType::FixedChar, 1);
    t.AddField(QStringLiteral("nuitem"), TFieldType::Integer);
    TStoreField& qtde = MadeReadOnly(t.AddDecimalField(QStringLiteral("qtde"), 3));
    qtde.SetDisplayLabel(QStringLiteral("Qtde."));
    SetFormats(qtde, QStringLiteral(",0.0000"), QStringLiteral(",0.0000"));
    TStoreField& preco = t.AddDecimalField(QStringLiteral("preco_ini"), 4);
    preco.SetDisplayLabel(QStringLiteral("Preço Inicial"));
    SetFormats(preco, QStringLiteral(",0.0000"), QStringLiteral(",0.0000"));
    TStoreField& totitem = t.AddCalculatedField(QStringLiteral("totitem"), TFieldType::Float);
    totitem.SetDisplayLabel(QStringLiteral("Total"));
    SetFormats(totitem, QStringLiteral(",0.00"), QStringLiteral(",0.00"));
    t.AddField(QStringLiteral("upsigl"), TFieldType::FixedChar, 2);
    t.AddField(QStringLiteral("updesc"), TFieldType::FixedChar, 30);
    TStoreField& soma =
        t.AddAggregateField(QStringLiteral("SomaItens"), QStringLiteral("Sum(qtde*preco_ini)"));
    soma.SetDisplayFormat(QStringLiteral("###,##0.00"));
    soma.SetActive(true);
    t.SetAggregatesActive(true);

    campos = {&qtde, &preco, &totitem, &t.FieldByName(QLatin1StringView("tipoprega")),
              &t.FieldByName(QLatin1StringView("valor"))};

    t.AddIndex(QStringLiteral("CDSDigitacaoIndex1"), QStringLiteral("descr_item"));
    t.AddIndex(QStringLiteral("CDSDigitacaoIndex2"), QStringLiteral("numitem"));
    t.AddIndex(QStringLiteral("CDSDigitacaoIndex3"), QStringLiteral("numitem;nuitem"));
    t.SetIndexName(QStringLiteral("CDSDigitacaoIndex1"));

    t.BeforeOpen = [this](TStoreTable& table) { CDSDigitacaoBeforeOpen(table); };
    t.BeforeInsert = [this](TStoreTable& table) { CDSDigitacaoBeforeInsert(table); };
    t.OnCalcFields = [this](TStoreTable& table) { CDSDigitacaoCalcFields(table); };
    t.BeforePost = [this](TStoreTable& table) { CDSDigitacaoBeforePost(table); };
    t.AfterPost = [this](TStoreTable& table) { CDSDigitacaoAfterPost(table); };
}

void ProposalRecordSet::DeclareLotFields() {
    TStoreTable& t = *CDSLotes;
    t.Name = QStringLiteral("CDSLotes");
    t.AddField(QStringLiteral("id_item"), TFieldType::Integer).SetDisplayLabel(QStringLiteral("Item"));
    t.AddField(QStringLiteral("descr_lote"), TFieldType::String, 60)
        .SetDisplayLabel(QStringLiteral("Descrição do Lote"));
    TStoreField& valor = t.AddDecimalField(QStringLiteral("valor"), 4);
    valor.SetDisplayLabel(QStringLiteral("Valor"));
    SetFormats(valor, QStringLiteral(",0.0000"), QStringLiteral(",0.0000"));
    t.AddField(QStringLiteral("marca"), TFieldType::String, 30).SetDisplayLabel(QStringLiteral("Marca"));

    t.AddIndex(QStringLiteral("CDSLotesIndex1"), QStringLiteral("descr_lote"));
    t.AddIndex(QStringLiteral("CDSLotesIndex2"), QStringLiteral("id_item"));
    t.SetIndexName(QStringLiteral("CDSLotesIndex2"));

    t.BeforeInsert = [this](TStoreTable& table) { CDSLotesBeforeInsert(table); };
    t.BeforeScroll = [this](TStoreTable& table) { CDSLotesBeforeScroll(table); };
    t.AfterScroll = [this](TStoreTable& table) { CDSLotesAfterScroll(table); };
}

} // namespace quorvel
