#include "platform/Files.h"

#include "platform/Exceptions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <array>

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
