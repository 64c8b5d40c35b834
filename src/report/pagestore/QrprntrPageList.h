#pragma once

#include "platform/Metafile.h"
#include "report/pagestore/QrprntrFileHeader.h"
#include "report/pagestore/QrprntrOutline.h"
#include "report/pagestore/QrprntrStream.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QRecursiveMutex>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace quorvel {

// The pages of a report run, serialised one after another into a stream that is also the
// saved-report file: a 128-byte header (TQRFileHeader), then one record per page,
//   i32 page number | i32 offset of the record's end | body | i32 offset of the record's start,
// so the records form a chain that can be walked both ways. A plain body is the page picture's
// serialisation; a coded body is the picture's length (i32) and its splay-coded bytes.
//
// Pages can be read by number while later ones are still being appended: every operation holds the
// list's re-entrant lock (always taken before the stream's), and each read leaves the stream at
// the next record, so reading in order costs one step per page. The start of every record written
// or checked is kept, so going back to a page seen before costs no walk at all.
//
// Files from disk are untrusted: every record is checked (offsets inside the file and moving the
// right way, page numbers in sequence from 1, links that agree), and a damaged chain raises
// EQRError. A file whose header counts no pages loads as a report without pages.
// Loading a file takes its page count and its coding byte from the header, so every valid file
// reads back whatever the list's compression switch was before.
class TQRPageList {
public:
    TQRPageList();
    ~TQRPageList();

    TQRPageList(const TQRPageList&) = delete;
    TQRPageList& operator=(const TQRPageList&) = delete;

    // Appends a finished page picture; raises EQRError without a stream.
    void AddPage(const TMetafile& page);
    // A new copy of page n's picture for the caller, or none when n is outside 1 to PageCount.
    // A damaged record raises EQRError, a damaged picture EMetafileError.
    std::unique_ptr<TMetafile> GetPage(int n);

    // The same on the serialised pictures, as they lie in the page records.
    void AddPageBody(QByteArrayView body);
    std::optional<QByteArray> GetPageBody(int n);

    // Rewrites the header with the final page count (also for a document without pages).
    void Finish();
    // Forgets the pages; whoever shares the stream frees it.
    void Clear();
    // Opens a saved-report file (read-only) as the list's stream, reads its header and walks the
    // chain to the last page once. A failure leaves the list without stream and pages.
    void LoadFromFile(const QString& fileName);
    // The same for a stream that already holds a saved report.
    void LoadFromStream(std::shared_ptr<TQRStream> stream);
    // Writes the stream to a file, replacing it atomically.
    void SaveToFile(const QString& fileName);

    void SeekToFirst();
    void SeekToLast();
    // Places the stream at the start of page n's record.
    void SeekToPage(int n);
    void ReadFileHeader();
    void WriteFileHeader();

    void LockList() { lock_.lock(); }
    void UnlockList() { lock_.unlock(); }

    void AddOutline(int level, const QString& text, int pageNumber, const QRect& rect);
    TQROutline& Outline() { return outline_; }

    int PageCount();
    bool Compression();
    void SetCompression(bool value);
    std::shared_ptr<TQRStream> Stream();
    void SetStream(std::shared_ptr<TQRStream> stream);
    // The header as last read or written.
    TQRFileHeader FileHeader();
    int HeaderLength();

private:
    struct RecordHead {
        qint64 Start;
        qint32 Page;
        qint64 Next;
    };

    TQRStream& RequireStream();
    RecordHead FindPage(int n);
    RecordHead ReadRecordHead(qint64 start, qint64 size);
    qint32 ReadInt32();
    void WriteInt32(qint32 value);
    void WriteRecord(QByteArrayView body);
    QByteArray ReadBody(const RecordHead& record);
    [[noreturn]] void RaiseDamaged(const QString& detail) const;

    QRecursiveMutex lock_;
    int pageCount_ = 0;
    bool compression_ = false;
    int headerLength_ = TQRFileHeader::kLength;
    qint64 lastStart_ = 0; // the record of the last counted page, once known
    qint64 lastEnd_ = 0;
    // Record starts of pages 1, 2, … as far as they were written or walked and checked, so that a
    // page of a long report is found without walking the chain to it.
    std::vector<qint64> starts_;
    TQRFileHeader header_;
    std::shared_ptr<TQRStream> stream_;
    TQROutline outline_;
};

} // namespace quorvel
