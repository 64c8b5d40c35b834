#include "report/pagestore/QrprntrPageList.h"

#include "platform/ByteReader.h"
#include "platform/ByteWriter.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/ScopeExit.h"
#include "report/pagestore/QrprntrCompress.h"

#include <limits>
#include <mutex>

namespace quorvel {

namespace {

using Guard = std::lock_guard<QRecursiveMutex>;

constexpr qint64 kMaxOffset = std::numeric_limits<qint32>::max();
constexpr qint64 kRecordOverhead = 12; // page number, end offset, start offset

} // namespace

TQRPageList::TQRPageList() = default;
TQRPageList::~TQRPageList() = default;

void TQRPageList::RaiseDamaged(const QString& detail) const {
    throw EQRError(QStringLiteral("The saved report is damaged: %1").arg(detail));
}

TQRStream& TQRPageList::RequireStream() {
    if (!stream_) throw EQRError(QStringLiteral("The page list has no stream"));
    return *stream_;
}

qint32 TQRPageList::ReadInt32() {
    char bytes[4];
    if (stream_->Read(bytes, 4) != 4) RaiseDamaged(QStringLiteral("unexpected end of file"));
    return ByteReader(std::string_view(bytes, 4)).I32LE();
}

void TQRPageList::WriteInt32(qint32 value) {
    ByteWriter bytes;
    bytes.Reserve(4);
    bytes.I32LE(value);
    stream_->Write(bytes.View().data(), bytes.Size());
}

int TQRPageList::PageCount() {
    Guard guard(lock_);
    return pageCount_;
}

bool TQRPageList::Compression() {
    Guard guard(lock_);
    return compression_;
}

void TQRPageList::SetCompression(bool value) {
    Guard guard(lock_);
    compression_ = value;
}

std::shared_ptr<TQRStream> TQRPageList::Stream() {
    Guard guard(lock_);
    return stream_;
}

void TQRPageList::SetStream(std::shared_ptr<TQRStream> stream) {
    Guard guard(lock_);
    stream_ = std::move(stream);
    headerLength_ = TQRFileHeader::kLength;
    lastStart_ = lastEnd_ = 0;
    starts_.clear();
}

TQRFileHeader TQRPageList::FileHeader() {
    Guard guard(lock_);
    return header_;
}

int TQRPageList::HeaderLength() {
    Guard guard(lock_);
    return headerLength_;
}

void TQRPageList::AddOutline(int level, const QString& text, int pageNumber, const QRect& rect) {
    Guard guard(lock_);
    outline_.AddNode(text, level, rect, pageNumber);
}

void TQRPageList::WriteFileHeader() {
    Guard guard(lock_);
    TQRStream& stream = RequireStream();
    header_.PageCount = pageCount_;
    header_.DateTime = ToReportDateTime(QDateTime::currentDateTime());
    header_.Compressed = compression_;
    const QByteArray bytes = header_.Encode();
    TQRStreamLock streamLock(stream);
    stream.Seek(0, TSeekOrigin::soBeginning);
    stream.Write(bytes.constData(), bytes.size());
}

void TQRPageList::ReadFileHeader() {
    Guard guard(lock_);
    TQRStream& stream = RequireStream();
    TQRStreamLock streamLock(stream);
    const int length = ProbeHeaderLength(stream);
    QByteArray bytes(length, '\0');
    stream.Seek(0, TSeekOrigin::soBeginning);
    if (stream.Read(bytes.data(), length) != length)
        throw EQRError(QStringLiteral("Not a saved report file"));
    header_ = TQRFileHeader::Decode(bytes);
    headerLength_ = length;
    pageCount_ = header_.PageCount;
    compression_ = header_.Compressed;
}

void TQRPageList::AddPageBody(QByteArrayView body) {
    Guard guard(lock_);
    TQRStream& stream = RequireStream();
    TQRStreamLock streamLock(stream);
    const qint64 oldSize = stream.Size();
    ++pageCount_;
    // Drop the half-written record so the chain stays whole for the pages already stored.
    const ScopeFail dropRecord([&] {
        --pageCount_;
        if (starts_.size() > static_cast<std::size_t>(pageCount_))
            starts_.resize(static_cast<std::size_t>(pageCount_));
        stream.SetSize(oldSize);
        stream.Seek(0, TSeekOrigin::soEnd);
    });
    if (pageCount_ == 1) WriteFileHeader();
    WriteRecord(body);
}

void TQRPageList::WriteRecord(QByteArrayView body) {
    TQRStream& stream = *stream_;
    const qint64 start = stream.Seek(0, TSeekOrigin::soEnd);
    if (body.size() > kMaxOffset || (!compression_ && start + kRecordOverhead + body.size() > kMaxOffset))
        throw EQRError(QStringLiteral("The report is too large for a saved report file"));
    // Page number, then the offset of the record's end, known once the body is written: until then
    // the field holds its own offset.
    const qint64 nextField = start + 4;
    ByteWriter head;
    head.Reserve(12);
    head.I32LE(pageCount_);
    head.I32LE(static_cast<qint32>(nextField));
    if (compression_) head.I32LE(static_cast<qint32>(body.size()));
    stream.Write(head.View().data(), head.Size());
    if (compression_) {
        TQRCompress coder(stream, TQRCompressMode::Coding);
        for (const char c : body)
            coder.Compress(static_cast<quint8>(c));
        coder.Close();
    } else {
        stream.Write(body.data(), body.size());
    }
    WriteInt32(static_cast<qint32>(start));
    const qint64 end = stream.Position();
    if (end > kMaxOffset) throw EQRError(QStringLiteral("The report is too large for a saved report file"));
    stream.Seek(nextField, TSeekOrigin::soBeginning);
    WriteInt32(static_cast<qint32>(end));
    stream.Seek(end, TSeekOrigin::soBeginning);
    lastStart_ = start;
    lastEnd_ = end;
    if (starts_.size() == static_cast<std::size_t>(pageCount_ - 1)) starts_.push_back(start);
}

TQRPageList::RecordHead TQRPageList::ReadRecordHead(qint64 start, qint64 size) {
    if (start < headerLength_ || start + kRecordOverhead > size)
        RaiseDamaged(QStringLiteral("a page record lies outside the file"));
    stream_->Seek(start, TSeekOrigin::soBeginning);
    RecordHead head{start, 0, 0};
    head.Page = ReadInt32();
    head.Next = ReadInt32();
    if (head.Page < 1) RaiseDamaged(QStringLiteral("a page record has page number %1").arg(head.Page));
    if (head.Next < start + kRecordOverhead || head.Next > size)
        RaiseDamaged(QStringLiteral("page %1 ends outside its record").arg(head.Page));
    return head;
}

void TQRPageList::SeekToFirst() {
    Guard guard(lock_);
    RequireStream().Seek(headerLength_, TSeekOrigin::soBeginning);
}

void TQRPageList::SeekToLast() {
    Guard guard(lock_);
    TQRStream& stream = RequireStream();
    TQRStreamLock streamLock(stream);
    const qint64 size = stream.Size();
    if (size < headerLength_ + kRecordOverhead) RaiseDamaged(QStringLiteral("the file holds no page record"));
    stream.Seek(size - 4, TSeekOrigin::soBeginning);
    const qint64 last = ReadInt32();
    if (last < headerLength_ || last + kRecordOverhead > size)
        RaiseDamaged(QStringLiteral("the last page's link points outside the file"));
    stream.Seek(last, TSeekOrigin::soBeginning);
}

// Walks the chain from the current record towards page n, one record per step. Each step must reach
// the neighbouring page number through offsets that move the same way and links that agree, so a
// damaged chain (a loop, a link outside the file, pages out of order) ends in an error after at
// most one pass. A walk never starts beyond the last counted page: records after it (those of an
// abandoned document whose header still counts its first page) have not been checked.
TQRPageList::RecordHead TQRPageList::FindPage(int n) {
    TQRStream& stream = *stream_;
    const qint64 size = stream.Size();
    // A page whose record was written or walked before is reached at once.
    if (n >= 1 && static_cast<std::size_t>(n) <= starts_.size()) {
        const RecordHead record = ReadRecordHead(starts_[static_cast<std::size_t>(n - 1)], size);
        if (record.Page != n) RaiseDamaged(QStringLiteral("page %1 moved in the file").arg(n));
        stream.Seek(record.Start, TSeekOrigin::soBeginning);
        return record;
    }
    const qint64 position = stream.Position();
    qint64 start = position;
    if (n == 1 || position < headerLength_ || lastEnd_ <= headerLength_)
        start = headerLength_;
    else if (position >= lastEnd_)
        start = lastStart_;
    RecordHead record = ReadRecordHead(start, size);
    if (start == headerLength_ && record.Page != 1)
        RaiseDamaged(QStringLiteral("the first record holds page %1").arg(record.Page));
    while (record.Page != n) {
        if (record.Page < n) {
            if (record.Next >= size) RaiseDamaged(QStringLiteral("page %1 is missing").arg(n));
            stream.Seek(record.Next - 4, TSeekOrigin::soBeginning);
            if (ReadInt32() != record.Start)
                RaiseDamaged(QStringLiteral("page %1 does not link back to its start").arg(record.Page));
            const RecordHead next = ReadRecordHead(record.Next, size);
            if (next.Page != record.Page + 1)
                RaiseDamaged(QStringLiteral("page %1 follows page %2").arg(next.Page).arg(record.Page));
            if (record.Page == 1 && starts_.empty()) starts_.push_back(record.Start);
            if (starts_.size() == static_cast<std::size_t>(record.Page) && next.Page <= pageCount_)
                starts_.push_back(next.Start);
            record = next;
        } else {
            if (record.Start < headerLength_ + kRecordOverhead)
                RaiseDamaged(QStringLiteral("page %1 is missing").arg(n));
            stream.Seek(record.Start - 4, TSeekOrigin::soBeginning);
            const qint64 previousStart = ReadInt32();
            if (previousStart < headerLength_ || previousStart + kRecordOverhead > record.Start)
                RaiseDamaged(QStringLiteral("page %1 links back outside the file").arg(record.Page));
            const RecordHead previous = ReadRecordHead(previousStart, size);
            if (previous.Page != record.Page - 1 || previous.Next != record.Start)
                RaiseDamaged(QStringLiteral("page %1 does not link back to page %2")
                                 .arg(record.Page)
                                 .arg(record.Page - 1));
            record = previous;
        }
    }
    stream.Seek(record.Start, TSeekOrigin::soBeginning);
    return record;
}

void TQRPageList::SeekToPage(int n) {
    Guard guard(lock_);
    TQRStreamLock streamLock(RequireStream());
    FindPage(n);
}

QByteArray TQRPageList::ReadBody(const RecordHead& record) {
    TQRStream& stream = *stream_;
    const qint64 bodyStart = record.Start + 8;
    const qint64 bodyEnd = record.Next - 4;
    stream.Seek(bodyStart, TSeekOrigin::soBeginning);
    QByteArray body;
    if (compression_) {
        const qint64 codedLength = bodyEnd - bodyStart - 4;
        if (codedLength < 0) RaiseDamaged(QStringLiteral("page %1 has no length").arg(record.Page));
        const qint32 length = ReadInt32();
        // Every byte takes at least one bit, so a true length cannot exceed eight per coded byte.
        if (length < 0 || length > 8 * codedLength)
            RaiseDamaged(QStringLiteral("page %1 has a wrong length").arg(record.Page));
        body.resize(length);
        TQRCompress decoder(stream, TQRCompressMode::Decoding, codedLength);
        for (qint32 i = 0; i < length; ++i)
            body[i] = static_cast<char>(decoder.Expand());
        decoder.Close();
    } else {
        body.resize(bodyEnd - bodyStart);
        if (stream.Read(body.data(), body.size()) != body.size())
            RaiseDamaged(QStringLiteral("unexpected end of file"));
    }
    stream.Seek(bodyEnd, TSeekOrigin::soBeginning);
    if (ReadInt32() != record.Start)
        RaiseDamaged(QStringLiteral("page %1 does not link back to its start").arg(record.Page));
    return body;
}

std::optional<QByteArray> TQRPageList::GetPageBody(int n) {
    Guard guard(lock_);
    if (!stream_ || n < 1 || n > pageCount_) return std::nullopt;
    TQRStreamLock streamLock(*stream_);
    // Leave the stream at a known record so that the next walk does not start mid-record.
    const ScopeFail rewind([this] { stream_->Seek(headerLength_, TSeekOrigin::soBeginning); });
    return ReadBody(FindPage(n));
}

void TQRPageList::AddPage(const TMetafile& page) {
    AddPageBody(page.SaveToBytes());
}

std::unique_ptr<TMetafile> TQRPageList::GetPage(int n) {
    const std::optional<QByteArray> body = GetPageBody(n);
    if (!body) return nullptr;
    auto picture = std::make_unique<TMetafile>();
    picture->LoadFromBytes(*body);
    return picture;
}

void TQRPageList::Finish() {
    Guard guard(lock_);
    WriteFileHeader();
}

void TQRPageList::Clear() {
    Guard guard(lock_);
    pageCount_ = 0;
    lastStart_ = lastEnd_ = 0;
    starts_.clear();
}

void TQRPageList::LoadFromFile(const QString& fileName) {
    Guard guard(lock_);
    stream_.reset();
    pageCount_ = 0;
    LoadFromStream(std::make_shared<TQRStream>(fileName));
}

void TQRPageList::LoadFromStream(std::shared_ptr<TQRStream> stream) {
    Guard guard(lock_);
    stream_ = std::move(stream);
    headerLength_ = TQRFileHeader::kLength;
    pageCount_ = 0;
    lastStart_ = lastEnd_ = 0;
    starts_.clear();
    const ScopeFail forget([this] {
        stream_.reset();
        pageCount_ = 0;
        headerLength_ = TQRFileHeader::kLength;
        lastStart_ = lastEnd_ = 0;
        starts_.clear();
    });
    ReadFileHeader();
    // A file without pages has nothing to walk; otherwise reading the last page checks the chain
    // from the first record to the last, and that page's picture.
    if (pageCount_ > 0) {
        TQRStreamLock streamLock(*stream_);
        const RecordHead last = FindPage(pageCount_);
        TMetafile().LoadFromBytes(ReadBody(last));
        lastStart_ = last.Start;
        lastEnd_ = last.Next;
    }
}

void TQRPageList::SaveToFile(const QString& fileName) {
    Guard guard(lock_);
    TQRStream& stream = RequireStream();
    // A new file takes the name: a link there is replaced, not written through onto another file.
    ReplaceFileAtomically(
        fileName, [&stream](QIODevice& file) { stream.SaveToStream(file); }, LinkAtName::Replace);
}

} // namespace quorvel
