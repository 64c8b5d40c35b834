#include "app/SupplierConfig.h"
#include "app/TableAccess.h"
#include "app/UDadosForn.h"
#include "app/UQuorvel.h"

#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/IniFile.h"

#include <QFileInfo>

namespace quorvel {

void TFormQuorvel::BtnConfigClick() {
    if (!CDSDigitacao->Active()) {
        Dialogs().MessageBox(
            QStringLiteral("Não existe arquivo XML aberto. Antes de configurar, favor abrir o arquivo XML"),
            QStringLiteral("Aviso"), MessageIcon::Stop, MessageButtons::Ok);
        throw EAbort();
    }
    {
        const QString caminho = ConfigIniPath(executableFolder);
        // The user's settings folder may not exist yet; the dialog writes the file into it, and a
        // folder that cannot be made is reported by that write.
        ForceDirectories(QFileInfo(caminho).absolutePath());
        TFormDadosForn formDadosForn(caminho, this);
        formDadosForn.exec();
    }
    CarregaDadosFornecedor();
}

void TFormQuorvel::CarregaDadosFornecedor() {
    const QString caminho = ConfigIniPath(executableFolder);
    const TIniFile ini(caminho);
    if (!FileExists(caminho)) BtnConfigClick();

    RazaoSocial = ini.ReadString(kSupplierSection, kCompanyNameKey, QString());
    Identificador = ini.ReadString(kSupplierSection, kIdentifierKey, QString());
    TipoEmpresa = StrToInt(ini.ReadString(kSupplierSection, kCompanyTypeKey, QString()));

    TStoreTable& itens = *CDSDigitacao;
    TStoreTable& lotes = *CDSLotes;
    TStoreField& razaoSocial = FieldNamed(itens, "razao_social");
    TStoreField& identif = FieldNamed(itens, "identif");
    TStoreField& tipoEmpresa = FieldNamed(itens, "tipoempresa");
    const QString tipo = QString::number(TipoEmpresa);
    const auto gravaLinhasVisiveis = [&] {
        itens.First();
        while (!itens.Eof()) {
            itens.Edit();
            razaoSocial.SetAsQString(RazaoSocial);
            identif.SetAsQString(Identificador);
            tipoEmpresa.SetAsQString(tipo);
            itens.Post();
            itens.Next();
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
