#include "app/UDadosForn.h"
#include "app/UQuorvel.h"

#include "app/proposal/SupplierConfig.h"

#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "store/StoreTable.h"

#include <QFileInfo>

namespace quorvel {

void TFormQuorvel::BtnConfigClick() {
    if (!ItemTable().Active()) {
        Dialogs().MessageBox(
            QStringLiteral("Não existe arquivo XML aberto. Antes de configurar, favor abrir o arquivo XML"),
            QStringLiteral("Aviso"), MessageIcon::Stop, MessageButtons::Ok);
        throw EAbort();
    }
    {
        const QString caminho = ConfigIniPath(ExecutableFolder());
        // The user's settings folder may not exist yet; the dialog writes the file into it, and a
        // folder that cannot be made is reported by that write.
        ForceDirectories(QFileInfo(caminho).absolutePath());
        TFormDadosForn formDadosForn(caminho, this);
        formDadosForn.exec();
    }
    CarregaDadosFornecedor();
}

void TFormQuorvel::CarregaDadosFornecedor() {
    // Without "config.ini" the registration dialog makes it first (and writes its data into the rows
    // itself); then the file is read and written into the rows.
    if (!FileExists(ConfigIniPath(ExecutableFolder()))) BtnConfigClick();
    proposta->CarregaDadosFornecedor();
}

} // namespace quorvel
