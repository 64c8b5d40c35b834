#include "QuorvelTestSupport.h"

#include "platform/ErrorDisplay.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>

namespace quorvel::testing {
namespace {

// "Salvar Dados" hands the file's write to a thread of its own: the window goes on at once, the
// file still gets exactly what was saved, in the order the saves were asked for, and the supplier
// learns of the outcome (the saved message or the error) only once the write is over.
class Gravacao : public QuorvelFixture {
protected:
    void SetUp() override {
        QuorvelFixture::SetUp();
        WriteConfig(QStringLiteral("Comercial Ltda"), QStringLiteral("Comercial"), QStringLiteral("2"));
        path = SaveProposal(ItemProposal(3));
        ASSERT_TRUE(OpenProposal(path));
        dialogs.ClearCalls();
    }

    // Lets the event loop run until `pronto` holds; false when it never does (within ten seconds,
    // a bound for a hung write, not a measure of speed).
    static bool Aguarda(const std::function<bool()>& pronto) {
        QElapsedTimer relogio;
        relogio.start();
        while (!pronto()) {
            if (relogio.elapsed() > 10000) return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(1);
        }
        return true;
    }

    int SavedMessages() const {
        return static_cast<int>(Messages().count(QStringLiteral("Dados Salvos !!!")));
    }

    QString PriceOf(const std::string& numitem) {
        const Datapacket packet = ReadPacketFile(path);
        for (const PacketRow* row : CurrentRows(packet))
            if (PacketFieldText(packet, *row, "numitem") == numitem)
                return QString::fromStdString(PacketFieldText(packet, *row, "preco_ini"));
        return QStringLiteral("<none>");
    }

    void TypePriceOf(int recNo, const QString& preco) {
        ASSERT_TRUE(RunGuarded([&] {
            Items().SetRecNo(recNo);
            TypePrice(preco);
        }));
    }

    QString path;
};

TEST_F(Gravacao, TheSavedMessageComesWithTheWrittenFileAndTheWindowGoesOnMeanwhile) {
    TypePriceOf(1, QStringLiteral("7"));
    form->BitBtn3Click();
    // The click is over, the message not yet: it comes from the event loop once the file is written.
    EXPECT_EQ(SavedMessages(), 0);
    EXPECT_TRUE(form->RecordSet().ProposalFileWritePending());
    // The table is the supplier's again at once; what is typed now belongs to the next save.
    TypePriceOf(2, QStringLiteral("8"));

    ASSERT_TRUE(Aguarda([this] { return SavedMessages() == 1; }));
    EXPECT_FALSE(form->RecordSet().ProposalFileWritePending());
    EXPECT_EQ(PriceOf("1"), QStringLiteral("7.0000"));
    EXPECT_EQ(PriceOf("2"), QString());

    ASSERT_TRUE(RunAction([this] { form->BitBtn3Click(); }));
    EXPECT_EQ(PriceOf("2"), QStringLiteral("8.0000"));
    EXPECT_EQ(SavedMessages(), 2);
}

TEST_F(Gravacao, SavesReachTheFileInTheirOrderEachWithItsMessage) {
    TypePriceOf(1, QStringLiteral("1"));
    form->BitBtn3Click();
    TypePriceOf(1, QStringLiteral("2"));
    // The second save first ends the first one and tells of it.
    form->BitBtn3Click();
    EXPECT_EQ(SavedMessages(), 1);
    ASSERT_TRUE(Aguarda([this] { return SavedMessages() == 2; }));
    EXPECT_EQ(PriceOf("1"), QStringLiteral("2.0000"));
    // A save with nothing new writes nothing and tells at once.
    const QByteArray escrito = FileBytes(path);
    form->BitBtn3Click();
    EXPECT_FALSE(form->RecordSet().ProposalFileWritePending());
    EXPECT_EQ(SavedMessages(), 3);
    EXPECT_EQ(FileBytes(path), escrito);
}

TEST_F(Gravacao, AFailedWriteReachesTheSupplierAndTheDataStaysToBeSaved) {
    TypePriceOf(1, QStringLiteral("3"));
    // The proposal's folder disappears under the program: the write cannot be done.
    ASSERT_TRUE(QDir(pastaDados.path()).removeRecursively());
    form->BitBtn3Click();
    ASSERT_TRUE(Aguarda([this] { return !Messages().isEmpty(); }));
    EXPECT_EQ(Messages().size(), 1);
    EXPECT_EQ(SavedMessages(), 0);
    EXPECT_FALSE(form->RecordSet().ProposalFileWritePending());
    EXPECT_TRUE(Items().Active());

    // The failed write did not count: with the folder back, the next save writes the price.
    ASSERT_TRUE(QDir().mkpath(pastaDados.path()));
    dialogs.ClearCalls();
    ASSERT_TRUE(RunAction([this] { form->BitBtn3Click(); }));
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("Dados Salvos !!!")});
    EXPECT_EQ(PriceOf("1"), QStringLiteral("3.0000"));
}

TEST_F(Gravacao, ClosingTheWindowRightAfterASaveKeepsTheLatestData) {
    TypePriceOf(1, QStringLiteral("4"));
    form->BitBtn3Click();
    TypePriceOf(3, QStringLiteral("5"));
    // The window goes while the save may still be written: its close writes the file after that
    // write, never before it, so the price typed last is not overwritten by the save's older copy.
    form.reset();
    EXPECT_EQ(PriceOf("1"), QStringLiteral("4.0000"));
    EXPECT_EQ(PriceOf("3"), QStringLiteral("5.0000"));
    QStringList restos = QDir(pastaDados.path()).entryList(QDir::Files | QDir::Hidden);
    restos.removeAll(QStringLiteral("proposta.xml"));
    restos.removeAll(QStringLiteral("proposta.xml.lock"));
    EXPECT_TRUE(restos.isEmpty()) << restos.join(QLatin1Char(' ')).toStdString();
}

} // namespace
} // namespace quorvel::testing
