#include "app/UFormSelRelatorio.h"

#include "app/URelatorio.h"
#include "platform/ErrorDisplay.h"
#include "platform/ScopeExit.h"
#include "report/QuickrptReport.h"
#include "report/output/QrprevFront.h"
#include "report/output/QrprevGlyphs.h"

#include "ui_UFormSelRelatorio.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>

namespace quorvel {

TFormSelRelatorio::TFormSelRelatorio(TFormQuorvel& formQuorvel, QWidget* parent)
    : QDialog(parent)
    , PreviewAction([](TQuickRep& leiaute) { leiaute.Preview(); })
    , PrintAction([](TQuickRep& leiaute) { leiaute.Print(); })
    , ui(std::make_unique<Ui::FormSelRelatorio>())
    , formQuorvel(formQuorvel) {
    ui->setupUi(this);
    // A single fixed border without a system menu: no close box; "Cancelar" or Escape leave it.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(size());
    ui->btTela->setIcon(QIcon::fromTheme(QStringLiteral("document-print-preview"),
                                         style()->standardIcon(QStyle::SP_FileDialogContentsView)));
    ui->btImpr->setIcon(QIcon::fromTheme(QStringLiteral("document-print"), PrinterGlyph()));
    ui->btCancel->setIcon(QIcon::fromTheme(QStringLiteral("dialog-cancel"),
                                           style()->standardIcon(QStyle::SP_DialogCancelButton)));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    connect(ui->btTela, &QPushButton::clicked, this, GuardedSlot([this] { btTelaClick(); }));
    connect(ui->btImpr, &QPushButton::clicked, this, GuardedSlot([this] { btTelaClick(); }));
    connect(ui->btCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TFormSelRelatorio::~TFormSelRelatorio() = default;

void TFormSelRelatorio::btTelaClick() {
    // A click gives the clicked button the focus, so btTela previews and btImpr prints; from the
    // keyboard the button pressed is the one with the focus.
    const bool visualiza = focusWidget() == ui->btTela;
    // The preview or progress window stood above the dialog; when it is gone the dialog has the
    // focus again, also after a failed run.
    const ScopeExit back([this] { BringToFront(*this); });
    RunReport(formQuorvel, static_cast<TReportOrder>(ui->cbxOrdem->currentIndex()), TipoPregao,
              visualiza ? PreviewAction : PrintAction);
}

} // namespace quorvel
