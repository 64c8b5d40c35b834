#pragma once

#include "ProposalTestSupport.h"

#include "app/UDadosForn.h"
#include "app/UQuorvel.h"
#include "platform/ScriptedDialogs.h"
#include "store/StoreTable.h"
#include "ui/DBGrid.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace quorvel::testing {

// A child control of a window by its object name; the test fails when there is none.
template <class W = QWidget> W& ChildNamed(const QObject& janela, const char* nome) {
    W* widget = janela.findChild<W*>(QString::fromLatin1(nome));
    if (widget == nullptr) throw std::runtime_error(std::string("no control ") + nome);
    return *widget;
}

// Runs script on the first visible top-level window of type Dialog as soon as one is shown
// (polling every 5 ms from owner's event loop). A dialog still open about five seconds after the
// script is hidden by force and the test fails, naming `what`.
template <class Dialog>
void WhenDialogShown(QObject& owner, const char* what, std::function<void(Dialog&)> script) {
    auto* probe = new QTimer(&owner);
    probe->setInterval(5);
    auto ticks = std::make_shared<int>(0);
    QObject::connect(probe, &QTimer::timeout, &owner, [probe, script, ticks, what] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<Dialog*>(window);
            if (dialog == nullptr || !dialog->isVisible()) continue;
            if (*ticks == 0) {
                *ticks = 1;
                script(*dialog);
                if (!dialog->isVisible()) probe->deleteLater();
            } else if (++*ticks > 1000) {
                ADD_FAILURE() << "the " << what << " was left open";
                dialog->setVisible(false);
                probe->deleteLater();
            }
            return;
        }
    });
    probe->start();
}

// The main window over a temporary executable folder (where "config.ini" lives) and a temporary
// folder for proposal files, with every dialog scripted.
class QuorvelFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QString ExeFolder() const { return pastaExe.path() + QLatin1Char('/'); }
    QString DataPath(const QString& nome) const { return pastaDados.filePath(nome); }
    QString ConfigFile() const { return ExeFolder() + QStringLiteral("config.ini"); }

    void WriteConfig(const QString& razao, const QString& identif, const QString& tipo);
    QString SaveProposal(const Proposal& proposta, const QString& nome = QStringLiteral("proposta.xml"));

    // Runs an action as the event dispatch does: an escaping exception is shown (EAbort silently).
    // A save the action started is waited for and told. True when the action finished.
    bool RunAction(const std::function<void()>& acao);
    // "Abrir" with the open dialog answering path (nothing: cancelled).
    bool OpenProposal(std::optional<QString> path);

    // Runs script on the registration dialog as soon as it is shown modally. A dialog still open five
    // seconds later is hidden by force and the test fails.
    void WhenRegistrationShown(std::function<void(TFormDadosForn&)> script) {
        WhenDialogShown<TFormDadosForn>(*form, "registration dialog", std::move(script));
    }

    // Types a price into the current item row and posts it, as the grid does.
    void TypePrice(const QString& texto);

    // Shows the main window on the screen, for tests that click it; true once it is exposed.
    bool ShowWindow();
    TDBGrid& Grid1() { return ChildNamed<TDBGrid>(*form, "DBGrid1"); }
    TDBGrid& Grid2() { return ChildNamed<TDBGrid>(*form, "DBGrid2"); }
    // A click of the mouse on a cell, which also takes the keyboard focus to the grid.
    static void Click(TDBGrid& grade, int linha, int coluna);

    TStoreTable& Items() { return form->ItemTable(); }
    TStoreTable& Lots() { return form->LotTable(); }
    QString TextOf(TStoreTable& table, const char* campo) {
        return table.FieldByName(QString::fromLatin1(campo)).AsQString();
    }
    QString Displayed(TStoreTable& table, const char* campo) {
        return table.FieldByName(QString::fromLatin1(campo)).DisplayText();
    }
    // Values of one field over the visible rows, in view order; the current row is kept.
    QStringList ColumnValues(TStoreTable& table, const char* campo);
    QStringList Messages() const { return dialogs.MessageTexts(); }

    QTemporaryDir pastaExe;
    QTemporaryDir pastaDados;
    ScriptedDialogs dialogs;
    std::unique_ptr<ScopedDialogService> escopo;
    std::unique_ptr<TFormQuorvel> form;
};

QByteArray FileBytes(const QString& path);

// The registration dialog's controls.
struct RegistrationUi {
    QLineEdit& EdRazaoSocial;
    QLineEdit& EdIdentificador;
    QRadioButton& RGTipoEmpresaItem0;
    QRadioButton& RGTipoEmpresaItem1;
    QRadioButton& RGTipoEmpresaItem2;
    QPushButton& BitBtn1;
    QPushButton& BitBtn2;
};
RegistrationUi ControlsOf(const TFormDadosForn& dialogo);

} // namespace quorvel::testing
