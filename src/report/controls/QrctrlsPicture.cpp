#include "report/controls/QrctrlsPicture.h"

#include "platform/ByteReader.h"
#include "platform/ByteWriter.h"
#include "platform/Exceptions.h"
#include "platform/ImageBytes.h"

#include <QBuffer>
#include <QImageReader>

namespace quorvel {

namespace {

// Pictures from layouts and fields are untrusted: refuse sizes that would take unbounded memory.
constexpr int kMaxPictureSide = 20000;

bool IsMetafile(QByteArrayView bytes) {
    // An enhanced metafile starts with the header record (type 1) and carries " EMF" at offset 40.
    return bytes.size() >= 44 && bytes[0] == 1 && bytes[1] == 0 && bytes[2] == 0 && bytes[3] == 0 &&
           bytes.sliced(40, 4) == QByteArrayView(" EMF");
}

bool ReadImage(QByteArrayView bytes, QImage& image) {
    QByteArray copy = bytes.toByteArray();
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > kMaxPictureSide || size.height() > kMaxPictureSide)) return false;
    image = reader.read();
    return !image.isNull();
}

[[noreturn]] void NoPicture() {
    throw Exception(QStringLiteral("Invalid picture data"));
}

} // namespace

TPicture::TPicture(const TPicture& other)
    : kind_(other.kind_)
    , bitmap_(other.bitmap_)
    , metafile_(other.metafile_ ? std::make_unique<TMetafile>(*other.metafile_) : nullptr)
    , className_(other.className_)
    , fileBytes_(other.fileBytes_) {}

TPicture& TPicture::operator=(const TPicture& other) {
    if (this != &other) {
        TPicture copy(other);
        *this = std::move(copy);
    }
    return *this;
}

TPicture::~TPicture() = default;

int TPicture::Width() const noexcept {
    if (kind_ == Kind::Bitmap) return bitmap_.width();
    return metafile_ ? metafile_->Width() : 0;
}

int TPicture::Height() const noexcept {
    if (kind_ == Kind::Bitmap) return bitmap_.height();
    return metafile_ ? metafile_->Height() : 0;
}

void TPicture::Clear() {
    *this = TPicture();
}

void TPicture::SetBitmap(const QImage& image) {
    Clear();
    if (image.isNull()) return;
    kind_ = Kind::Bitmap;
    bitmap_ = image;
    className_ = QStringLiteral("TBitmap");
}

void TPicture::SetMetafile(const TMetafile& picture) {
    Clear();
    kind_ = Kind::Metafile;
    metafile_ = std::make_unique<TMetafile>(picture);
    className_ = QStringLiteral("TMetafile");
}

bool TPicture::LoadFromBytes(QByteArrayView bytes) {
    TPicture loaded;
    if (IsMetafile(bytes)) {
        auto picture = std::make_unique<TMetafile>();
        try {
            picture->LoadFromBytes(bytes);
        } catch (const Exception&) {
            return false;
        }
        loaded.kind_ = Kind::Metafile;
        loaded.metafile_ = std::move(picture);
        loaded.className_ = QStringLiteral("TMetafile");
    } else {
        QImage image;
        if (!ReadImage(bytes, image)) return false;
        loaded.kind_ = Kind::Bitmap;
        loaded.bitmap_ = std::move(image);
        loaded.className_ = QStringLiteral("TBitmap");
    }
    loaded.fileBytes_ = bytes.toByteArray();
    *this = std::move(loaded);
    return true;
}

void TPicture::LoadFromData(QByteArrayView data) {
    if (data.isEmpty()) {
        Clear();
        return;
    }
    const QByteArray copy = data.toByteArray();
    ByteReader reader(copy);
    QByteArrayView file;
    QString className;
    try {
        const std::uint8_t nameLength = reader.U8();
        className = QString::fromLatin1(reader.Chars(nameLength));
        if (className == QLatin1String("TBitmap") || className == QLatin1String("TJPEGImage")) {
            const std::uint32_t length = reader.U32LE();
            const std::string_view bytes = reader.Chars(length);
            file = QByteArrayView(bytes.data(), qsizetype(bytes.size()));
        } else if (className == QLatin1String("TMetafile") || className == QLatin1String("TPngImage")) {
            const std::string_view bytes = reader.Chars(reader.Remaining());
            file = QByteArrayView(bytes.data(), qsizetype(bytes.size()));
        } else {
            NoPicture();
        }
    } catch (const EByteRangeError&) {
        NoPicture();
    }
    TPicture loaded;
    if (!loaded.LoadFromBytes(file)) NoPicture();
    loaded.className_ = className;
    *this = std::move(loaded);
}

QByteArray TPicture::SaveToData() const {
    if (kind_ == Kind::None) return {};
    QByteArray file = fileBytes_;
    QString className = className_;
    if (file.isEmpty()) {
        if (kind_ == Kind::Metafile) {
            file = metafile_->SaveToBytes();
        } else {
            file = EncodeImage(bitmap_, "BMP");
            className = QStringLiteral("TBitmap");
        }
    }
    const QByteArray name = className.toLatin1();
    ByteWriter data;
    data.Reserve(1 + name.size() + 4 + file.size());
    data.U8(std::uint8_t(name.size()));
    data.Bytes(name);
    if (className == QLatin1String("TBitmap") || className == QLatin1String("TJPEGImage"))
        data.U32LE(std::uint32_t(file.size()));
    data.Bytes(file);
    return data.Take();
}

} // namespace quorvel
