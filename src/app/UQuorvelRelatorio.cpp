#include "app/UFormSelRelatorio.h"
#include "app/UQuorvel.h"

#include "app/proposal/TableAccess.h"

namespace quorvel {

void TFormQuorvel::BitBtn1Click() {
    TFormSelRelatorio formSelRelatorio(*proposta, this);
    formSelRelatorio.TipoPregao =
        ItemTable().Active() ? FieldNamed(ItemTable(), "tipoprega").AsQString() : QString();
    formSelRelatorio.exec();
}

} // namespace quorvel
