#include "platform/IniFile.h"
#include "platform/Exceptions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace quorvel {
namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class IniFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("config.ini"));
};

TEST_F(IniFileTest, FirstWritesCreateTheFileWithSectionAndKeysInCreationOrder) {
    ASSERT_FALSE(QFile::exists(path));
    TIniFile ini(path);
    ini.WriteString("FORNECEDOR", "RAZAOSOCIAL", "");
    ini.WriteString("FORNECEDOR", "IDENTIFICADOR", "");
    ini.WriteString("FORNECEDOR", "TIPOEMPRESA", "-1");
    EXPECT_EQ(ReadAll(path),
              QByteArray("[FORNECEDOR]\r\nRAZAOSOCIAL=\r\nIDENTIFICADOR=\r\nTIPOEMPRESA=-1\r\n"));

    // Rewriting keys keeps their places; values are kept exactly, blanks and accents included.
    ini.WriteString("FORNECEDOR", "RAZAOSOCIAL", "  Construções Ávila Ltda  ");
    ini.WriteString("FORNECEDOR", "TIPOEMPRESA", "1");
    ini.WriteString("FORNECEDOR", "IDENTIFICADOR", " Ávila");
    EXPECT_EQ(ReadAll(path),
              QByteArray("[FORNECEDOR]\r\nRAZAOSOCIAL=  Constru\xE7\xF5"
                         "es \xC1vila Ltda  \r\nIDENTIFICADOR= \xC1vila\r\nTIPOEMPRESA=1\r\n"));
    EXPECT_EQ(ini.ReadString("FORNECEDOR", "RAZAOSOCIAL", "x"), QStringLiteral("  Construções Ávila Ltda  "));
    EXPECT_EQ(ini.ReadString("FORNECEDOR", "IDENTIFICADOR", "x"), QStringLiteral(" Ávila"));
    EXPECT_EQ(ini.ReadString("FORNECEDOR", "TIPOEMPRESA", "x"), QStringLiteral("1"));
}

TEST_F(IniFileTest, ReadingGivesTheDefaultForWhatIsMissingAndTheEmptyTextForAnEmptyValue) {
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("FORNECEDOR", "RAZAOSOCIAL", "padrão"), QStringLiteral("padrão"));
    EXPECT_FALSE(QFile::exists(path)) << "reading must not create the file";

    WriteAll(path,
             "; comentário\n[Outra]\nRAZAOSOCIAL=errada\n\n[fornecedor]\n  razaosocial = Empresa\nVAZIO=\n");
    EXPECT_EQ(ini.ReadString("FORNECEDOR", "RAZAOSOCIAL", "d"), QStringLiteral(" Empresa"));
    EXPECT_EQ(ini.ReadString("FORNECEDOR", "VAZIO", "d"), QString());
    EXPECT_EQ(ini.ReadString("FORNECEDOR", "IDENTIFICADOR", "d"), QStringLiteral("d"));
    EXPECT_EQ(ini.ReadString("NENHUMA", "RAZAOSOCIAL", "d"), QStringLiteral("d"));
    EXPECT_TRUE(ini.ValueExists("Fornecedor", "vazio"));
    EXPECT_FALSE(ini.ValueExists("Outra", "VAZIO"));
}

TEST_F(IniFileTest, WritesIntoAnExistingFileKeepTheRestAndItsLineEndings) {
    WriteAll(path, "[A]\nx=1\n\n[B]\ny=2");
    TIniFile ini(path);
    ini.WriteString("A", "z", "3");     // new key after the section's last entry, before the gap
    ini.WriteString("B", "Y", "two");   // existing key, found without regard to case
    ini.WriteString("C", "w", "four "); // new section at the end
    EXPECT_EQ(ReadAll(path), QByteArray("[A]\nx=1\nz=3\n\n[B]\ny=two\n\n[C]\nw=four \n"));
}

TEST_F(IniFileTest, NamesAndValuesThatWouldBreakTheFileAreRefusedAndTheFileKept) {
    TIniFile ini(path);
    ini.WriteString("S", "k", "v");
    const QByteArray before = ReadAll(path);
    EXPECT_THROW(ini.WriteString("S", "k", "linha1\r\n[X]\r\nk=injetado"), Exception);
    EXPECT_THROW(ini.WriteString("S", "a=b", "v"), Exception);
    EXPECT_THROW(ini.WriteString("S]", "k", "v"), Exception);
    EXPECT_THROW(ini.WriteString("S", " ", "v"), Exception);
    EXPECT_THROW(ini.WriteString("S", ";k", "v"), Exception) << "would be read back as a comment";
    EXPECT_EQ(ReadAll(path), before);
}

