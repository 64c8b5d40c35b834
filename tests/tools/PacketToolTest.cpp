#include "platform/FileLock.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

ToolRun Tool(const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral(QUORVEL_BIN_DIR "/quorvel-packet"), args);
    ToolRun run;
    if (!process.waitForFinished(30000)) return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput().toStdString();
    run.err = process.readAllStandardError().toStdString();
    return run;
}

void WriteFile(const QString& path, const std::string& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

std::string ReadFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return "<missing>";
    return f.readAll().toStdString();
}

// A small proposal: a memo, a price typed and corrected on the second row, an organiser's parameter.
const std::string kProposal =
    "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
    "<FIELD attrname=\"id_item\" fieldtype=\"i4\" readonly=\"true\" SUBTYPE=\"Autoinc\"/>"
    "<FIELD attrname=\"descr_item\" fieldtype=\"string\" readonly=\"true\" SUBTYPE=\"FixedChar\" "
    "WIDTH=\"120\"/>"
    "<FIELD attrname=\"compl_descr\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\"/>"
    "<FIELD attrname=\"preco_ini\" fieldtype=\"fixed\" DECIMALS=\"4\" WIDTH=\"15\"/>"
    "</FIELDS><PARAMS CHANGE_LOG=\"3 2 8\" ORGAO=\"C\xE2mara\"/></METADATA><ROWDATA>"
    "<ROW id_item=\"1\" descr_item=\"Pre\xE7o &quot;m\xE9"
    "dio&quot;\" compl_descr=\"a&#013;&#010;b\"/>"
    "<ROW RowState=\"1\" id_item=\"2\" descr_item=\"L\xE1pis\"/>"
    "<ROW RowState=\"8\" id_item=\"2\" descr_item=\"L\xE1pis\" preco_ini=\"12.5000\"/>"
    "</ROWDATA></DATAPACKET>";

class PacketTool : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        WriteFile(Path("proposta.XML"), kProposal);
    }
    QString Path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }
    QTemporaryDir dir_;
};

