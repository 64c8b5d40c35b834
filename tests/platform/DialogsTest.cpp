#include "platform/ErrorDisplay.h"
#include "platform/Files.h"
#include "platform/ScriptedDialogs.h"

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <stdexcept>

namespace quorvel {
namespace {

class DialogsTest : public ::testing::Test {
protected:
    ScriptedDialogs dialogs;
    ScopedDialogService installed{dialogs};
};

TEST_F(DialogsTest, ScriptedMessageBoxesRecordEveryCallAndAnswerFromTheQueue) {
    dialogs.QueueAnswer(DialogAnswer::No);
    dialogs.QueueAnswer(DialogAnswer::Yes);

    EXPECT_EQ(Dialogs().MessageBox("Dados Salvos !!!", "Aviso", MessageIcon::Stop, MessageButtons::Ok),
              DialogAnswer::Ok);
    EXPECT_EQ(Dialogs().MessageBox(
                  "O arquivo exportado já existe no local selecionado!\nDeseja substituir o arquivo?",
                  "Atenção!", MessageIcon::Question, MessageButtons::YesNo),
              DialogAnswer::No);
    EXPECT_EQ(Dialogs().MessageBox("De novo?", "Atenção!", MessageIcon::Question, MessageButtons::YesNo),
              DialogAnswer::Yes);
    EXPECT_TRUE(dialogs.Exhausted());

    const std::vector<DialogCall> messages = dialogs.Messages();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].text, QStringLiteral("Dados Salvos !!!"));
    EXPECT_EQ(messages[0].title, QStringLiteral("Aviso"));
    EXPECT_EQ(messages[0].icon, MessageIcon::Stop);
    EXPECT_EQ(messages[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(
        messages[1].text,
        QStringLiteral("O arquivo exportado já existe no local selecionado!\nDeseja substituir o arquivo?"));
    EXPECT_EQ(messages[1].icon, MessageIcon::Question);
    EXPECT_EQ(messages[1].buttons, MessageButtons::YesNo);
    EXPECT_EQ(dialogs.MessageTexts(), (QStringList{"Dados Salvos !!!", messages[1].text, "De novo?"}));
}

TEST_F(DialogsTest, AQuestionOrChooserWithoutAScriptedAnswerIsRecordedAndRaises) {
    EXPECT_THROW(Dialogs().MessageBox("Sim?", "T", MessageIcon::Question, MessageButtons::YesNo),
                 UnscriptedDialog);
    EXPECT_THROW(Dialogs().OpenFile({}), UnscriptedDialog);
    dialogs.QueueAnswer(DialogAnswer::Ok);
    EXPECT_THROW(Dialogs().MessageBox("Sim?", "T", MessageIcon::Question, MessageButtons::YesNo),
                 UnscriptedDialog);
    EXPECT_EQ(dialogs.Calls().size(), 3u);
}

TEST_F(DialogsTest, FileDialogsHandBackTheirScriptAndRecordTheOptions) {
    dialogs.QueueOpenFile(std::nullopt);
    dialogs.QueueOpenFile(QStringLiteral("/tmp/p.xml"));
    dialogs.QueueSaveFile(SaveFileChoice{"/tmp/r.pdf", 2});
    EXPECT_EQ(Dialogs().OpenFile({}), std::nullopt);
    EXPECT_EQ(Dialogs().OpenFile({}), QStringLiteral("/tmp/p.xml"));
    FileDialogOptions save;
    save.title = "Save report";
    save.filter = "Tessaly file(*.QRP)|*.QRP|PDF document (*.PDF)|*.PDF";
    save.defaultExtension = "QRP";
    const auto choice = Dialogs().SaveFile(save);
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->filterIndex, 2);
    ASSERT_EQ(dialogs.Calls().size(), 3u);
    EXPECT_EQ(dialogs.Calls()[2].kind, DialogCall::Kind::SaveFile);
    EXPECT_EQ(dialogs.Calls()[2].title, QStringLiteral("Save report"));
    EXPECT_EQ(dialogs.Calls()[2].file.filter, save.filter);
}

TEST(FileFilter, SplitsDescriptionAndPatternPairs) {
    const auto filters = ParseFileFilter("Tessaly file(*.QRP)|*.QRP|PDF document (*.PDF)|*.PDF|dangling");
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0].description, QStringLiteral("Tessaly file(*.QRP)"));
    EXPECT_EQ(filters[0].pattern, QStringLiteral("*.QRP"));
    EXPECT_EQ(filters[1].pattern, QStringLiteral("*.PDF"));
    EXPECT_TRUE(ParseFileFilter(QString()).empty());
}

