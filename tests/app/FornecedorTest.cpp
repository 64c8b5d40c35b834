#include "QuorvelTestSupport.h"

#include "platform/IniFile.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>

namespace quorvel::testing {
namespace {

using Fornecedor = QuorvelFixture;

QString CompanyName100() {
    QString nome = QStringLiteral("Distribuidora São João de Materiais Hospitalares e Laboratoriais");
    while (nome.size() < 100)
        nome += QLatin1Char('X');
    return nome;
}

TEST_F(Fornecedor, FirstOpeningWithoutConfigIniRequiresValidDataBeforeTheDialogCanBeLeft) {
    const QString path = SaveProposal(ItemProposal(3));
    bool cancelarHabilitado = true;
    bool fechouPelaBarra = true;
    QStringList mensagensNoDialogo;
    QString foco1;
    QString foco2;
    QString foco3;
    const auto foco = [](const TFormDadosForn& d) {
        return d.focusWidget() != nullptr ? d.focusWidget()->objectName() : QString();
    };
    WhenRegistrationShown([&](TFormDadosForn& d) {
        RegistrationUi f = ControlsOf(d);
        cancelarHabilitado = f.BitBtn2.isEnabled();
        // The title bar's close box and Escape are refused.
        QCloseEvent fechar;
        QCoreApplication::sendEvent(&d, &fechar);
        d.reject();
        fechouPelaBarra = !d.isVisible();

        f.BitBtn1.click();
        foco1 = foco(d);
        f.EdRazaoSocial.setText(QStringLiteral("   "));
        f.BitBtn1.click();
        f.EdRazaoSocial.setText(QStringLiteral("  Comércio Três Irmãos  "));
        f.BitBtn1.click();
        foco2 = foco(d);
        f.EdIdentificador.setText(QStringLiteral("Três Irmãos "));
        f.BitBtn1.click();
        foco3 = foco(d);
        mensagensNoDialogo = dialogs.MessageTexts();
        f.RGTipoEmpresaItem1.click();
        f.BitBtn1.click();
    });
    ASSERT_TRUE(OpenProposal(path));

    EXPECT_FALSE(cancelarHabilitado);
    EXPECT_FALSE(fechouPelaBarra);
    EXPECT_EQ(mensagensNoDialogo, (QStringList{QStringLiteral("Informe a razão social!"),
                                               QStringLiteral("Informe a razão social!"),
                                               QStringLiteral("Informe o nome identificador!"),
                                               QStringLiteral("Informe o tipo da empresa!")}));
    for (const DialogCall& call : dialogs.Messages()) {
        EXPECT_EQ(call.title, QStringLiteral("Atenção!"));
        EXPECT_EQ(call.icon, MessageIcon::Warning);
        EXPECT_EQ(call.buttons, MessageButtons::Ok);
    }
    EXPECT_EQ(foco1, QStringLiteral("EdRazaoSocial"));
    EXPECT_EQ(foco2, QStringLiteral("EdIdentificador"));
    EXPECT_EQ(foco3, QStringLiteral("RGTipoEmpresaItem0"));

    // Stored as typed, blanks included; every row carries the data.
    EXPECT_EQ(FileBytes(ConfigFile()), QByteArray("[FORNECEDOR]\r\n"
                                                  "RAZAOSOCIAL=  Com\xE9rcio Tr\xEAs Irm\xE3os  \r\n"
                                                  "IDENTIFICADOR=Tr\xEAs Irm\xE3os \r\n"
                                                  "TIPOEMPRESA=1\r\n"));
    EXPECT_EQ(form->SupplierName(), QStringLiteral("  Comércio Três Irmãos  "));
    EXPECT_EQ(form->SupplierType(), 1);
    EXPECT_EQ(ColumnValues(Items(), "razao_social"),
              QStringList(3, QStringLiteral("  Comércio Três Irmãos")));
    EXPECT_EQ(ColumnValues(Items(), "identif"), QStringList(3, QStringLiteral("Três Irmãos")));
    EXPECT_EQ(ColumnValues(Items(), "tipoempresa"), QStringList(3, QStringLiteral("1")));
    EXPECT_EQ(TextOf(Items(), "numitem"), QStringLiteral("1"));
}

TEST_F(Fornecedor, DialogWritesAFreshConfigIniBeforeAnyValidData) {
    TFormDadosForn d(ConfigFile());
    d.show();
    EXPECT_EQ(FileBytes(ConfigFile()),
              QByteArray("[FORNECEDOR]\r\nRAZAOSOCIAL=\r\nIDENTIFICADOR=\r\nTIPOEMPRESA=-1\r\n"));
    EXPECT_FALSE(ControlsOf(d).BitBtn2.isEnabled());
    EXPECT_EQ(d.TipoEmpresaIndex(), -1);
    EXPECT_TRUE(ControlsOf(d).BitBtn1.isDefault());
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Dados cadastrais do Fornecedor"));
    d.setVisible(false);
}

TEST_F(Fornecedor, TipoEmpresaIsClampedInTheDialogButWrittenAsReadIntoTheRows) {
    WriteConfig(QStringLiteral("Empresa"), QStringLiteral("Emp"), QStringLiteral("7"));
    {
        TFormDadosForn d(ConfigFile());
        d.show();
        EXPECT_TRUE(ControlsOf(d).RGTipoEmpresaItem2.isChecked());
        EXPECT_EQ(d.TipoEmpresaIndex(), 2);
        EXPECT_TRUE(ControlsOf(d).BitBtn2.isEnabled());
        d.setVisible(false);
    }
    WriteConfig(QStringLiteral("Empresa"), QStringLiteral("Emp"), QStringLiteral("-5"));
    {
        TFormDadosForn d(ConfigFile());
        d.show();
        EXPECT_EQ(d.TipoEmpresaIndex(), -1);
        EXPECT_FALSE(ControlsOf(d).BitBtn2.isEnabled());
        d.setVisible(false);
    }
    WriteConfig(QStringLiteral("Empresa"), QStringLiteral("Emp"), QStringLiteral("7"));
    ASSERT_TRUE(OpenProposal(SaveProposal(ItemProposal(2))));
    EXPECT_EQ(ColumnValues(Items(), "tipoempresa"), QStringList(2, QStringLiteral("7")));
}

TEST_F(Fornecedor, BadTipoEmpresaIsShownAndTheDialogStillOpensReadyToRepairIt) {
    WriteConfig(QStringLiteral("Empresa"), QStringLiteral("Emp"), QString());
    TFormDadosForn d(ConfigFile());
    d.show();
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("'' is not a valid integer value")});
    EXPECT_EQ(dialogs.Messages().at(0).icon, MessageIcon::Stop);
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(ControlsOf(d).EdRazaoSocial.text(), QStringLiteral("Empresa"));
    EXPECT_EQ(d.TipoEmpresaIndex(), -1);
    EXPECT_TRUE(ControlsOf(d).BitBtn2.isEnabled());
    ControlsOf(d).RGTipoEmpresaItem0.click();
    ControlsOf(d).BitBtn1.click();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(
        TIniFile(ConfigFile()).ReadString(QStringLiteral("FORNECEDOR"), QStringLiteral("TIPOEMPRESA"), {}),
        QStringLiteral("0"));
}

