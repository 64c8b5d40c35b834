#include "platform/Metafile.h"

#include "platform/Files.h"
#include "platform/MetafilePlayer.h"
#include "platform/MetafileWriter.h"

#include <QFile>
#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace quorvel {

int ScreenPixelsPerInch() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const int ppi = qRound(screen->logicalDotsPerInch());
            if (ppi > 0) return ppi;
        }
    }
    return 96;
}

TMetafile::TMetafile()
    : pixelsPerInch_(ScreenPixelsPerInch()) {}
TMetafile::~TMetafile() = default;
TMetafile::TMetafile(const TMetafile& other) = default;
TMetafile& TMetafile::operator=(const TMetafile& other) = default;
TMetafile::TMetafile(TMetafile&&) noexcept = default;
TMetafile& TMetafile::operator=(TMetafile&&) noexcept = default;

void TMetafile::Clear() {
    bytes_.clear();
    content_.reset();
}

QByteArray TMetafile::SaveToBytes() const {
    if (!bytes_.isEmpty()) return bytes_;
    emf::MetafileWriter writer;
    return writer.Finish(emf::ReferenceHeader(width_, height_, pixelsPerInch_));
}

void TMetafile::LoadFromBytes(QByteArrayView bytes) {
    auto content = std::make_shared<emf::MetafileContent>(emf::ParseMetafile(bytes));
    const emf::Header& h = content->header;
    const double pixelsPerMmX = double(h.device.cx) / h.millimeters.cx;
    const double pixelsPerMmY = double(h.device.cy) / h.millimeters.cy;
    const double frameWidth = std::max(0.0, double(h.frame.right) - h.frame.left) / 100.0 * pixelsPerMmX;
    const double frameHeight = std::max(0.0, double(h.frame.bottom) - h.frame.top) / 100.0 * pixelsPerMmY;
    bytes_ = bytes.first(qsizetype(h.bytes)).toByteArray();
    content_ = std::move(content);
    width_ = int(std::min(std::llround(frameWidth), 1ll << 30));
    height_ = int(std::min(std::llround(frameHeight), 1ll << 30));
    pixelsPerInch_ = std::max(1, int(std::min(std::llround(pixelsPerMmX * 25.4), 1ll << 20)));
}

void TMetafile::SaveToStream(QIODevice& device) const {
    const QByteArray bytes = SaveToBytes();
    if (device.write(bytes) != bytes.size())
        throw Exception(QStringLiteral("Cannot write the picture: %1").arg(device.errorString()));
}

void TMetafile::LoadFromStream(QIODevice& device, qint64 size) {
    if (size < 0) throw EMetafileError(QStringLiteral("Damaged metafile: negative size"), 0);
    const QByteArray bytes = device.read(size);
    if (bytes.size() != size)
        throw EMetafileError(QStringLiteral("Damaged metafile: picture truncated (record 1 at offset 0)"), 0);
    LoadFromBytes(bytes);
}

void TMetafile::SaveToFile(const QString& fileName) const {
    ReplaceFileAtomically(
        fileName, [this](QIODevice& file) { SaveToStream(file); }, LinkAtName::Replace);
}

void TMetafile::LoadFromFile(const QString& fileName) {
    QFile file(fileName);
    if (const QString failure = OpenRegularFileForReading(file); !failure.isEmpty())
        throw Exception(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, failure));
    LoadFromStream(file, file.size());
}

void TMetafile::Play(QPainter& painter, const QRectF& target) const {
    if (bytes_.isEmpty()) return;
    PlayMetafile(painter, Content(), QSizeF(width_, height_), target);
}

const emf::MetafileContent& TMetafile::Content() const {
    if (!content_) {
        content_ = bytes_.isEmpty()
                       ? std::make_shared<emf::MetafileContent>(emf::ParseMetafile(SaveToBytes()))
                       : std::make_shared<emf::MetafileContent>(emf::ParseMetafile(bytes_));
    }
    return *content_;
}

void TMetafile::SetRecording(QByteArray bytes) {
    bytes_ = std::move(bytes);
    content_.reset();
}

} // namespace quorvel
