#include "platform/DevicePaper.h"

#include "platform/Rounding.h"

namespace quorvel {

int PaperCode(const QPageSize& size) {
    if (!size.isValid()) return 0;
    if (size.id() == QPageSize::Custom) return DMPAPER_USER;
    return size.windowsId();
}

std::optional<QPageSize> RequestedPaper(const TDeviceMode& mode) {
    const auto marked = [&mode](std::uint32_t flag) { return (mode.Fields & flag) == flag; };
    if (marked(DM_PAPERSIZE) && mode.PaperSize > 0 && mode.PaperSize != DMPAPER_USER) {
        const QPageSize::PageSizeId id = QPageSize::id(mode.PaperSize);
        if (id != QPageSize::Custom) return QPageSize(id);
    }
    if (marked(DM_PAPERLENGTH | DM_PAPERWIDTH) && mode.PaperWidth > 0 && mode.PaperLength > 0)
        return QPageSize(QSizeF(mode.PaperWidth / 10.0, mode.PaperLength / 10.0), QPageSize::Millimeter);
    return std::nullopt;
}

void DescribePaper(const QPageSize& size, TDeviceMode& mode) {
    mode.PaperSize = PaperCode(size);
    const QSizeF paper = size.size(QPageSize::Millimeter);
    mode.PaperWidth = RoundHalfEven(paper.width() * 10.0);
    mode.PaperLength = RoundHalfEven(paper.height() * 10.0);
}

} // namespace quorvel
