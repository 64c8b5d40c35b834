#include "platform/Files.h"

#include "platform/Exceptions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <array>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel {
namespace {

QString WithTrailingSeparator(QString folder) {
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    return folder;
}

} // namespace

[[noreturn]] void ThrowWriteError(const QString& path, const QString& reason) {
    throw Exception(QStringLiteral("Cannot write file \"%1\": %2").arg(path, reason));
}

QString ExecutableFolder() {
    if (QCoreApplication::instance() != nullptr)
        return WithTrailingSeparator(QCoreApplication::applicationDirPath());
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    return WithTrailingSeparator(QFileInfo(self.symLinkTarget()).absolutePath());
}

bool FileExists(const QString& path) {
    const QFileInfo info(path);
    return !path.isEmpty() && info.exists() && !info.isDir();
}

bool DirectoryExists(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isDir();
}

PathKind KindOfPath(const QString& path) {
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0) return PathKind::Missing;
    if (S_ISREG(st.st_mode)) return PathKind::RegularFile;
    if (S_ISDIR(st.st_mode)) return PathKind::Folder;
    return PathKind::Other;
}

QString OpenRegularFileForReading(QFile& file) {
    // Without waiting: a FIFO opened for reading would wait for a writer.
    const int fd = ::open(QFile::encodeName(file.fileName()).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return QString::fromLocal8Bit(std::strerror(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const bool folder = S_ISDIR(st.st_mode);
        ::close(fd);
        return folder ? QStringLiteral("it is a folder") : QStringLiteral("not a regular file");
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return file.errorString();
    }
    return {};
}

std::optional<FileIdentity> IdentityOfFile(const QString& path) {
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0) return std::nullopt;
    return FileIdentity{std::uint64_t(st.st_dev), std::uint64_t(st.st_ino)};
}

QString RealFilePath(const QString& path) {
    QFileInfo info(path);
    // A link that leads nowhere is followed to where it points (a few steps at most: a loop of links
    // leads nowhere either).
    for (int step = 0; step < 40 && info.isSymLink() && !info.exists(); ++step)
        info = QFileInfo(info.symLinkTarget());
    if (info.exists()) return info.canonicalFilePath();
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return (folder.isEmpty() ? info.absolutePath() : folder) + QLatin1Char('/') + info.fileName();
}

std::map<int, QString> NumberedFiles(const std::function<QString(int)>& nameOf) {
    // What follows the number: the first two names differ in its last digit. What comes before it:
    // a nine-digit number fills its place whatever the width numbers are padded to (a base name that
    // ends in digits of its own keeps them).
    const QString first = nameOf(1);
    const QString second = nameOf(2);
    qsizetype at = 0;
    while (at < first.size() && at < second.size() && first[at] == second[at])
        ++at;
    if (at >= first.size() || !first[at].isDigit()) return {};
    const QString suffix = first.mid(at + 1);
    const QString wide = QFileInfo(nameOf(123456789)).fileName();
    if (!wide.endsWith(QStringLiteral("123456789") + suffix)) return {};
    const QString prefix = wide.left(wide.size() - suffix.size() - 9);

    std::map<int, QString> files;
    const QDir folder(QFileInfo(first).absolutePath());
    for (const QString& name :
         folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        if (name.size() <= prefix.size() + suffix.size() || !name.startsWith(prefix) ||
            !name.endsWith(suffix))
            continue;
        const QStringView digits =
            QStringView(name).mid(prefix.size(), name.size() - prefix.size() - suffix.size());
        bool number = digits.size() <= 9;
        for (const QChar c : digits)
            number = number && c >= QLatin1Char('0') && c <= QLatin1Char('9');
        if (!number) continue;
        const int n = digits.toInt();
        const QString path = nameOf(n);
        if (n >= 1 && QFileInfo(path).fileName() == name) files.emplace(n, path);
    }
    return files;
}

bool DirectoryWritable(const QString& path) {
    const QFileInfo info(path);
    return !path.isEmpty() && info.isDir() && info.isWritable();
}

QString UserConfigFolder() {
    const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!configHome.isEmpty() && QDir::isAbsolutePath(configHome)) return WithTrailingSeparator(configHome);
    return WithTrailingSeparator(QDir::homePath()) + QStringLiteral(".config/");
}

QString ExtractFileName(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}

bool CopyFileReplacing(const QString& source, const QString& target) {
    QFile in(source);
    if (!FileExists(source) || !in.open(QIODevice::ReadOnly)) return false;
    try {
        ReplaceFileAtomically(target, [&in, &target](QIODevice& out) {
            std::array<char, 64 * 1024> buffer{};
            for (;;) {
                const qint64 got = in.read(buffer.data(), static_cast<qint64>(buffer.size()));
                if (got < 0) ThrowWriteError(target, in.errorString());
                if (got == 0) break;
                if (out.write(buffer.data(), got) != got) ThrowWriteError(target, out.errorString());
            }
        });
    } catch (const Exception&) {
        return false;
    }
    return true;
}

bool ForceDirectories(const QString& path) {
    if (path.isEmpty()) return false;
    return QDir().mkpath(path) && DirectoryExists(path);
}

QString TemporaryFileName(const QString& folder, const QString& prefix) {
    const QString dir = folder.isEmpty() ? QDir::tempPath() : folder;
    QTemporaryFile file(WithTrailingSeparator(dir) + prefix + QStringLiteral("XXXXXX.tmp"));
    file.setAutoRemove(false);
    if (!file.open())
        throw Exception(
            QStringLiteral("Cannot create a temporary file in \"%1\": %2").arg(dir, file.errorString()));
    return file.fileName();
}

} // namespace quorvel
