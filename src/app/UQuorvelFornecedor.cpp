#include "app/FornecedorConfig.h"
#include "app/UDadosForn.h"
#include "app/UQuorvel.h"
#include "app/UQuorvelCampos.h"

#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/IniFile.h"

namespace quorvel {

void TFormQuorvel::BtnConfigClick() {
    if (!CDSDigitacao->Active()) {
        Dialogs().MessageBox(
            QStringLiteral("Não existe arquivo XML aberto. Antes de configurar, favor abrir o arquivo XML"),
            QStringLiteral("Aviso"), MessageIcon::Stop, MessageButtons::Ok);
        throw EAbort();
    }
    {
        TFormDadosForn formDadosForn(ConfigIniPath(executableFolder), this);
        formDadosForn.exec();
    }
    CarregaDadosFornecedor();
}

void TFormQuorvel::CarregaDadosFornecedor() {
    const QString caminho = ConfigIniPath(executableFolder);
    const TIniFile ini(caminho);
    if (!FileExists(caminho)) BtnConfigClick();

    RazaoSocial = ini.ReadString(kSecaoFornecedor, kChaveRazaoSocial, QString());
    Identificador = ini.ReadString(kSecaoFornecedor, kChaveIdentificador, QString());
    TipoEmpresa = StrToInt(ini.ReadString(kSecaoFornecedor, kChaveTipoEmpresa, QString()));

    TStoreTable& itens = *CDSDigitacao;
    TStoreField& razaoSocial = Campo(itens, "razao_social");
    TStoreField& identif = Campo(itens, "identif");
    TStoreField& tipoEmpresa = Campo(itens, "tipoempresa");
    const QString tipo = QString::number(TipoEmpresa);
    const ControlesSuspensos quietos{CDSDigitacao.get(), CDSLotes.get()};
    itens.First();
    while (!itens.Eof()) {
        itens.Edit();
        razaoSocial.SetAsQString(RazaoSocial);
        identif.SetAsQString(Identificador);
        tipoEmpresa.SetAsQString(tipo);
        itens.Post();
        itens.Next();
    }
    itens.First();
}

} // namespace quorvel