TEST_F(DialogsTest, FolderChooserCreatesATypedFolderWithItsParentsOnlyAfterYes) {
    QTemporaryDir dir;
    const QString typed = dir.filePath("entrega/2026/pregao");

    dialogs.QueueFolder(typed);
    dialogs.QueueAnswer(DialogAnswer::No);
    EXPECT_EQ(Dialogs().SelectDirectory("Destino", dir.path()), std::nullopt);
    EXPECT_FALSE(QDir(dir.filePath("entrega")).exists());

    dialogs.QueueFolder(typed);
    dialogs.QueueAnswer(DialogAnswer::Yes);
    EXPECT_EQ(Dialogs().SelectDirectory("Destino", dir.path()), typed);
    EXPECT_TRUE(DirectoryExists(typed));

    // An existing folder needs no question; a cancelled chooser gives nothing.
    dialogs.QueueFolder(dir.filePath("entrega"));
    dialogs.QueueFolder(std::nullopt);
    EXPECT_EQ(Dialogs().SelectDirectory("Destino", dir.path()), dir.filePath("entrega"));
    EXPECT_EQ(Dialogs().SelectDirectory("Destino", dir.path()), std::nullopt);

    const auto messages = dialogs.Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(messages[0].icon, MessageIcon::Question);
    EXPECT_TRUE(messages[0].text.contains(typed));
    EXPECT_EQ(dialogs.Calls().front().startFolder, dir.path());
    EXPECT_EQ(dialogs.Calls().front().text, QStringLiteral("Destino"));
}

TEST_F(DialogsTest, AFolderThatCannotBeCreatedIsReportedAndNotReturned) {
    QTemporaryDir dir;
    ReplaceFileAtomically(dir.filePath("arquivo"), "x");
    dialogs.QueueFolder(dir.filePath("arquivo/sub"));
    dialogs.QueueAnswer(DialogAnswer::Yes);
    EXPECT_EQ(Dialogs().SelectDirectory("Destino", dir.path()), std::nullopt);
    const auto messages = dialogs.Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].icon, MessageIcon::Stop);
}

TEST_F(DialogsTest, PrintDialogsHandBackTheScriptedChoices) {
    PrintDialogSettings start;
    start.copies = 2;
    PrintDialogSettings chosen;
    chosen.range = PrintRange::Pages;
    chosen.fromPage = 2;
    chosen.toPage = 3;
    dialogs.QueuePrint(chosen);
    dialogs.QueuePrintSetup(std::nullopt);
    PrintDialogSettings settings = start;
    EXPECT_TRUE(Dialogs().PrintDialog(settings));
    EXPECT_EQ(settings.range, PrintRange::Pages);
    EXPECT_EQ(settings.toPage, 3);
    PrintDialogSettings untouched = start;
    EXPECT_FALSE(Dialogs().PrintSetupDialog(untouched));
    EXPECT_EQ(untouched.copies, 2);
    EXPECT_EQ(dialogs.Calls()[0].print.copies, 2) << "the dialog is recorded with its starting values";
}

TEST_F(DialogsTest, TheErrorDisplayShowsMessagesAndCodesButNeverTheSilentAbort) {
    ShowException(EDatabaseError("Field 'preco_ini' not found"));
    ShowException(EStoreError(2, 77));
    ShowException(EAbort());
    RunGuarded([] { throw std::runtime_error("not ours"); });
    EXPECT_FALSE(RunGuarded([] { throw EAbort(); }));
    EXPECT_TRUE(RunGuarded([] {}));

    const auto messages = dialogs.Messages();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].text, QStringLiteral("Field 'preco_ini' not found"));
    EXPECT_EQ(messages[0].icon, MessageIcon::Stop);
    EXPECT_EQ(messages[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(messages[0].title, QGuiApplication::applicationDisplayName());
    EXPECT_EQ(messages[1].text, QStringLiteral("Erro 2"));
    EXPECT_EQ(messages[2].text, QString()) << "a foreign exception shows with an empty message";
}

TEST(DialogService, InstallingIsScopedAndAMissingServiceRaises) {
    ASSERT_EQ(CurrentDialogService(), nullptr);
    EXPECT_THROW(Dialogs(), Exception);
    {
        ScriptedDialogs outer;
        ScopedDialogService a(outer);
        {
            ScriptedDialogs inner;
            ScopedDialogService b(inner);
            EXPECT_EQ(&Dialogs(), &inner);
        }
        EXPECT_EQ(&Dialogs(), &outer);
    }
    EXPECT_EQ(CurrentDialogService(), nullptr);
}

} // namespace
} // namespace quorvel
