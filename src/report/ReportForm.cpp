#include "report/ReportForm.h"

namespace quorvel {

TReportForm::TReportForm(TComponent* owner, const QString& className)
    : TComponent(owner)
    , className_(className.toStdString()) {}

TReportForm::~TReportForm() {
    DestroyComponents();
}

} // namespace quorvel