TEST_F(IniFileTest, WritingIntoAnUnwritableFolderRaisesAndCreatesNothing) {
    // A "folder" that is a regular file refuses new files for every user, root included.
    WriteAll(dir.filePath("notafolder"), "x");
    TIniFile underFile(dir.filePath("notafolder/config.ini"));
    EXPECT_THROW(underFile.WriteString("FORNECEDOR", "RAZAOSOCIAL", "x"), Exception);
    EXPECT_EQ(underFile.ReadString("FORNECEDOR", "RAZAOSOCIAL", "d"), QStringLiteral("d"));

    if (geteuid() == 0) return; // root writes into read-only folders
    const QString locked = dir.filePath("locked");
    ASSERT_TRUE(QDir().mkdir(locked));
    ASSERT_EQ(chmod(QFile::encodeName(locked).constData(), 0555), 0);
    TIniFile ini(locked + "/config.ini");
    EXPECT_THROW(ini.WriteString("FORNECEDOR", "RAZAOSOCIAL", "x"), Exception);
    EXPECT_TRUE(QDir(locked).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden).isEmpty());
    chmod(QFile::encodeName(locked).constData(), 0755);
}

TEST_F(IniFileTest, AReadOnlyFileIsNotReplaced) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only files";
    WriteAll(path, "[S]\r\nk=old\r\n");
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner));
    TIniFile ini(path);
    EXPECT_THROW(ini.WriteString("S", "k", "new"), Exception);
    EXPECT_EQ(ini.ReadString("S", "k", ""), QStringLiteral("old"));
}

TEST_F(IniFileTest, CharactersOutsideTheCodePageAreStoredAsQuestionMarks) {
    TIniFile ini(path);
    ini.WriteString("S", "k", QStringLiteral("a\u4E2Db€"));
    EXPECT_EQ(ReadAll(path), QByteArray("[S]\r\nk=a?b\x80\r\n"));
    EXPECT_EQ(ini.ReadString("S", "k", ""), QStringLiteral("a?b€"));
}

TEST_F(IniFileTest, AFileLongerThanOneReadIsReadToItsEndAndOnePastTheLimitIsNoSettingsFile) {
    // Comment lines in front push the section past the first blocks the file is read in.
    const QByteArray comentarios = QByteArray("; linha de comentário\r\n").repeated(20000);
    WriteAll(path, comentarios + "[FORNECEDOR]\r\nRAZAOSOCIAL=Empresa\r\nTIPOEMPRESA=2");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("FORNECEDOR", "RAZAOSOCIAL", "d"), QStringLiteral("Empresa"));
    EXPECT_EQ(ini.ReadString("FORNECEDOR", "TIPOEMPRESA", "d"), QStringLiteral("2"));
    ini.WriteString("FORNECEDOR", "IDENTIFICADOR", "Emp");
    EXPECT_TRUE(ReadAll(path).startsWith(comentarios)) << "a write keeps what it did not change";
    EXPECT_EQ(ini.ReadString("FORNECEDOR", "TIPOEMPRESA", "d"), QStringLiteral("2"));

    // Past 16 MiB the file reads as no settings at all and is not rewritten.
    const QByteArray grande = "[S]\r\nk=v\r\n" + QByteArray(16 * 1024 * 1024, ';');
    WriteAll(path, grande);
    EXPECT_EQ(ini.ReadString("S", "k", "d"), QStringLiteral("d"));
    EXPECT_FALSE(ini.ValueExists("S", "k"));
    EXPECT_THROW(ini.WriteString("S", "k", "w"), Exception);
    EXPECT_EQ(QFileInfo(path).size(), grande.size());
    // At the limit exactly it is still read.
    WriteAll(path, grande.left(16 * 1024 * 1024));
    EXPECT_EQ(ini.ReadString("S", "k", "d"), QStringLiteral("v"));
}

} // namespace
} // namespace quorvel