TEST_F(Fornecedor, BadTipoEmpresaEndsTheOpeningBeforeAnyRowIsWritten) {
    WriteConfig(QStringLiteral("Empresa"), QStringLiteral("Emp"), QStringLiteral("um"));
    EXPECT_FALSE(OpenProposal(SaveProposal(LotProposal(2, 2))));
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("'um' is not a valid integer value")});
    EXPECT_TRUE(Items().Active());
    EXPECT_FALSE(Items().Changed());
    EXPECT_FALSE(Lots().Active());
    EXPECT_TRUE(ChildNamed(*form, "Panel4").isHidden());
}

TEST_F(Fornecedor, ConfiguracoesWithoutAFileOpenShowsTheNoticeAndNoDialog) {
    EXPECT_FALSE(RunAction([this] { form->BtnConfigClick(); }));
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    const DialogCall call = dialogs.Messages()[0];
    EXPECT_EQ(
        call.text,
        QStringLiteral("Não existe arquivo XML aberto. Antes de configurar, favor abrir o arquivo XML"));
    EXPECT_EQ(call.title, QStringLiteral("Aviso"));
    EXPECT_EQ(call.icon, MessageIcon::Stop);
    EXPECT_FALSE(QFile::exists(ConfigFile()));
}

TEST_F(Fornecedor, NewDataFromConfiguracoesReachesEveryLotAndLongNamesAreCut) {
    WriteConfig(QStringLiteral("Antiga"), QStringLiteral("Antiga"), QStringLiteral("0"));
    Proposal p = LotProposal(3, 2);
    p.itens[1].precoIni = "5.0000"; // lot 1: 2 × 5
    p.itens[3].precoIni = "7.0000"; // lot 2: 2 × 7
    const QString path = SaveProposal(p);
    ASSERT_TRUE(OpenProposal(path));
    ASSERT_TRUE(ShowWindow());
    // The supplier works on the second item of lot 2 when the registration is changed.
    Click(Grid2(), 1, 0);
    Click(Grid1(), 1, 1);
    ASSERT_EQ(Items().RecNo(), 2);
    WhenRegistrationShown([](TFormDadosForn& d) {
        EXPECT_TRUE(ControlsOf(d).BitBtn2.isEnabled());
        ControlsOf(d).EdRazaoSocial.setText(CompanyName100());
        ControlsOf(d).EdIdentificador.setText(QStringLiteral("Nova"));
        ControlsOf(d).RGTipoEmpresaItem2.click();
        ControlsOf(d).BitBtn1.click();
    });
    ASSERT_TRUE(RunAction([this] { ChildNamed<QPushButton>(*form, "BtnConfig").click(); }));

    EXPECT_EQ(
        TIniFile(ConfigFile()).ReadString(QStringLiteral("FORNECEDOR"), QStringLiteral("RAZAOSOCIAL"), {}),
        CompanyName100());
    // The selection and the grid's row are where the supplier left them; no lot changed its value.
    EXPECT_EQ(TextOf(Lots(), "id_item"), QStringLiteral("2"));
    EXPECT_EQ(Items().RecNo(), 2);
    EXPECT_EQ(Grid1().currentIndex(), Grid1().model()->index(1, 1));
    EXPECT_EQ(Grid2().currentIndex(), Grid2().model()->index(1, 0));
    EXPECT_EQ(ColumnValues(Lots(), "valor"), (QStringList{"10", "14", ""}));
    EXPECT_EQ(ColumnValues(Items(), "razao_social"), QStringList(2, CompanyName100().left(80)));

    // Every row of every lot reaches the file with the new data.
    dialogs.ClearCalls();
    ASSERT_TRUE(RunAction([this] { form->BitBtn3Click(); }));
    EXPECT_EQ(Messages(),
              (QStringList{QStringLiteral("Existem preços de itens que não foram digitados. VERIFIQUE"),
                           QStringLiteral("Dados Salvos !!!")}))
        << Messages().join('|').toStdString();
    const Datapacket gravado = ReadPacketFile(path);
    const auto linhas = CurrentRows(gravado);
    ASSERT_EQ(linhas.size(), 6u);
    for (const PacketRow* row : linhas) {
        EXPECT_EQ(PacketFieldText(gravado, *row, "razao_social"), CompanyName100().left(80).toStdString());
        EXPECT_EQ(PacketFieldText(gravado, *row, "identif"), "Nova");
        EXPECT_EQ(PacketFieldText(gravado, *row, "tipoempresa"), "2");
    }
}

} // namespace
} // namespace quorvel::testing
