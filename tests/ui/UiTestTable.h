#pragma once

#include "platform/Exceptions.h"
#include "store/StoreTable.h"
#include "store/TableTag.h"

namespace quorvel::testing {

// A small priced-items table like the proposal's: code, description, read-only quantity, price with
// display and edit formats, a calculated total, a brand, a memo and the sum of the totals. New rows
// are refused while the tag is 0, as the application's tables do.
inline void BuildItems(TStoreTable& t) {
    t.Name = QStringLiteral("CDSItens");
    t.AddField("material", TFieldType::String, 14);
    t.AddField("descr_item", TFieldType::String, 30).SetDisplayLabel(QStringLiteral("Descrição do Item"));
    TStoreField& qtde = t.AddDecimalField("qtde", 3);
    qtde.SetDisplayFormat(",0.0000");
    TStoreField& preco = t.AddDecimalField("preco_ini", 4);
    preco.SetDisplayFormat(",0.0000");
    preco.SetEditFormat(",0.0000");
    TStoreField& total = t.AddCalculatedField("totitem", TFieldType::Float);
    total.SetDisplayFormat(",0.00");
    t.AddField("marca", TFieldType::String, 30);
    t.AddField("compl_descr", TFieldType::Memo);
    t.AddAggregateField("SomaItens", "Sum(qtde*preco_ini)").SetDisplayFormat("###,##0.00");
    t.SetAggregatesActive(true);
    t.OnCalcFields = [](TStoreTable& table) {
        table.FieldByName("totitem").SetAsFloat(table.FieldByName("qtde").AsFloat() *
                                                table.FieldByName("preco_ini").AsFloat());
    };
    t.BeforeInsert = [](TStoreTable& table) {
        if (table.Tag() == kTagNormal) throw EAbort();
    };
    t.SetTag(kTagBuilding);
    t.CreateDataSet();
    struct Row {
        const char* material;
        const char* descr;
        const char* qtde;
        const char* preco; // nullptr: no price
        const char* memo;
    };
    const Row rows[] = {
        {"M-001", "Caneta azul", "3", "1234,5", "Linha 1\nLinha 2"},
        {"M-002", "caderno", "2", nullptr, "Especifica\xE7\xE3o"},
        {"M-003", "Borracha", "1", "0,25", ""},
    };
    for (const Row& r : rows) {
        t.Append();
        t.FieldByName("material").SetAsString(r.material);
        t.FieldByName("descr_item").SetAsString(r.descr);
        t.FieldByName("qtde").SetAsQString(QString::fromLatin1(r.qtde));
        if (r.preco != nullptr) t.FieldByName("preco_ini").SetAsQString(QString::fromLatin1(r.preco));
        t.FieldByName("compl_descr").SetAsString(r.memo);
        t.Post();
    }
    t.SetTag(kTagNormal);
    qtde.SetReadOnly(true);
    t.First();
}

} // namespace quorvel::testing
