#include "report/output/QrprevProgress.h"

#include "platform/EventLoop.h"
#include "report/QrprntrMessages.h"
#include "report/QrprntrPrinter.h"
#include "report/output/QrprevFront.h"

#include "ui_QrprevProgress.h"

namespace quorvel {

TQRProgressForm::TQRProgressForm(TQRPrinter& pageStore, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint)
    , pageStore_(pageStore)
    , ui_(std::make_unique<Ui::TQRProgressForm>()) {
    ui_->setupUi(this);
    connect(ui_->CancelButton, &QPushButton::clicked, this, [this] { pageStore_.Cancel(); });
}

TQRProgressForm::~TQRProgressForm() = default;

bool TQRProgressForm::event(QEvent* event) {
    if (event->type() != CM_QRPROGRESSUPDATE) return QDialog::event(event);
    ProgressUpdate();
    return true;
}

// Shown in steps of 5 percent, as the page store has it when the message arrives.
void TQRProgressForm::ProgressUpdate() {
    const int progress = pageStore_.Progress();
    if (progress % 5 != 0) return;
    ShowProgress(progress);
    ProcessPendingMessages();
}

void TQRProgressForm::ShowProgress(int progress) {
    ui_->Gauge->setValue(progress);
    ui_->Info->setText(QStringLiteral("%1% ").arg(progress) + QStringLiteral(" Completed"));
}

TQRStandardProgressWindow::TQRStandardProgressWindow(TQRPrinter& pageStore)
    : form_(std::make_unique<TQRProgressForm>(pageStore)) {}

TQRStandardProgressWindow::~TQRStandardProgressWindow() = default;

void TQRStandardProgressWindow::SetCaption(const QString& caption) {
    form_->setWindowTitle(caption);
}

void TQRStandardProgressWindow::Show() {
    form_->ShowProgress(0);
    OpenAboveModalDialog(*form_);
    form_->show();
    BringToFront(*form_);
    ProcessPendingMessages();
}

QObject* TQRStandardProgressWindow::Receiver() {
    return form_.get();
}

} // namespace quorvel
