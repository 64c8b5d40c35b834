#include "app/UQuorvel.h"

#include "store/StoreTable.h"
#include "ui/DBGrid.h"
#include "ui/DataSource.h"

#include "ui_UQuorvel.h"

namespace quorvel {

namespace {

constexpr int kPriceColumn = 4;

void MakeFlat(TDBGrid& grid) {
    grid.setFrameShape(QFrame::Box);
    grid.horizontalHeader()->setFont(grid.font());
}

} // namespace

void TFormQuorvel::BindGrids() {
    DSDigitacao = std::make_unique<TDataSource>(&proposta->ItemTable());
    DSLotes = std::make_unique<TDataSource>(&proposta->LotTable());

    ui->DBEdit1->SetDataSource(DSDigitacao.get());
    ui->DBEdit1->SetDataField(QStringLiteral("sigla"));
    ui->DBEdit2->SetDataSource(DSDigitacao.get());
    ui->DBEdit2->SetDataField(QStringLiteral("convit"));
    ui->DBEdit3->SetDataSource(DSDigitacao.get());
    ui->DBEdit3->SetDataField(QStringLiteral("anoc"));
    ui->DBMemo1->SetDataSource(DSDigitacao.get());
    ui->DBMemo1->SetDataField(QStringLiteral("compl_descr"));
    ui->DBSomaItens->SetDataSource(DSDigitacao.get());
    ui->DBSomaItens->SetDataField(QStringLiteral("SomaItens"));

    ui->DBVCR1->SetDataSource(DSDigitacao.get());
    ui->DBVCR1->SetVisibleButtons({TNavigateBtn::First, TNavigateBtn::Prior, TNavigateBtn::Next,
                                   TNavigateBtn::Last, TNavigateBtn::Edit, TNavigateBtn::Post,
                                   TNavigateBtn::Cancel});

    TDBGrid& grid1 = *ui->DBGrid1;
    grid1.SetDataSource(DSDigitacao.get());
    grid1.SetColumns({
        {QStringLiteral("material"), QString(), 80, true},
        {QStringLiteral("descr_item"), QStringLiteral("Descrição do Item"), 349, true},
        {QStringLiteral("upsigl"), QStringLiteral("Un."), 24, true},
        {QStringLiteral("qtde"), QStringLiteral("Qtde."), 72, true},
        {QStringLiteral("preco_ini"), QStringLiteral("Valor Item"), 92, false},
        {QStringLiteral("totitem"), QStringLiteral("Total"), 110, true},
        {QStringLiteral("marca"), QStringLiteral("Marca"), 104, false},
    });
    grid1.OnKeyPress = [this](TDBGrid&, QChar& key) { DBGrid1KeyPress(key); };
    MakeFlat(grid1);

    TDBGrid& grid2 = *ui->DBGrid2;
    grid2.SetDataSource(DSLotes.get());
    grid2.SetColumns({
        {QStringLiteral("descr_lote"), QStringLiteral("Descrição do Lote"), 660, true},
        {QStringLiteral("valor"), QStringLiteral("Valor do Lote"), 131, true},
    });
    grid2.OnKeyPress = [this](TDBGrid&, QChar& key) { DBGrid2KeyPress(key); };
    MakeFlat(grid2);
}

void TFormQuorvel::SetPriceTitle(const QString& titulo) {
    ui->DBGrid1->SetColumnTitle(kPriceColumn, titulo);
}

} // namespace quorvel
