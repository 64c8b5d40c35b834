#pragma once

#include "platform/MetafileReader.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QRectF>
#include <QString>

#include <memory>

class QIODevice;
class QPainter;

namespace quorvel {

// The pixels per inch that pictures and text metrics use: the primary screen's logical resolution,
// or 96 when there is no screen (as in the tests and on a headless machine).
int ScreenPixelsPerInch();

// A page picture: an enhanced metafile held in its serialised form. Made by recording a canvas
// (TMetafileCanvas), or read from bytes or a file, where every record is checked first. A picture can
// be played scaled into any rectangle of a painter and its text records enumerated.
class TMetafile {
public:
    TMetafile();
    ~TMetafile();
    TMetafile(const TMetafile& other);
    TMetafile& operator=(const TMetafile& other);
    TMetafile(TMetafile&&) noexcept;
    TMetafile& operator=(TMetafile&&) noexcept;

    // Size in pixels of the reference device, at PixelsPerInch. A recording canvas takes it as the
    // picture frame; reading a picture sets it from the file's frame.
    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }
    void SetWidth(int width) noexcept { width_ = width < 0 ? 0 : width; }
    void SetHeight(int height) noexcept { height_ = height < 0 ? 0 : height; }
    int PixelsPerInch() const noexcept { return pixelsPerInch_; }
    void SetPixelsPerInch(int pixelsPerInch) noexcept {
        pixelsPerInch_ = pixelsPerInch > 0 ? pixelsPerInch : 96;
    }

    // Saving as enhanced (.emf) or plain (.wmf) picture; only the metafile export filter asks.
    bool Enhanced() const noexcept { return enhanced_; }
    void SetEnhanced(bool enhanced) noexcept { enhanced_ = enhanced; }

    // True until something was recorded or read.
    bool Empty() const noexcept { return bytes_.isEmpty(); }
    void Clear();

    // The serialised picture. An empty picture serialises as a header and end-of-file only.
    QByteArray SaveToBytes() const;
    // Replaces the picture with one read from bytes; raises EMetafileError and keeps the current
    // picture when the bytes are damaged.
    void LoadFromBytes(QByteArrayView bytes);
    void SaveToStream(QIODevice& device) const;
    // Reads `size` bytes from the device's current position.
    void LoadFromStream(QIODevice& device, qint64 size);
    // Atomic: a failed save leaves an existing file as it was.
    void SaveToFile(const QString& fileName) const;
    void LoadFromFile(const QString& fileName);

    // Draws the picture so that its frame fills `target` (device coordinates of the painter).
    void Play(QPainter& painter, const QRectF& target) const;

    // The checked records of the picture (parsed on first use for a recorded picture).
    const emf::MetafileContent& Content() const;

    // Used by the recording canvas to hand over a finished picture.
    void SetRecording(QByteArray bytes);

private:
    QByteArray bytes_;
    mutable std::shared_ptr<const emf::MetafileContent> content_;
    int width_ = 0;
    int height_ = 0;
    int pixelsPerInch_;
    bool enhanced_ = true;
};

} // namespace quorvel