TEST_F(PacketTool, DumpPrintsFieldsParamsAndCurrentRowsAsUtf8Json) {
    const ToolRun run = Tool({QStringLiteral("dump"), Path("proposta.XML")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(
        run.out,
        "{\"fields\":["
        "{\"name\":\"id_item\",\"type\":\"i4\",\"subtype\":\"Autoinc\",\"width\":0,\"decimals\":0,"
        "\"readonly\":true,\"required\":false},"
        "{\"name\":\"descr_item\",\"type\":\"string\",\"subtype\":\"FixedChar\",\"width\":120,\"decimals\":0,"
        "\"readonly\":true,\"required\":false},"
        "{\"name\":\"compl_descr\",\"type\":\"bin.hex\",\"subtype\":\"Text\",\"width\":0,\"decimals\":0,"
        "\"readonly\":false,\"required\":false},"
        "{\"name\":\"preco_ini\",\"type\":\"fixed\",\"subtype\":\"\",\"width\":15,\"decimals\":4,"
        "\"readonly\":false,\"required\":false}],"
        "\"params\":{\"CHANGE_LOG\":\"3 2 8\",\"ORGAO\":\"C\xC3\xA2mara\"},"
        "\"rows\":[{\"id_item\":\"1\",\"descr_item\":\"Pre\xC3\xA7o \\\"m\xC3\xA9"
        "dio\\\"\","
        "\"compl_descr\":\"a\\r\\nb\"},"
        "{\"id_item\":\"2\",\"descr_item\":\"L\xC3\xA1pis\",\"preco_ini\":\"12.5000\"}]}\n");

    const ToolRun all = Tool({QStringLiteral("dump"), Path("proposta.XML"), QStringLiteral("--all")});
    ASSERT_EQ(all.exitCode, 0) << all.err;
    const std::string rows = all.out.substr(all.out.find("\"rows\""));
    EXPECT_EQ(
        rows,
        "\"rows\":[{\"RowState\":0,\"id_item\":\"1\",\"descr_item\":\"Pre\xC3\xA7o \\\"m\xC3\xA9"
        "dio\\\"\","
        "\"compl_descr\":\"a\\r\\nb\"},{\"RowState\":1,\"id_item\":\"2\",\"descr_item\":\"L\xC3\xA1pis\"},"
        "{\"RowState\":8,\"id_item\":\"2\",\"descr_item\":\"L\xC3\xA1pis\",\"preco_ini\":\"12.5000\"}]}\n");
}

TEST_F(PacketTool, ConvertFollowsTheTargetExtensionAndComesBackByteIdentical) {
    ASSERT_EQ(Tool({QStringLiteral("convert"), Path("proposta.XML"), Path("copia.dat")}).exitCode, 0);
    const std::string binary = ReadFile(Path("copia.dat"));
    EXPECT_EQ(binary.substr(0, 4), "\x96\x19\xE0\xBD");
    ASSERT_EQ(Tool({QStringLiteral("convert"), Path("copia.dat"), Path("volta.Xml")}).exitCode, 0);
    // The organiser's file is already in the store's own form, so it comes back byte for byte.
    EXPECT_EQ(ReadFile(Path("volta.Xml")), kProposal);

    ASSERT_EQ(Tool({QStringLiteral("convert"), QStringLiteral("--utf8"), Path("copia.dat"), Path("utf8.xml")})
                  .exitCode,
              0);
    const std::string utf8 = ReadFile(Path("utf8.xml"));
    EXPECT_TRUE(utf8.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>  "));
    EXPECT_NE(utf8.find("Pre\xC3\xA7o"), std::string::npos);
    ASSERT_EQ(Tool({QStringLiteral("convert"), Path("utf8.xml"), Path("cp.xml")}).exitCode, 0);
    EXPECT_EQ(ReadFile(Path("cp.xml")), kProposal);
}

TEST_F(PacketTool, FailuresNameTheFileAndLeaveTargetsAlone) {
    const ToolRun missing = Tool({QStringLiteral("dump"), Path("nao-existe.xml")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("nao-existe.xml"), std::string::npos);
    EXPECT_EQ(missing.out, "");

    WriteFile(Path("ruim.xml"), "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"x\"/></FIELDS></METADATA>");
    const ToolRun bad = Tool({QStringLiteral("dump"), Path("ruim.xml")});
    EXPECT_EQ(bad.exitCode, 1);
    // The store's code comes with its description and the byte where the reader stopped.
    EXPECT_NE(
        bad.err.find("ruim.xml: a field is declared without a type, or with an unknown one (error 10000, "
                     "offset 36)\n"),
        std::string::npos)
        << bad.err;
    EXPECT_EQ(std::count(bad.err.begin(), bad.err.end(), '\n'), 1);

    WriteFile(Path("alvo.xml"), "old");
    EXPECT_EQ(Tool({QStringLiteral("convert"), Path("ruim.xml"), Path("alvo.xml")}).exitCode, 1);
    EXPECT_EQ(ReadFile(Path("alvo.xml")), "old");

    const ToolRun unwritable =
        Tool({QStringLiteral("convert"), Path("proposta.XML"), Path("sem/pasta/alvo.xml")});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_NE(unwritable.err.find("alvo.xml"), std::string::npos);

    EXPECT_EQ(Tool({QStringLiteral("frobnicate")}).exitCode, 1);
    EXPECT_EQ(Tool({}).exitCode, 1);
}

TEST_F(PacketTool, SetEditsTheLocatedRowAsANewVersion) {
    const ToolRun run = Tool({QStringLiteral("set"), Path("proposta.XML"), QStringLiteral("id_item=2"),
                              QStringLiteral("preco_ini=13.25")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string saved = ReadFile(Path("proposta.XML"));
    EXPECT_NE(saved.find("CHANGE_LOG=\"3 2 8 4 3 8\""), std::string::npos) << saved;
    EXPECT_NE(saved.find("<ROW RowState=\"9\" id_item=\"2\""), std::string::npos);
    EXPECT_TRUE(saved.ends_with("<ROW RowState=\"8\" id_item=\"2\" descr_item=\"L\xE1pis\" "
                                "preco_ini=\"13.2500\"/></ROWDATA></DATAPACKET>"))
        << saved;

    // An empty value clears the field.
    ASSERT_EQ(Tool({QStringLiteral("set"), Path("proposta.XML"), QStringLiteral("id_item=2"),
                    QStringLiteral("preco_ini=")})
                  .exitCode,
              0);
    EXPECT_TRUE(
        ReadFile(Path("proposta.XML"))
            .ends_with("<ROW RowState=\"8\" id_item=\"2\" descr_item=\"L\xE1pis\"/></ROWDATA></DATAPACKET>"));
}

TEST_F(PacketTool, SetThatChangesNothingLeavesTheFileUntouched) {
    const QDateTime old = QDateTime::currentDateTime().addDays(-3);
    {
        QFile f(Path("proposta.XML"));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(old, QFileDevice::FileModificationTime));
    }
    const ToolRun run = Tool({QStringLiteral("set"), Path("proposta.XML"), QStringLiteral("id_item=2"),
                              QStringLiteral("preco_ini=12.5")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadFile(Path("proposta.XML")), kProposal);
    EXPECT_EQ(QFileInfo(Path("proposta.XML")).lastModified().toSecsSinceEpoch(), old.toSecsSinceEpoch());
}

TEST_F(PacketTool, SetFailuresReportAndLeaveTheFileAsItWas) {
    struct Case {
        QStringList args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{QStringLiteral("id_item=2"), QStringLiteral("descr_item=Caneta")},
         "Field 'descr_item' cannot be modified"},
        {{QStringLiteral("id_item=2"), QStringLiteral("marca=X")}, "Field 'marca' not found"},
        {{QStringLiteral("id_item=9"), QStringLiteral("preco_ini=1")}, "no row with id_item = 9"},
        {{QStringLiteral("id_item=2"), QStringLiteral("preco_ini=123456789012")},
         "a value does not fit the field it is meant for (error 9985)\n"},
        {{QStringLiteral("id_item=2"), QStringLiteral("preco_ini=1"), QStringLiteral("id_item=x")},
         "'x' is not a valid value for field 'id_item'"},
        {{QStringLiteral("id_item=2"), QStringLiteral("sem-igual")}, "expected FIELD=VALUE"},
        // A number is one number in the "." form: the comma form was stored as its integer part.
        {{QStringLiteral("id_item=2"), QStringLiteral("preco_ini=1,5")},
         "'1,5' is not a valid value for field 'preco_ini'"},
        {{QStringLiteral("id_item=2"), QStringLiteral("preco_ini=2.5x")},
         "'2.5x' is not a valid value for field 'preco_ini'"},
        {{QStringLiteral("id_item=2 "), QStringLiteral("preco_ini=1")},
         "'2 ' is not a valid value for field 'id_item'"},
    };
    for (const auto& c : cases) {
        QStringList args{QStringLiteral("set"), Path("proposta.XML")};
        args += c.args;
        const ToolRun run = Tool(args);
        EXPECT_EQ(run.exitCode, 1) << c.message;
        EXPECT_NE(run.err.find("proposta.XML: " + c.message), std::string::npos) << run.err;
        EXPECT_EQ(ReadFile(Path("proposta.XML")), kProposal) << c.message;
    }
}

// A file found damaged is refused before anything can be saved over it: a width the store cannot hold
// (it read as 0, and the next save wrote every value of the field as "") and a file cut after its
// field list (it read as a proposal without rows).
TEST_F(PacketTool, DamagedFilesAreRefusedBeforeAnythingIsSavedOverThem) {
    std::string wide = kProposal;
    const std::string declared = "WIDTH=\"120\"";
    wide.replace(wide.find(declared), declared.size(), "WIDTH=\"40000\"");
    WriteFile(Path("largo.xml"), wide);
    const ToolRun width = Tool({QStringLiteral("set"), Path("largo.xml"), QStringLiteral("id_item=2"),
                                QStringLiteral("preco_ini=1")});
    EXPECT_EQ(width.exitCode, 1);
    EXPECT_NE(width.err.find("largo.xml: a text or binary field is declared without a width, or with an "
                             "invalid subtype (error 9986, offset "),
              std::string::npos)
        << width.err;
    EXPECT_EQ(ReadFile(Path("largo.xml")), wide);

    const std::string cut = kProposal.substr(0, kProposal.find("<ROWDATA>"));
    WriteFile(Path("cortado.xml"), cut);
    const ToolRun dump = Tool({QStringLiteral("dump"), Path("cortado.xml")});
    EXPECT_EQ(dump.exitCode, 1);
    EXPECT_NE(
        dump.err.find("cortado.xml: the content is not a well-formed data packet, or it ends before the "
                      "end of the document (error 16389, offset " +
                      std::to_string(cut.size()) + ")"),
        std::string::npos)
        << dump.err;
    EXPECT_EQ(dump.out, "");
    EXPECT_EQ(Tool({QStringLiteral("convert"), Path("cortado.xml"), Path("convertido.xml")}).exitCode, 1);
    EXPECT_FALSE(QFileInfo::exists(Path("convertido.xml")));
}

// `convert IN ""` rewrote IN in place; a name that is not valid UTF-8 was turned into another name;
// a binary packet without columns converted to XML that could not be read back.
TEST_F(PacketTool, ConvertRefusesTargetsItCannotNameAndPacketsWithoutColumns) {
    const QDateTime old = QDateTime::currentDateTime().addDays(-3);
    {
        QFile f(Path("proposta.XML"));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(old, QFileDevice::FileModificationTime));
    }
    const ToolRun empty = Tool({QStringLiteral("convert"), Path("proposta.XML"), QString()});
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_EQ(empty.err, "quorvel-packet: convert: the target file name is empty\n");
    EXPECT_EQ(QFileInfo(Path("proposta.XML")).lastModified().toSecsSinceEpoch(), old.toSecsSinceEpoch());

    // The byte 0xFF cannot be part of a UTF-8 name; a shell passes it through as it stands.
    QProcess shell;
    shell.start(QStringLiteral("/bin/sh"),
                {QStringLiteral("-c"),
                 QStringLiteral("exec \"$0\" convert \"$1\" \"$2/$(printf '\\377').xml\""),
                 QStringLiteral(QUORVEL_BIN_DIR "/quorvel-packet"), Path("proposta.XML"), dir_.path()});
    ASSERT_TRUE(shell.waitForFinished(30000));
    EXPECT_EQ(shell.exitCode(), 1);
    EXPECT_NE(shell.readAllStandardError().indexOf("not valid in the system's file-name encoding"), -1);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{QStringLiteral("proposta.XML")});

    const std::string noColumns("\x96\x19\xE0\xBD\x01\x00\x00\x00\x18\x00\x00\x00\x00\x00\x00\x00\x00\x00"
                                "\x03\x00\x00\x00\x1A\x00\x00\x00",
                                26);
    WriteFile(Path("vazio.dat"), noColumns);
    const ToolRun binary = Tool({QStringLiteral("convert"), Path("vazio.dat"), Path("vazio.xml")});
    EXPECT_EQ(binary.exitCode, 1);
    EXPECT_NE(binary.err.find("vazio.dat: the content is not a well-formed data packet"), std::string::npos)
        << binary.err;
    EXPECT_FALSE(QFileInfo::exists(Path("vazio.xml")));
}

// While one run edits a file, another is refused and told by whom; a lock left by a process that
// died is taken over; a lock is never left behind.
TEST_F(PacketTool, LockKeepsASecondEditorOut) {
    const QString proposal = Path("proposta.XML");
    {
        quorvel::FileLock held(proposal);
        ASSERT_EQ(held.TryLock(), quorvel::FileLock::Result::Locked);
        const std::string inUse =
            "proposta.XML: in use by process " + std::to_string(QCoreApplication::applicationPid()) + " (";
        const ToolRun set = Tool(
            {QStringLiteral("set"), proposal, QStringLiteral("id_item=2"), QStringLiteral("preco_ini=1")});
        EXPECT_EQ(set.exitCode, 1);
        EXPECT_NE(set.err.find(inUse), std::string::npos) << set.err;
        const ToolRun convert = Tool({QStringLiteral("convert"), Path("proposta.XML"), proposal});
        EXPECT_EQ(convert.exitCode, 1);
        EXPECT_NE(convert.err.find(inUse), std::string::npos) << convert.err;
        EXPECT_EQ(ReadFile(proposal), kProposal);
        // Reading is no edit.
        EXPECT_EQ(Tool({QStringLiteral("dump"), proposal}).exitCode, 0);
    }

    // A child process takes the lock and ends without releasing it.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        quorvel::FileLock lock(proposal);
        _exit(lock.TryLock() == quorvel::FileLock::Result::Locked ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_TRUE(QFileInfo::exists(quorvel::FileLock::LockFileNameFor(proposal)));
    const ToolRun set =
        Tool({QStringLiteral("set"), proposal, QStringLiteral("id_item=2"), QStringLiteral("preco_ini=1")});
    EXPECT_EQ(set.exitCode, 0) << set.err;
    EXPECT_NE(ReadFile(proposal).find("preco_ini=\"1.0000\""), std::string::npos);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{QStringLiteral("proposta.XML")});
}

// What 20 rounds of two `set` runs started together did: one prices item 1 through `firstName`, the
// other item 2 through `secondName`, both names of one proposal rewritten before each round. An edit
// reported as saved but missing from the file is lost; a run kept out must say by whom.
struct ConcurrentRounds {
    int lost = 0;
    int saved = 0;
    int noneSaved = 0; // rounds in which both runs were kept out
};
ConcurrentRounds EditConcurrently(const QString& firstName, const QString& secondName,
                                  const QString& proposal) {
    const QString tool = QStringLiteral(QUORVEL_BIN_DIR "/quorvel-packet");
    ConcurrentRounds rounds;
    for (int round = 0; round < 20; ++round) {
        WriteFile(proposal, kProposal);
        QProcess first, second;
        first.start(tool, {QStringLiteral("set"), firstName, QStringLiteral("id_item=1"),
                           QStringLiteral("preco_ini=1")});
        second.start(tool, {QStringLiteral("set"), secondName, QStringLiteral("id_item=2"),
                            QStringLiteral("preco_ini=2")});
        EXPECT_TRUE(first.waitForFinished(30000) && second.waitForFinished(30000));
        const std::string content = ReadFile(proposal);
        int saves = 0;
        for (QProcess* run : {&first, &second}) {
            const std::string price = run == &first ? "preco_ini=\"1.0000\"" : "preco_ini=\"2.0000\"";
            if (run->exitCode() == 0) {
                ++saves;
                rounds.lost += content.find(price) == std::string::npos ? 1 : 0;
            } else {
                EXPECT_NE(run->readAllStandardError().indexOf("in use by process"), -1);
            }
        }
        rounds.saved += saves;
        rounds.noneSaved += saves == 0 ? 1 : 0;
    }
    return rounds;
}

// Two runs editing one file at once lost one edit in nearly every round. Now each edit that reports
// success is in the file, and a run that was kept out says so.
TEST_F(PacketTool, ConcurrentEditsAreNeverLost) {
    const QString proposal = Path("proposta.XML");
    const ConcurrentRounds rounds = EditConcurrently(proposal, proposal, proposal);
    EXPECT_EQ(rounds.lost, 0);
    EXPECT_EQ(rounds.noneSaved, 0);
}

// On a full disk a save used to leave a 0-byte file and report success. Now `set` and `convert` fail
// with the system's message and leave every file as it was, with nothing left beside them.
TEST_F(PacketTool, FullDiskFailsWithTheSystemsMessageAndKeepsTheFile) {
    QTemporaryDir disk;
    const QByteArray mountPoint = QFile::encodeName(disk.path());
    if (geteuid() != 0 || ::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "needs root and permission to mount a tmpfs";
    struct Unmount {
        QByteArray at;
        ~Unmount() { ::umount2(at.constData(), MNT_DETACH); }
    } unmount{mountPoint};

    const QString proposal = disk.filePath(QStringLiteral("proposta-por-item.xml"));
    const std::string original =
        ReadFile(QStringLiteral(QUORVEL_TEST_DATA "/../../examples/proposta-por-item.xml"));
    ASSERT_GT(original.size(), 4096u);
    WriteFile(proposal, original);
    const QString target = disk.filePath(QStringLiteral("copia.dat"));
    WriteFile(target, "old");
    // Every free block but one is taken: room for the lock file, none for a new copy of the proposal.
    QFile filler(disk.filePath(QStringLiteral("filler")));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QByteArray block(1024, 'f');
    while (filler.write(block) == block.size()) {
    }
    filler.close();
    ASSERT_TRUE(filler.resize(filler.size() - 4096));
    const QStringList files = QDir(disk.path()).entryList(QDir::Files);

    const ToolRun set =
        Tool({QStringLiteral("set"), proposal, QStringLiteral("id_item=1"), QStringLiteral("preco_ini=2.5")});
    EXPECT_EQ(set.exitCode, 1);
    EXPECT_NE(set.err.find("proposta-por-item.xml: "), std::string::npos) << set.err;
    EXPECT_NE(set.err.find(std::strerror(ENOSPC)), std::string::npos) << set.err;
    EXPECT_EQ(ReadFile(proposal), original);

    const ToolRun convert = Tool({QStringLiteral("convert"), proposal, target});
    EXPECT_EQ(convert.exitCode, 1);
    EXPECT_NE(convert.err.find(std::strerror(ENOSPC)), std::string::npos) << convert.err;
    EXPECT_EQ(ReadFile(target), "old");
    EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files), files);

    // With room again, the same edit goes through.
    ASSERT_TRUE(filler.resize(0));
    EXPECT_EQ(
        Tool({QStringLiteral("set"), proposal, QStringLiteral("id_item=1"), QStringLiteral("preco_ini=2.5")})
            .exitCode,
        0);
    EXPECT_NE(ReadFile(proposal).find("preco_ini=\"2.5000\""), std::string::npos);
}

TEST_F(PacketTool, HelpPrintsTheUsageAndSucceedsWhileWrongUseFails) {
    const ToolRun help = Tool({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.err, "");
    for (const char* line :
         {"usage: quorvel-packet dump FILE [--all]\n", "quorvel-packet convert IN OUT [--utf8]\n",
          "quorvel-packet set FILE KEY=KEYVALUE FIELD=VALUE [FIELD=VALUE ...]\n"})
        EXPECT_NE(help.out.find(line), std::string::npos) << line;

    struct Case {
        const char* command;
        const char* usage;
    };
    for (const Case c :
         {Case{"dump", "usage: quorvel-packet dump FILE [--all]\n"},
          Case{"convert", "usage: quorvel-packet convert IN OUT [--utf8]\n"},
          Case{"set", "usage: quorvel-packet set FILE KEY=KEYVALUE FIELD=VALUE [FIELD=VALUE ...]\n"}}) {
        // Help wins over the other arguments and touches no file.
        const ToolRun run =
            Tool({QString::fromLatin1(c.command), Path("proposta.XML"), QStringLiteral("--help")});
        EXPECT_EQ(run.exitCode, 0) << c.command;
        EXPECT_TRUE(run.out.starts_with(c.usage)) << run.out;
        EXPECT_GT(run.out.size(), std::string(c.usage).size()) << c.command;
        EXPECT_EQ(run.err, "") << c.command;

        const ToolRun wrong = Tool({QString::fromLatin1(c.command)});
        EXPECT_EQ(wrong.exitCode, 1) << c.command;
        EXPECT_EQ(wrong.out, "") << c.command;
        EXPECT_EQ(wrong.err, c.usage) << c.command;
    }
    EXPECT_EQ(ReadFile(Path("proposta.XML")), kProposal);
    EXPECT_EQ(Tool({QStringLiteral("frobnicate")}).exitCode, 1);
}

// A FIFO or a device given to read was "no such file"; a FIFO given as OUT was renamed over; OUT that
// was a link had the file it led to replaced.
TEST_F(PacketTool, OnlyRegularFilesAreReadAndOutReplacesWhatHasItsName) {
    const QByteArray fifo = QFile::encodeName(Path("fila.xml"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    for (const QString& input : {Path("fila.xml"), QStringLiteral("/dev/zero")}) {
        const ToolRun dump = Tool({QStringLiteral("dump"), input});
        EXPECT_EQ(dump.exitCode, 1) << dump.err;
        EXPECT_EQ(dump.err, "quorvel-packet: " + input.toStdString() + ": not a regular file\n");
        EXPECT_EQ(dump.out, "");
    }
    const ToolRun folder = Tool({QStringLiteral("dump"), dir_.path()});
    EXPECT_EQ(folder.err, "quorvel-packet: " + dir_.path().toStdString() + ": it is a folder\n");

    const ToolRun intoFifo = Tool({QStringLiteral("convert"), Path("proposta.XML"), Path("fila.xml")});
    EXPECT_EQ(intoFifo.exitCode, 1);
    EXPECT_EQ(intoFifo.err, "quorvel-packet: " + Path("fila.xml").toStdString() +
                                ": it is not a regular file (a device, a FIFO or a socket)\n");
    struct stat st {};
    ASSERT_EQ(::lstat(fifo.constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    WriteFile(Path("alheio.xml"), "not a proposal");
    ASSERT_TRUE(QFile::link(Path("alheio.xml"), Path("ligado.xml")));
    ASSERT_EQ(Tool({QStringLiteral("convert"), Path("proposta.XML"), Path("ligado.xml")}).exitCode, 0);
    EXPECT_EQ(ReadFile(Path("alheio.xml")), "not a proposal");
    EXPECT_FALSE(QFileInfo(Path("ligado.xml")).isSymLink());
    EXPECT_EQ(ReadFile(Path("ligado.xml")), kProposal);
    EXPECT_EQ(ReadFile(Path("proposta.XML")), kProposal);
}

// The lock was named after the name given: an edit through a link to the file took a lock of its
// own, and concurrent edits through the two names were lost.
TEST_F(PacketTool, EveryNameOfAFileSharesItsLock) {
    const QString proposal = Path("proposta.XML");
    const QString link = Path("ligacao.xml");
    ASSERT_TRUE(QFile::link(proposal, link));
    EXPECT_EQ(quorvel::FileLock::LockFileNameFor(link), proposal + QStringLiteral(".lock"));
    {
        quorvel::FileLock held(proposal);
        ASSERT_EQ(held.TryLock(), quorvel::FileLock::Result::Locked);
        const ToolRun set =
            Tool({QStringLiteral("set"), link, QStringLiteral("id_item=2"), QStringLiteral("preco_ini=1")});
        EXPECT_EQ(set.exitCode, 1);
        EXPECT_NE(set.err.find("in use by process " + std::to_string(QCoreApplication::applicationPid())),
                  std::string::npos)
            << set.err;
        EXPECT_EQ(ReadFile(proposal), kProposal);
    }

    const ConcurrentRounds rounds = EditConcurrently(proposal, link, proposal);
    EXPECT_EQ(rounds.lost, 0) << rounds.saved << " edits reported success";
    EXPECT_EQ(rounds.noneSaved, 0);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
}

// A garbage lock blocked every edit with "in use by process 0".
TEST_F(PacketTool, ALockThatNamesNoLiveProcessIsTakenOverWithWhatItHeld) {
    const QString proposal = Path("proposta.XML");
    const std::string lockFile = proposal.toStdString() + ".lock";
    struct Case {
        std::string content;
        std::string found;
    };
    for (const Case& c : {Case{"garbage", "it named no process (\"garbage\")"}, Case{"", "it was empty"},
                          Case{"0\nquorvel\nthis-host\n", "it named no process (\"0 quorvel this-host\")"}}) {
        SCOPED_TRACE(c.found);
        WriteFile(QString::fromStdString(lockFile), c.content);
        {
            // Left behind an hour ago: a lock file being written right now is not taken for garbage.
            QFile lock(QString::fromStdString(lockFile));
            ASSERT_TRUE(lock.open(QIODevice::ReadWrite));
            ASSERT_TRUE(lock.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                         QFileDevice::FileModificationTime));
        }
        const ToolRun set = Tool(
            {QStringLiteral("set"), proposal, QStringLiteral("id_item=2"), QStringLiteral("preco_ini=3")});
        EXPECT_EQ(set.exitCode, 0) << set.err;
        EXPECT_EQ(set.err,
                  "quorvel-packet: " + lockFile + ": took over a stale lock file: " + c.found + "\n");
        EXPECT_NE(ReadFile(proposal).find("preco_ini=\"3.0000\""), std::string::npos);
        EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(lockFile)));
        WriteFile(proposal, kProposal);
    }
}

} // namespace
