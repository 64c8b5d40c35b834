// A real child process interrupted by SIGINT, SIGTERM or SIGHUP in the middle of a save: its
// temporary file or staging folder goes, the earlier file stays as it was, and the exit status is
// 128 + the signal's number.
#include "platform/InterruptCleanup.h"
#include "platform/Files.h"

#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>

#include <sys/wait.h>
#include <unistd.h>

namespace quorvel {
namespace {

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden, QDir::Name);
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// Runs `save` in a child process that removes its temporaries on interruption; `save` calls the
// writer it is given, which writes some bytes, tells the parent and waits for the signal. The parent
// checks `whileWaiting` then, signals the child and returns its wait status.
int InterruptedSave(const std::function<void(const std::function<void(QIODevice&)>&)>& save, int signal,
                    const std::function<void()>& whileWaiting) {
    int ready[2];
    if (::pipe(ready) != 0) return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        RemoveTemporariesOnInterrupt();
        try {
            save([&](QIODevice& out) {
                out.write(QByteArray(4096, 'n'));
                (void)!::write(ready[1], "r", 1);
                for (;;)
                    ::pause();
            });
        } catch (...) {
        }
        ::_exit(99);
    }
    ::close(ready[1]);
    char byte = 0;
    const bool started = ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
    if (started) whileWaiting();
    ::kill(child, started ? signal : SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    return started ? status : -1;
}

TEST(InterruptCleanup, AnInterruptedSaveLeavesNoTemporaryAndTheEarlierFileAsItWas) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        QTemporaryDir dir;
        const QString proposal = dir.filePath(QStringLiteral("proposta.xml"));
        ReplaceFileAtomically(proposal, "earlier");

        const int single = InterruptedSave(
            [&](const auto& writer) { ReplaceFileAtomically(proposal, writer); }, signal,
            [&] { EXPECT_EQ(Entries(dir.path()).size(), 2u) << "the temporary file is being written"; });
        ASSERT_TRUE(WIFEXITED(single)) << single;
        EXPECT_EQ(WEXITSTATUS(single), 128 + signal);
        EXPECT_EQ(Entries(dir.path()), QStringList{QStringLiteral("proposta.xml")});
        EXPECT_EQ(ReadAll(proposal), QByteArray("earlier"));

        // A set of page files: the staging folder goes with the pages already written into it.
        const QString first = dir.filePath(QStringLiteral("r001.wmf"));
        const int set = InterruptedSave(
            [&](const auto& writer) {
                FileSetReplacement pages(first, LinkAtName::Replace);
                pages.Add(first, "page 1");
                pages.Add(dir.filePath(QStringLiteral("r002.wmf")), writer);
                pages.Commit();
            },
            signal,
            [&] {
                const QStringList entries = Entries(dir.path());
                ASSERT_EQ(entries.size(), 2u);
                EXPECT_EQ(Entries(dir.filePath(entries.front())).size(), 2u) << "two staged pages";
            });
        ASSERT_TRUE(WIFEXITED(set)) << set;
        EXPECT_EQ(WEXITSTATUS(set), 128 + signal);
        EXPECT_EQ(Entries(dir.path()), QStringList{QStringLiteral("proposta.xml")});
    }
}

} // namespace
} // namespace quorvel
