#include "QuorvelTestSupport.h"

#include "platform/FileLock.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QSysInfo>

namespace quorvel::testing {
namespace {

class ArquivoEmUso : public QuorvelFixture {
protected:
    void SetUp() override {
        QuorvelFixture::SetUp();
        WriteConfig(QStringLiteral("Comercial Três Irmãos Ltda"), QStringLiteral("Três Irmãos"),
                    QStringLiteral("1"));
    }
    static FileLock::Result TryLockFile(const QString& path) { return FileLock(path).TryLock(); }
};

// Two windows or a window and the tool on one proposal would each write it back and lose the other's
// edit: a file held elsewhere is refused, saying by whom, and nothing is opened.
TEST_F(ArquivoEmUso, ProposalHeldElsewhereIsRefusedSayingByWhom) {
    const QString path = SaveProposal(ItemProposal(3));
    const QByteArray antes = FileBytes(path);
    {
        FileLock outro(path);
        ASSERT_EQ(outro.TryLock(), FileLock::Result::Locked);
        dialogs.ClearCalls();
        ASSERT_TRUE(OpenProposal(path));
        const auto mensagens = dialogs.Messages();
        ASSERT_EQ(mensagens.size(), 1u);
        EXPECT_EQ(mensagens[0].text,
                  QStringLiteral("O arquivo %1 já está aberto para edição pelo processo %2 (%3 em %4). "
                                 "Feche-o lá antes de abri-lo aqui.")
                      .arg(QDir::toNativeSeparators(path))
                      .arg(QCoreApplication::applicationPid())
                      .arg(QCoreApplication::applicationName(), QSysInfo::machineHostName()));
        EXPECT_EQ(mensagens[0].title, QStringLiteral("Atenção!"));
        EXPECT_EQ(mensagens[0].icon, MessageIcon::Warning);
        EXPECT_FALSE(Items().Active());
    }
    EXPECT_EQ(FileBytes(path), antes);

    // Once the other editor let go, the file opens.
    ASSERT_TRUE(OpenProposal(path));
    EXPECT_TRUE(Items().Active());
    EXPECT_EQ(Items().RecordCount(), 3);
}

// The lock is held while the proposal is open, through an export that closes and reopens its tables,
// and let go when another file is opened or the window goes.
TEST_F(ArquivoEmUso, LockFollowsTheOpenProposal) {
    const QString primeira = SaveProposal(ItemProposal(2), QStringLiteral("primeira.xml"));
    const QString segunda = SaveProposal(ItemProposal(2), QStringLiteral("segunda.xml"));
    ASSERT_TRUE(OpenProposal(primeira));
    EXPECT_EQ(TryLockFile(primeira), FileLock::Result::InUse);

    QTemporaryDir destino;
    ASSERT_TRUE(destino.isValid());
    dialogs.QueueFolder(destino.path());
    ASSERT_TRUE(RunAction([this] { form->btnExpArquivoClick(); }));
    EXPECT_TRUE(Items().Active());
    EXPECT_EQ(TryLockFile(primeira), FileLock::Result::InUse);
    EXPECT_EQ(QDir(destino.path()).entryList(QDir::Files), QStringList{QStringLiteral("primeira.xml")});

    ASSERT_TRUE(OpenProposal(segunda));
    EXPECT_EQ(TryLockFile(primeira), FileLock::Result::Locked);
    EXPECT_EQ(TryLockFile(segunda), FileLock::Result::InUse);
    form.reset();
    EXPECT_EQ(TryLockFile(segunda), FileLock::Result::Locked);
}

// The lock is asked for while the proposal is read: an opening it refuses leaves nothing behind. The
// file box and the record set keep the proposal opened before, which was let go; the refused file is
// neither written nor kept locked; and it opens whole once its holder let go.
TEST_F(ArquivoEmUso, RefusedOpeningLeavesTheRefusedFileAndTheWindowAsTheyWere) {
    const QString primeira = SaveProposal(ItemProposal(2), QStringLiteral("primeira.xml"));
    const QString segunda = SaveProposal(LotProposal(3, 2), QStringLiteral("segunda.xml"));
    const QByteArray antes = FileBytes(segunda);
    const QDateTime escritaAntes = QFileInfo(segunda).lastModified();
    ASSERT_TRUE(OpenProposal(primeira));
    {
        FileLock outro(segunda);
        ASSERT_EQ(outro.TryLock(), FileLock::Result::Locked);
        dialogs.ClearCalls();
        ASSERT_TRUE(OpenProposal(segunda));
        ASSERT_EQ(dialogs.Messages().size(), 1u);
        EXPECT_TRUE(dialogs.Messages()[0].text.contains(QStringLiteral("já está aberto para edição")));
        EXPECT_FALSE(Items().Active());
        EXPECT_FALSE(Lots().Active());
        EXPECT_EQ(ChildNamed<QLineEdit>(*form, "EdArquivo").text(), primeira);
        EXPECT_EQ(TryLockFile(primeira), FileLock::Result::Locked) << "the proposal before was let go";
        EXPECT_EQ(outro.TryLock(), FileLock::Result::Locked) << "the holder keeps its lock";
    }
    EXPECT_EQ(FileBytes(segunda), antes);
    EXPECT_EQ(QFileInfo(segunda).lastModified(), escritaAntes);

    ASSERT_TRUE(OpenProposal(segunda));
    EXPECT_EQ(ChildNamed<QLineEdit>(*form, "EdArquivo").text(), segunda);
    EXPECT_EQ(TryLockFile(segunda), FileLock::Result::InUse);
    ASSERT_TRUE(Lots().Active());
    EXPECT_EQ(Lots().RecordCount(), 3);
    EXPECT_EQ(Items().RecordCount(), 2) << "the first lot's items";
}

} // namespace
} // namespace quorvel::testing
