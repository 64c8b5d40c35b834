#include "TableTestSupport.h"

#include "PacketFixtures.h"

namespace quorvel::testing {

void DeclareLotTable(TStoreTable& table) {
    table.Name = QStringLiteral("CDSLotes");
    table.AddField(QStringLiteral("id_item"), TFieldType::Integer).SetDisplayLabel(QStringLiteral("Item"));
    table.AddField(QStringLiteral("descr_lote"), TFieldType::String, 60);
    TStoreField& valor = table.AddDecimalField(QStringLiteral("valor"), 4);
    valor.SetDisplayFormat(QStringLiteral(",0.0000"));
    valor.SetEditFormat(QStringLiteral(",0.0000"));
    table.AddField(QStringLiteral("marca"), TFieldType::String, 30);
    table.AddIndex(QStringLiteral("CDSLotesIndex1"), QStringLiteral("descr_lote"));
    table.AddIndex(QStringLiteral("CDSLotesIndex2"), QStringLiteral("id_item"));
    table.SetIndexName(QStringLiteral("CDSLotesIndex2"));
}

void DeclareItemTable(TStoreTable& table) {
    table.Name = QStringLiteral("CDSDigitacao");
    auto readOnly = [](TStoreField& f) { f.SetReadOnly(true); };
    readOnly(table.AddField(QStringLiteral("id_item"), TFieldType::AutoInc));
    readOnly(table.AddField(QStringLiteral("unges"), TFieldType::FixedChar, 2));
    readOnly(table.AddField(QStringLiteral("sigla"), TFieldType::FixedChar, 2));
    readOnly(table.AddField(QStringLiteral("convit"), TFieldType::Integer));
    readOnly(table.AddField(QStringLiteral("anoc"), TFieldType::FixedChar, 4));
    readOnly(table.AddField(QStringLiteral("numitem"), TFieldType::Integer));
    readOnly(table.AddField(QStringLiteral("descr_lote"), TFieldType::String, 60));
    readOnly(table.AddField(QStringLiteral("material"), TFieldType::String, 14));
    readOnly(table.AddField(QStringLiteral("descr_item"), TFieldType::FixedChar, 120));
    table.AddField(QStringLiteral("compl_descr"), TFieldType::Memo);
    table.AddDecimalField(QStringLiteral("valor"), 4).SetDisplayFormat(QStringLiteral(",0.00"));
    table.AddField(QStringLiteral("marca"), TFieldType::String, 30);
    table.AddField(QStringLiteral("tipoprega"), TFieldType::FixedChar, 1);
    table.AddField(QStringLiteral("razao_social"), TFieldType::String, 80);
    table.AddField(QStringLiteral("identif"), TFieldType::FixedChar, 20);
    table.AddField(QStringLiteral("tipoempresa"), TFieldType::FixedChar, 1);
    table.AddField(QStringLiteral("nuitem"), TFieldType::Integer);
    TStoreField& qtde = table.AddDecimalField(QStringLiteral("qtde"), 3);
    qtde.SetReadOnly(true);
    qtde.SetDisplayFormat(QStringLiteral(",0.0000"));
    qtde.SetEditFormat(QStringLiteral(",0.0000"));
    TStoreField& preco = table.AddDecimalField(QStringLiteral("preco_ini"), 4);
    preco.SetDisplayFormat(QStringLiteral(",0.0000"));
    preco.SetEditFormat(QStringLiteral(",0.0000"));
    TStoreField& total = table.AddCalculatedField(QStringLiteral("totitem"), TFieldType::Float);
    total.SetDisplayFormat(QStringLiteral(",0.00"));
    total.SetEditFormat(QStringLiteral(",0.00"));
    table.AddField(QStringLiteral("upsigl"), TFieldType::FixedChar, 2);
    table.AddField(QStringLiteral("updesc"), TFieldType::FixedChar, 30);
    table.AddAggregateField(QStringLiteral("SomaItens"), QStringLiteral("Sum(qtde*preco_ini)"))
        .SetDisplayFormat(QStringLiteral("###,##0.00"));
    table.SetAggregatesActive(true);
    table.AddIndex(QStringLiteral("CDSDigitacaoIndex1"), QStringLiteral("descr_item"));
    table.AddIndex(QStringLiteral("CDSDigitacaoIndex2"), QStringLiteral("numitem"));
    table.AddIndex(QStringLiteral("CDSDigitacaoIndex3"), QStringLiteral("numitem;nuitem"));
    table.OnCalcFields = [](TStoreTable& t) {
        t.FieldByName(QStringLiteral("totitem"))
            .SetAsFloat(t.FieldByName(QStringLiteral("qtde")).AsFloat() *
                        t.FieldByName(QStringLiteral("preco_ini")).AsFloat());
    };
}

std::string ProposalXml(const std::vector<ProposalFileRow>& rows) {
    std::string xml = std::string(testing::kDeclaration) + "<DATAPACKET Version=\"2.0\"><METADATA>" +
                      testing::kItemTableFieldsXml + "<PARAMS/></METADATA><ROWDATA>";
    for (const ProposalFileRow& row : rows) {
        xml += "<ROW id_item=\"" + std::to_string(row.idItem) +
               "\" unges=\"01\" sigla=\"PE\" convit=\"12\" anoc=\"2024\"";
        xml += " numitem=\"" + std::to_string(row.numItem) + "\" descr_lote=\"Lote " +
               std::to_string(row.idItem) + "\"";
        xml += " material=\"M" + std::to_string(row.numItem) + "\" descr_item=\"" + row.descrItem + "\"";
        xml += " tipoprega=\"" + row.tipoprega + "\" nuitem=\"" + std::to_string(row.numItem) + "\"";
        xml += " qtde=\"" + row.qtde + "\"";
        if (!row.precoIni.empty()) xml += " preco_ini=\"" + row.precoIni + "\"";
        xml += " upsigl=\"UN\" updesc=\"UNIDADE\"/>";
    }
    xml += "</ROWDATA></DATAPACKET>";
    return xml;
}

void EventLog::Attach(TStoreTable& table) {
    auto record = [this](const char* name) {
        return [this, name](TStoreTable&) { events.emplace_back(name); };
    };
    table.BeforeOpen = record("BeforeOpen");
    table.AfterOpen = record("AfterOpen");
    table.BeforeClose = record("BeforeClose");
    table.AfterClose = record("AfterClose");
    table.BeforeInsert = record("BeforeInsert");
    table.AfterInsert = record("AfterInsert");
    table.BeforeEdit = record("BeforeEdit");
    table.AfterEdit = record("AfterEdit");
    table.BeforePost = record("BeforePost");
    table.AfterPost = record("AfterPost");
    table.BeforeCancel = record("BeforeCancel");
    table.AfterCancel = record("AfterCancel");
    table.BeforeScroll = record("BeforeScroll");
    table.AfterScroll = record("AfterScroll");
    table.BeforeDelete = record("BeforeDelete");
    table.AfterDelete = record("AfterDelete");
}

std::string EventLog::Joined() const {
    std::string out;
    for (const std::string& e : events) {
        if (!out.empty()) out += ' ';
        out += e;
    }
    return out;
}

} // namespace quorvel::testing
