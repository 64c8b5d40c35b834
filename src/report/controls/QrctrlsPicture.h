#pragma once

#include "platform/Metafile.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <QString>

#include <memory>

namespace quorvel {

// The picture an image control shows: a bitmap (any raster format Qt reads) or a page picture
// (enhanced metafile). It keeps the bytes it was read from, so a layout writes back what it read.
class TPicture {
public:
    enum class Kind : std::uint8_t { None, Bitmap, Metafile };

    TPicture() = default;
    TPicture(const TPicture& other);
    TPicture& operator=(const TPicture& other);
    TPicture(TPicture&&) noexcept = default;
    TPicture& operator=(TPicture&&) noexcept = default;
    ~TPicture();

    Kind GetKind() const noexcept { return kind_; }
    bool Empty() const noexcept { return kind_ == Kind::None; }
    const QImage& Bitmap() const noexcept { return bitmap_; }
    const TMetafile* Metafile() const noexcept { return metafile_.get(); }
    // Size in the picture's own pixels.
    int Width() const noexcept;
    int Height() const noexcept;

    void Clear();
    void SetBitmap(const QImage& image);
    void SetMetafile(const TMetafile& picture);

    // Picture file bytes (BMP, PNG, JPEG, GIF, EMF). Bytes that are no picture leave it empty and
    // return false.
    bool LoadFromBytes(QByteArrayView bytes);

    // The layout's form: the graphic's class name as a short string, then its data ("TBitmap" and
    // "TJPEGImage" with a 32-bit length before the file bytes, "TMetafile" and "TPngImage" the file
    // bytes alone). Damaged or foreign data raises Exception and leaves the picture as it was.
    void LoadFromData(QByteArrayView data);
    QByteArray SaveToData() const;

private:
    Kind kind_ = Kind::None;
    QImage bitmap_;
    std::unique_ptr<TMetafile> metafile_;
    QString className_;
    QByteArray fileBytes_;
};

} // namespace quorvel
