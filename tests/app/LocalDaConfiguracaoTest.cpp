#include "QuorvelTestSupport.h"

#include "app/proposal/SupplierConfig.h"

#include <QDir>
#include <QFileInfo>

namespace quorvel::testing {
namespace {

// Where "config.ini" lives: beside the program when that folder is writable or already holds one,
// else in the user's settings folder. A folder that does not exist stands for one the user cannot
// write (the tests may run as root, whom no permission bit stops); the package's checks run the
// installed layout with a read-only bin as an ordinary user.
class LocalDaConfiguracao : public QuorvelFixture {
protected:
    void SetUp() override {
        QuorvelFixture::SetUp();
        ASSERT_TRUE(pastaConfig.isValid());
        ASSERT_TRUE(casa.isValid());
        qputenv("XDG_CONFIG_HOME", pastaConfig.path().toLocal8Bit());
        qputenv("HOME", casa.path().toLocal8Bit());
    }
    void TearDown() override {
        QuorvelFixture::TearDown();
        RestoreVariable("XDG_CONFIG_HOME", xdgAntes);
        RestoreVariable("HOME", homeAntes);
    }
    static void RestoreVariable(const char* name, const std::optional<QByteArray>& value) {
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }
    static std::optional<QByteArray> Variable(const char* name) {
        if (!qEnvironmentVariableIsSet(name)) return std::nullopt;
        return qgetenv(name);
    }

    QString SemEscrita() const { return ExeFolder() + QStringLiteral("instalado/bin/"); }
    QString NaPastaDoUsuario() const { return pastaConfig.path() + QStringLiteral("/quorvel/config.ini"); }

    std::optional<QByteArray> xdgAntes = Variable("XDG_CONFIG_HOME");
    std::optional<QByteArray> homeAntes = Variable("HOME");
    QTemporaryDir pastaConfig;
    QTemporaryDir casa;
};

TEST_F(LocalDaConfiguracao, TheFileStaysBesideAWritableProgramFolderElseGoesToTheUserSettingsFolder) {
    EXPECT_EQ(ConfigIniPath(ExeFolder()), ExeFolder() + QStringLiteral("config.ini"));
    // Even when the user's settings folder holds one: a portable copy keeps its own.
    ASSERT_TRUE(QDir().mkpath(pastaConfig.path() + QStringLiteral("/quorvel")));
    EXPECT_TRUE(QFile(NaPastaDoUsuario()).open(QIODevice::WriteOnly));
    EXPECT_EQ(ConfigIniPath(ExeFolder()), ExeFolder() + QStringLiteral("config.ini"));

    EXPECT_EQ(ConfigIniPath(SemEscrita()), NaPastaDoUsuario());
    // Without $XDG_CONFIG_HOME, or with one that is not an absolute path, ~/.config.
    const QString padrao = casa.path() + QStringLiteral("/.config/quorvel/config.ini");
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(ConfigIniPath(SemEscrita()), padrao);
    qputenv("XDG_CONFIG_HOME", "");
    EXPECT_EQ(ConfigIniPath(SemEscrita()), padrao);
    qputenv("XDG_CONFIG_HOME", "relativa/config");
    EXPECT_EQ(ConfigIniPath(SemEscrita()), padrao);
}

TEST_F(LocalDaConfiguracao, AnInstalledProgramRegistersTheSupplierInTheUserSettingsFolderAndReadsItBack) {
    form = std::make_unique<TFormQuorvel>(SemEscrita());
    WhenRegistrationShown([](TFormDadosForn& d) {
        RegistrationUi f = ControlsOf(d);
        f.EdRazaoSocial.setText(QStringLiteral("Distribuidora Norte"));
        f.EdIdentificador.setText(QStringLiteral("Norte"));
        f.RGTipoEmpresaItem0.click();
        f.BitBtn1.click();
    });
    ASSERT_TRUE(OpenProposal(SaveProposal(ItemProposal(2))));

    // The dialog made the settings folder it needed and wrote the file there, and nowhere else.
    EXPECT_EQ(FileBytes(NaPastaDoUsuario()), QByteArray("[FORNECEDOR]\r\n"
                                                        "RAZAOSOCIAL=Distribuidora Norte\r\n"
                                                        "IDENTIFICADOR=Norte\r\n"
                                                        "TIPOEMPRESA=0\r\n"));
    EXPECT_FALSE(QFileInfo::exists(SemEscrita()));
    EXPECT_FALSE(QFileInfo::exists(ConfigFile()));
    EXPECT_EQ(ColumnValues(Items(), "razao_social"),
              (QStringList{"Distribuidora Norte", "Distribuidora Norte"}));

    // The next opening reads the registration from there without asking again.
    dialogs.ClearCalls();
    ASSERT_TRUE(OpenProposal(SaveProposal(ItemProposal(3), QStringLiteral("outra.xml"))));
    EXPECT_EQ(dialogs.Calls().size(), 1u); // the open dialog alone
    EXPECT_EQ(ColumnValues(Items(), "identif"), (QStringList{"Norte", "Norte", "Norte"}));
}

} // namespace
} // namespace quorvel::testing
