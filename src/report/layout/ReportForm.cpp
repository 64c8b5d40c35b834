#include "report/layout/ReportForm.h"

namespace quorvel {

TReportForm::TReportForm(TComponent* owner, const QString& className)
    : TComponent(owner)
    , className_(className.toStdString()) {}

// Everything the form owns is marked as going first, so that no report rebuilds its band list for
// each band that leaves it.
TReportForm::~TReportForm() {
    BeforeDestruction();
}

} // namespace quorvel
