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
    form = std::make_unique<TFormQuorvel>(PastaExe());
}

void QuorvelFixture::TearDown() {
    form.reset();
    escopo.reset();
}

void QuorvelFixture::EscreveConfig(const QString& razao, const QString& identif, const QString& tipo) {
    TIniFile ini(ConfigIni());
    ini.WriteString(QStringLiteral("FORNECEDOR"), QStringLiteral("RAZAOSOCIAL"), razao);
    ini.WriteString(QStringLiteral("FORNECEDOR"), QStringLiteral("IDENTIFICADOR"), identif);
    ini.WriteString(QStringLiteral("FORNECEDOR"), QStringLiteral("TIPOEMPRESA"), tipo);
}

QString QuorvelFixture::Grava(const Proposta& proposta, const QString& nome) {
    const QString path = Dados(nome);
    GravaProposta(path, proposta);
    return path;
}

bool QuorvelFixture::Roda(const std::function<void()>& acao) {
    return RunGuarded(acao);
}

bool QuorvelFixture::Abre(std::optional<QString> path) {
    dialogs.QueueOpenFile(std::move(path));
    return Roda([this] { form->BtnAbreXMLClick(); });
}

void QuorvelFixture::AoMostrarDadosForn(std::function<void(TFormDadosForn&)> script) {
    auto* sonda = new QTimer(form.get());
    sonda->setInterval(5);
    auto inicio = std::make_shared<int>(0);
    QObject::connect(sonda, &QTimer::timeout, form.get(), [sonda, script, inicio] {
        for (QWidget* janela : QApplication::topLevelWidgets()) {
            auto* dialogo = qobject_cast<TFormDadosForn*>(janela);
            if (dialogo == nullptr || !dialogo->isVisible()) continue;
            if (*inicio == 0) {
                *inicio = 1;
                script(*dialogo);
                if (!dialogo->isVisible()) sonda->deleteLater();
            } else if (++*inicio > 1000) {
                ADD_FAILURE() << "the registration dialog was left open";
                dialogo->setVisible(false);
                sonda->deleteLater();
            }
            return;
        }
    });
    sonda->start();
}

void QuorvelFixture::DigitaPreco(const QString& texto) {
    Itens().Edit();
    Itens().FieldByName(QStringLiteral("preco_ini")).SetText(texto);
    Itens().Post();
}

bool QuorvelFixture::Mostra() {
    form->show();
    return QTest::qWaitForWindowExposed(form.get());
}

void QuorvelFixture::Clica(TDBGrid& grade, int linha, int coluna) {
    const QModelIndex celula = grade.model()->index(linha, coluna);
    grade.scrollTo(celula);
    QTest::mouseClick(grade.viewport(), Qt::LeftButton, Qt::NoModifier, grade.visualRect(celula).center());
}

QStringList QuorvelFixture::Coluna(TStoreTable& table, const char* campo) {
    QStringList valores;
    const TStoreField& field = table.FieldByName(QString::fromLatin1(campo));
    for (int i = 0; i < table.ViewCount(); ++i)
        table.ReadRecordAt(i, [&] { valores.push_back(field.AsQString()); });
    return valores;
}

QByteArray LeBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

} // namespace quorvel::testing

namespace quorvel::testing {

DadosFornUi Controles(const TFormDadosForn& d) {
    return {Filho<QLineEdit>(d, "EdRazaoSocial"),
            Filho<QLineEdit>(d, "EdIdentificador"),
            Filho<QRadioButton>(d, "RGTipoEmpresaItem0"),
            Filho<QRadioButton>(d, "RGTipoEmpresaItem1"),
            Filho<QRadioButton>(d, "RGTipoEmpresaItem2"),
            Filho<QPushButton>(d, "BitBtn1"),
            Filho<QPushButton>(d, "BitBtn2")};
}

} // namespace quorvel::testing
