#include "report/QrprntrStream.h"

#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/InterruptCleanup.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace quorvel {

namespace {
using Guard = std::lock_guard<QRecursiveMutex>;
}

TQRStream::TQRStream(qint64 memoryLimit)
    : memoryLimit_(memoryLimit) {}

TQRStream::TQRStream(const QString& fileName)
    : inMemory_(false)
    , file_(std::make_unique<QFile>(fileName))
    , readOnly_(true) {
    if (const QString failure = OpenRegularFileForReading(*file_); !failure.isEmpty())
        throw EQRError(QStringLiteral("Cannot open file \"%1\": %2").arg(fileName, failure));
}

TQRStream::~TQRStream() {
    if (file_) file_->close();
    const auto lock = LockTemporaries();
    if (!tempFileName_.isEmpty()) QFile::remove(tempFileName_);
    tempRegistration_.reset();
}

QString TQRStream::TempFilename() {
    return TemporaryFileName({}, QStringLiteral("QRP"));
}

void TQRStream::RaiseFileError(const QString& action) const {
    throw EQRError(
        QStringLiteral("Cannot %1 \"%2\": %3").arg(action, file_->fileName(), file_->errorString()));
}

qint64 TQRStream::Write(const void* buffer, qint64 count) {
    Guard guard(lock_);
    if (count <= 0) return 0;
    if (inMemory_) {
        const qint64 end = memoryPosition_ + count;
        if (end > memory_.size())
            memory_.resize(end, '\0'); // a gap left by a seek past the end reads as zeros
        std::memcpy(memory_.data() + memoryPosition_, buffer, static_cast<size_t>(count));
        memoryPosition_ = end;
        if (memory_.size() > memoryLimit_) MoveToFile();
        return count;
    }
    if (readOnly_)
        throw EQRError(QStringLiteral("Cannot write to \"%1\": the saved report is open for reading")
                           .arg(file_->fileName()));
    if (file_->write(static_cast<const char*>(buffer), count) != count)
        RaiseFileError(QStringLiteral("write to"));
    return count;
}

qint64 TQRStream::Read(void* buffer, qint64 count) {
    Guard guard(lock_);
    if (count <= 0) return 0;
    if (inMemory_) {
        const qint64 available = std::max<qint64>(0, memory_.size() - memoryPosition_);
        const qint64 n = std::min(count, available);
        if (n > 0) std::memcpy(buffer, memory_.constData() + memoryPosition_, static_cast<size_t>(n));
        memoryPosition_ += n;
        return n;
    }
    const qint64 n = file_->read(static_cast<char*>(buffer), count);
    if (n < 0) RaiseFileError(QStringLiteral("read from"));
    return n;
}

qint64 TQRStream::Seek(qint64 offset, TSeekOrigin origin) {
    Guard guard(lock_);
    qint64 base = 0;
    if (origin == TSeekOrigin::soCurrent)
        base = Position();
    else if (origin == TSeekOrigin::soEnd)
        base = Size();
    const qint64 target = base + offset;
    if (target < 0) throw EQRError(QStringLiteral("Stream seek before its start"));
    if (inMemory_)
        memoryPosition_ = target;
    else if (!file_->seek(target))
        RaiseFileError(QStringLiteral("seek in"));
    return target;
}

qint64 TQRStream::Position() {
    Guard guard(lock_);
    return inMemory_ ? memoryPosition_ : file_->pos();
}

qint64 TQRStream::Size() {
    Guard guard(lock_);
    return inMemory_ ? memory_.size() : file_->size();
}

void TQRStream::SetSize(qint64 size) {
    Guard guard(lock_);
    if (inMemory_) {
        memory_.resize(size, '\0');
        memoryPosition_ = std::min(memoryPosition_, size);
    } else if (readOnly_ || !file_->resize(size)) {
        RaiseFileError(QStringLiteral("resize"));
    }
}

void TQRStream::SaveToStream(QIODevice& target) {
    Guard guard(lock_);
    Seek(0, TSeekOrigin::soBeginning);
    QByteArray block(kCopyBlockSize, Qt::Uninitialized);
    for (;;) {
        const qint64 n = Read(block.data(), kCopyBlockSize);
        if (n <= 0) break;
        if (target.write(block.constData(), n) != n)
            throw EQRError(QStringLiteral("Cannot write the saved report: %1").arg(target.errorString()));
    }
}

bool TQRStream::InMemory() {
    Guard guard(lock_);
    return inMemory_;
}

QString TQRStream::FileName() {
    Guard guard(lock_);
    return tempFileName_;
}

// Moves the bytes to a new temporary file. The memory copy is kept until the file holds them, so a
// failure leaves the stream in memory and whole (and removes the half-made file).
void TQRStream::MoveToFile() {
    // Known as a temporary from the moment it exists, so that an interrupted run removes it.
    auto lock = LockTemporaries();
    QString name = TempFilename();
    tempRegistration_ = std::make_unique<TemporaryPath>(QFile::encodeName(name), TemporaryPath::Kind::File);
    lock.unlock();
    auto file = std::make_unique<QFile>(name);
    if (!file->open(QIODevice::ReadWrite | QIODevice::Truncate) ||
        file->write(memory_.constData(), memory_.size()) != memory_.size() || !file->seek(memoryPosition_)) {
        const QString reason = file->errorString();
        file->close();
        QFile::remove(name);
        tempRegistration_.reset();
        throw EQRError(QStringLiteral("Cannot write the temporary file \"%1\": %2").arg(name, reason));
    }
    file_ = std::move(file);
    tempFileName_ = std::move(name);
    memory_ = QByteArray();
    memoryPosition_ = 0;
    inMemory_ = false;
}

} // namespace quorvel
