#include "QuorvelTestSupport.h"

#include "platform/ErrorDisplay.h"
#include "platform/IniFile.h"

#include <QApplication>
#include <QFile>
#include <QTest>
#include <QTimer>

namespace quorvel::testing {

void QuorvelFixture::SetUp() {
    ASSERT_TRUE(pastaExe.isValid());
    ASSERT_TRUE(pastaDados.isValid());
    escopo = std::make_unique<ScopedDialogService>(dialogs);
    form = std::make_unique<TFormQuorvel>(ExeFolder());
}

void QuorvelFixture::TearDown() {
    form.reset();
    escopo.reset();
}

void QuorvelFixture::WriteConfig(const QString& razao, const QString& identif, const QString& tipo) {
    TIniFile ini(ConfigFile());
    ini.WriteString(QStringLiteral("FORNECEDOR"), QStringLiteral("RAZAOSOCIAL"), razao);
    ini.WriteString(QStringLiteral("FORNECEDOR"), QStringLiteral("IDENTIFICADOR"), identif);
    ini.WriteString(QStringLiteral("FORNECEDOR"), QStringLiteral("TIPOEMPRESA"), tipo);
}

QString QuorvelFixture::SaveProposal(const Proposal& proposta, const QString& nome) {
    const QString path = DataPath(nome);
    WriteProposal(path, proposta);
    return path;
}

bool QuorvelFixture::RunAction(const std::function<void()>& acao) {
    // "Salvar Dados" writes the file on a thread of its own and tells of it once written: the action
    // counts as done when that happened, as it has by the time the supplier looks again.
    return RunGuarded([&] {
        acao();
        if (form) form->CompleteSave();
    });
}

bool QuorvelFixture::OpenProposal(std::optional<QString> path) {
    dialogs.QueueOpenFile(std::move(path));
    return RunAction([this] { form->BtnAbreXMLClick(); });
}

void QuorvelFixture::TypePrice(const QString& texto) {
    Items().Edit();
    Items().FieldByName(QStringLiteral("preco_ini")).SetText(texto);
    Items().Post();
}

bool QuorvelFixture::ShowWindow() {
    form->show();
    return QTest::qWaitForWindowExposed(form.get());
}

void QuorvelFixture::Click(TDBGrid& grade, int linha, int coluna) {
    const QModelIndex celula = grade.model()->index(linha, coluna);
    grade.scrollTo(celula);
    QTest::mouseClick(grade.viewport(), Qt::LeftButton, Qt::NoModifier, grade.visualRect(celula).center());
}

QStringList QuorvelFixture::ColumnValues(TStoreTable& table, const char* campo) {
    QStringList valores;
    const TStoreField& field = table.FieldByName(QString::fromLatin1(campo));
    for (int i = 0; i < table.ViewCount(); ++i)
        table.ReadRecordAt(i, [&] { valores.push_back(field.AsQString()); });
    return valores;
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

} // namespace quorvel::testing

namespace quorvel::testing {

RegistrationUi ControlsOf(const TFormDadosForn& d) {
    return {ChildNamed<QLineEdit>(d, "EdRazaoSocial"),
            ChildNamed<QLineEdit>(d, "EdIdentificador"),
            ChildNamed<QRadioButton>(d, "RGTipoEmpresaItem0"),
            ChildNamed<QRadioButton>(d, "RGTipoEmpresaItem1"),
            ChildNamed<QRadioButton>(d, "RGTipoEmpresaItem2"),
            ChildNamed<QPushButton>(d, "BitBtn1"),
            ChildNamed<QPushButton>(d, "BitBtn2")};
}

} // namespace quorvel::testing
