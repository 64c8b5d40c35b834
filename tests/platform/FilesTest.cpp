#include "platform/Files.h"
#include "platform/Exceptions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
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

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden, QDir::Name);
}

QByteArray AllBytes() {
    QByteArray bytes;
    for (int i = 0; i < 70000; ++i) // more than one copy buffer
        bytes.append(static_cast<char>(i * 7 % 256));
    return bytes;
}

TEST(Files, ExecutableFolderEndsWithASeparatorAndHoldsTheProgram) {
    const QString folder = ExecutableFolder();
    ASSERT_TRUE(folder.endsWith('/'));
    EXPECT_TRUE(FileExists(folder + QFileInfo(QCoreApplication::applicationFilePath()).fileName()));
}

TEST(Files, ExistenceTellsFilesFromFolders) {
    QTemporaryDir dir;
    const QString file = dir.filePath("a.xml");
    ReplaceFileAtomically(file, "x");
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(DirectoryExists(file));
    EXPECT_TRUE(DirectoryExists(dir.path()));
    EXPECT_FALSE(FileExists(dir.path()));
    EXPECT_FALSE(FileExists(dir.filePath("missing")));
    EXPECT_FALSE(FileExists(QString()));
    EXPECT_EQ(ExtractFileName("/a/b/proposta.xml"), QStringLiteral("proposta.xml"));
    EXPECT_EQ(ExtractFileName("proposta.xml"), QStringLiteral("proposta.xml"));
}

TEST(Files, CopyIsByteExactReplacesTheTargetAndFailsWithoutHarm) {
    QTemporaryDir dir;
    const QString source = dir.filePath("source.xml");
    const QString target = dir.filePath("out/target.xml");
    ReplaceFileAtomically(source, AllBytes().toStdString());

    EXPECT_FALSE(CopyFileReplacing(source, target)) << "missing folder";
    ASSERT_TRUE(ForceDirectories(dir.filePath("out")));
    ReplaceFileAtomically(target, "old content that is longer than nothing");
    ASSERT_TRUE(CopyFileReplacing(source, target));
    EXPECT_EQ(ReadAll(target), AllBytes());
    EXPECT_EQ(Entries(dir.filePath("out")), QStringList{"target.xml"});

    EXPECT_FALSE(CopyFileReplacing(dir.filePath("missing.xml"), target));
    EXPECT_EQ(ReadAll(target), AllBytes());
    EXPECT_TRUE(CopyFileReplacing(target, target)) << "copying a file onto itself keeps it";
    EXPECT_EQ(ReadAll(target), AllBytes());
}

TEST(Files, ForceDirectoriesCreatesEveryMissingParent) {
    QTemporaryDir dir;
    const QString deep = dir.filePath("a/b/c");
    EXPECT_TRUE(ForceDirectories(deep));
    EXPECT_TRUE(DirectoryExists(deep));
    EXPECT_TRUE(ForceDirectories(deep)) << "an existing folder is fine";
    ReplaceFileAtomically(dir.filePath("file"), "x");
    EXPECT_FALSE(ForceDirectories(dir.filePath("file/sub")));
    EXPECT_FALSE(ForceDirectories(QString()));
}

TEST(Files, TemporaryFileNamesAreNewFilesOfTheirOwn) {
    QTemporaryDir dir;
    const QString a = TemporaryFileName(dir.path(), "pg");
    const QString b = TemporaryFileName(dir.path(), "pg");
    EXPECT_NE(a, b);
    EXPECT_TRUE(FileExists(a));
    EXPECT_TRUE(FileExists(b));
    EXPECT_TRUE(QFileInfo(a).fileName().startsWith("pg"));
    EXPECT_EQ(QFileInfo(a).absolutePath(), QDir(dir.path()).absolutePath());
    EXPECT_THROW(TemporaryFileName(dir.filePath("missing/folder")), Exception);
}

TEST(Files, AReplacementThatFailsMidwayLeavesTheOldFileByteIdentical) {
    QTemporaryDir dir;
    const QString path = dir.filePath("proposta.xml");
    ReplaceFileAtomically(path, AllBytes().toStdString());

    EXPECT_THROW(ReplaceFileAtomically(path,
                                       [](QIODevice& out) {
                                           out.write(QByteArray(100000, 'n'));
                                           throw Exception("disk full");
                                       }),
                 Exception);
    EXPECT_EQ(ReadAll(path), AllBytes());
    EXPECT_EQ(Entries(dir.path()), QStringList{"proposta.xml"}) << "no temporary file may stay behind";

    ReplaceFileAtomically(path, [](QIODevice& out) { out.write("new"); });
    EXPECT_EQ(ReadAll(path), QByteArray("new"));
    EXPECT_EQ(Entries(dir.path()), QStringList{"proposta.xml"});
}

TEST(Files, AReplacementInAnUnwritableFolderRaisesAndKeepsTheOldFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("proposta.xml");
    ReplaceFileAtomically(path, "old");
    // A path below a regular file cannot be written by anyone, root included.
    EXPECT_THROW(ReplaceFileAtomically(path + "/inner.xml", "new"), Exception);
    EXPECT_FALSE(CopyFileReplacing(path, path + "/copy.xml"));
    EXPECT_EQ(ReadAll(path), QByteArray("old"));

    if (geteuid() != 0) { // root writes into read-only folders
        ASSERT_EQ(chmod(QFile::encodeName(dir.path()).constData(), 0555), 0);
        EXPECT_THROW(ReplaceFileAtomically(path, "new"), Exception);
        EXPECT_FALSE(CopyFileReplacing(path, dir.filePath("copy.xml")));
        chmod(QFile::encodeName(dir.path()).constData(), 0755);
    }
    EXPECT_EQ(ReadAll(path), QByteArray("old"));
    EXPECT_EQ(Entries(dir.path()), QStringList{"proposta.xml"});
}

TEST(Files, AFolderIsNeverReplacedByAFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(ForceDirectories(dir.filePath("sub")));
    EXPECT_THROW(ReplaceFileAtomically(dir.filePath("sub"), "x"), Exception);
    EXPECT_TRUE(DirectoryExists(dir.filePath("sub")));
}

// The files of a numbered set found beside its first one, whatever the count and a base name's own
// digits; other spellings of a number and other names stay out.
TEST(Files, NumberedFilesAreTheSetsOwnNames) {
    QTemporaryDir dir;
    for (const char* name : {"rel2024001.wmf", "rel2024002.wmf", "rel20241000.wmf", "rel20240007.wmf",
                             "rel2024003.emf", "rel2024x01.wmf", "rel2024000.wmf", "outro001.wmf"})
        QFile(dir.filePath(QString::fromLatin1(name))).open(QIODevice::WriteOnly);
    const auto wmf = [&](int n) {
        return dir.filePath(QStringLiteral("rel2024%1.wmf").arg(n, 3, 10, QLatin1Char('0')));
    };
    const std::map<int, QString> expected{{1, wmf(1)}, {2, wmf(2)}, {1000, wmf(1000)}};
    EXPECT_EQ(NumberedFiles(wmf), expected);
    const auto png = [&](int n) {
        return dir.filePath(QStringLiteral("p-%1.png").arg(n, 3, 10, QLatin1Char('0')));
    };
    QFile(png(12)).open(QIODevice::WriteOnly);
    EXPECT_EQ(NumberedFiles(png), (std::map<int, QString>{{12, png(12)}}));
}

} // namespace
} // namespace quorvel
