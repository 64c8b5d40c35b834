#include "app/UDadosForn.h"

#include "app/proposal/SupplierConfig.h"
#include "platform/Dialogs.h"
#include "platform/ErrorDisplay.h"
#include "platform/Files.h"
#include "platform/IniFile.h"

#include "ui_UDadosForn.h"

#include <QButtonGroup>
#include <QGuiApplication>
#include <QScreen>

namespace quorvel {

namespace {

bool IsBlank(const QString& text) {
    return text.trimmed().isEmpty();
}

void Warn(const QString& text) {
    Dialogs().MessageBox(text, QStringLiteral("Atenção!"), MessageIcon::Warning, MessageButtons::Ok);
}

} // namespace

TFormDadosForn::TFormDadosForn(QString settingsPath, QWidget* parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::FormDadosForn>())
    , settingsPath(std::move(settingsPath)) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    tipoEmpresa = new QButtonGroup(this);
    tipoEmpresa->addButton(ui->RGTipoEmpresaItem0, 0);
    tipoEmpresa->addButton(ui->RGTipoEmpresaItem1, 1);
    tipoEmpresa->addButton(ui->RGTipoEmpresaItem2, 2);
    SetTipoEmpresaIndex(-1);
    connect(ui->BitBtn1, &QPushButton::clicked, this, GuardedSlot([this] { BitBtn1Click(); }));
    connect(ui->BitBtn2, &QPushButton::clicked, this, [this] { reject(); });
}

TFormDadosForn::~TFormDadosForn() = default;

int TFormDadosForn::TipoEmpresaIndex() const {
    return tipoEmpresa->checkedId();
}

void TFormDadosForn::SetTipoEmpresaIndex(int index) {
    if (index < 0) {
        // An exclusive group always keeps one button checked; lift that for a moment.
        tipoEmpresa->setExclusive(false);
        for (QAbstractButton* button : tipoEmpresa->buttons())
            button->setChecked(false);
        tipoEmpresa->setExclusive(true);
        return;
    }
    tipoEmpresa->button(std::min(index, 2))->setChecked(true);
}

void TFormDadosForn::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    // A bad value in the file is shown, and the dialog still opens so that "Salvar" can repair it.
    RunGuarded([this] { FormShow(); });
}

void TFormDadosForn::FormShow() {
    TIniFile ini(settingsPath);
    if (FileExists(settingsPath)) {
        ui->EdRazaoSocial->setText(ini.ReadString(kSupplierSection, kCompanyNameKey, QString()));
        ui->EdIdentificador->setText(ini.ReadString(kSupplierSection, kIdentifierKey, QString()));
        SetTipoEmpresaIndex(StrToInt(ini.ReadString(kSupplierSection, kCompanyTypeKey, QString())));
    } else {
        ini.WriteString(kSupplierSection, kCompanyNameKey, ui->EdRazaoSocial->text());
        ini.WriteString(kSupplierSection, kIdentifierKey, ui->EdIdentificador->text());
        ini.WriteString(kSupplierSection, kCompanyTypeKey, QString::number(TipoEmpresaIndex()));
    }
    ui->BitBtn2->setEnabled(!IsBlank(ui->EdRazaoSocial->text()) && !IsBlank(ui->EdIdentificador->text()) &&
                            TipoEmpresaIndex() != -1);
}

void TFormDadosForn::BitBtn1Click() {
    if (IsBlank(ui->EdRazaoSocial->text())) {
        Warn(QStringLiteral("Informe a razão social!"));
        ui->EdRazaoSocial->setFocus();
        return;
    }
    if (IsBlank(ui->EdIdentificador->text())) {
        Warn(QStringLiteral("Informe o nome identificador!"));
        ui->EdIdentificador->setFocus();
        return;
    }
    if (TipoEmpresaIndex() == -1) {
        Warn(QStringLiteral("Informe o tipo da empresa!"));
        ui->RGTipoEmpresaItem0->setFocus();
        return;
    }
    ui->BitBtn2->setEnabled(true);
    TIniFile ini(settingsPath);
    ini.WriteString(kSupplierSection, kCompanyNameKey, ui->EdRazaoSocial->text());
    ini.WriteString(kSupplierSection, kIdentifierKey, ui->EdIdentificador->text());
    ini.WriteString(kSupplierSection, kCompanyTypeKey, QString::number(TipoEmpresaIndex()));
    accept();
}

bool TFormDadosForn::FormCloseQuery() const {
    return ui->BitBtn2->isEnabled();
}

void TFormDadosForn::done(int result) {
    if (!FormCloseQuery()) return;
    QDialog::done(result);
}

} // namespace quorvel
