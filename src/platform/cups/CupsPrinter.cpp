#include "platform/cups/CupsPrinter.h"

#include "platform/DevicePaper.h"
#include "platform/ScopeExit.h"

#include <QCoreApplication>
#include <QPdfWriter>

#include <cups/cups.h>
#include <cups/ppd.h>
#include <unistd.h>

#include <algorithm>
#include <span>

namespace quorvel {

namespace {

// A job is drawn at the resolution the program's printer draws its jobs at (Qt's high resolution).
constexpr int kJobResolution = 1200;

// The print system's destinations, freed with the list.
class Destinations {
public:
    Destinations()
        : count_(cupsGetDests2(CUPS_HTTP_DEFAULT, &dests_)) {}
    ~Destinations() { cupsFreeDests(count_, dests_); }
    Destinations(const Destinations&) = delete;
    Destinations& operator=(const Destinations&) = delete;

    std::span<const cups_dest_t> All() const { return {dests_, static_cast<std::size_t>(count_)}; }
    // The destination of a listed name ("queue" or "queue/instance"), or none.
    const cups_dest_t* Find(const QString& listed) const {
        const qsizetype slash = listed.indexOf(QLatin1Char('/'));
        const QByteArray name = (slash < 0 ? listed : listed.left(slash)).toLocal8Bit();
        const QByteArray instance = slash < 0 ? QByteArray() : listed.mid(slash + 1).toLocal8Bit();
        return cupsGetDest(name.constData(), instance.isEmpty() ? nullptr : instance.constData(), count_,
                           dests_);
    }

private:
    cups_dest_t* dests_ = nullptr;
    int count_;
};

QString ListedName(const cups_dest_t& dest) {
    QString name = QString::fromLocal8Bit(dest.name);
    if (dest.instance) name += QLatin1Char('/') + QString::fromLocal8Bit(dest.instance);
    return name;
}

QString Option(const cups_dest_t& dest, const char* name) {
    return QString::fromLocal8Bit(cupsGetOption(name, dest.num_options, dest.options));
}

// A PPD page size as Qt's page size: by its standard media name first, as Qt's printing takes it, so
// that a size near two standard ones keeps its own; by its size when the name is not a standard one.
QPageSize PpdPageSize(const ppd_size_t& size) {
    const QString name = QString::fromLatin1(size.name);
    for (int id = 0; id <= QPageSize::LastPageSize; ++id) {
        const auto standard = static_cast<QPageSize::PageSizeId>(id);
        if (standard != QPageSize::Custom && QPageSize::key(standard) == name) return QPageSize(standard);
    }
    return QPageSize(QSizeF(size.width, size.length), QPageSize::Point, QString(), QPageSize::FuzzyMatch);
}

int DuplexChoice(const char* choice) {
    if (qstrcmp(choice, "DuplexNoTumble") == 0) return DMDUP_VERTICAL;
    if (qstrcmp(choice, "DuplexTumble") == 0) return DMDUP_HORIZONTAL;
    return DMDUP_SIMPLEX;
}

} // namespace

TCupsPrinter::TCupsPrinter() {
    Refresh();
}

QStringList TCupsPrinter::ListQueues() {
    QStringList queues;
    defaultPrinter_.clear();
    const Destinations dests;
    for (const cups_dest_t& dest : dests.All()) {
        queues.append(ListedName(dest));
        if (dest.is_default) defaultPrinter_ = queues.last();
    }
    return queues;
}

void TCupsPrinter::CloseQueue() {
    capabilities_ = 0;
    papers_.clear();
    customSizes_ = false;
    customMargins_ = {};
    makeAndModel_.clear();
    location_.clear();
}

// What the queue offers comes from its PPD, with the options the user or the administrator set on
// the destination marked over the PPD's defaults; the next job starts on those defaults.
bool TCupsPrinter::OpenQueue(const QString& name) {
    const Destinations dests;
    const cups_dest_t* dest = dests.Find(name);
    if (!dest) return false;
    makeAndModel_ = Option(*dest, "printer-make-and-model").left(63);
    location_ = Option(*dest, "printer-location");
    capabilities_ = DM_ORIENTATION | DM_COPIES | DM_COLLATE;
    copies_ = 1;
    collate_ = true;
    duplex_ = DMDUP_SIMPLEX;
    color_ = true;
    resolution_ = kJobResolution;
    std::optional<QPageSize> start;

    const char* ppdName = cupsGetPPD2(CUPS_HTTP_DEFAULT, dest->name);
    const ScopeExit removePpd([ppdName] {
        if (ppdName) ::unlink(ppdName);
    });
    ppd_file_t* ppd = ppdName ? ppdOpenFile(ppdName) : nullptr;
    if (ppd) {
        const ScopeExit closePpd([ppd] { ppdClose(ppd); });
        ppdMarkDefaults(ppd);
        cupsMarkOptions(ppd, dest->num_options, dest->options);
        for (const ppd_size_t& size : std::span(ppd->sizes, static_cast<std::size_t>(ppd->num_sizes))) {
            if (size.width <= 0 || size.length <= 0 || qstrncmp(size.name, "Custom", 6) == 0) continue;
            // The printable area is given from the bottom left corner of the sheet, in points.
            papers_.push_back({PpdPageSize(size), QMarginsF(size.left, size.length - size.top,
                                                            size.width - size.right, size.bottom)});
        }
        if (const ppd_size_t* marked = ppdPageSize(ppd, nullptr);
            marked && marked->width > 0 && marked->length > 0)
            start = PpdPageSize(*marked);
        customSizes_ = ppd->variable_sizes != 0;
        customMargins_ = QMarginsF(ppd->custom_margins[0], ppd->custom_margins[3], ppd->custom_margins[2],
                                   ppd->custom_margins[1]);
        color_ = ppd->color_device != 0;
        if (const ppd_option_t* duplex = ppdFindOption(ppd, "Duplex")) {
            for (const ppd_choice_t& choice :
                 std::span(duplex->choices, static_cast<std::size_t>(duplex->num_choices)))
                if (DuplexChoice(choice.choice) != DMDUP_SIMPLEX) capabilities_ |= DM_DUPLEX;
            if (const ppd_choice_t* marked = ppdFindMarkedChoice(ppd, "Duplex"))
                duplex_ = DuplexChoice(marked->choice);
        }
        const ppd_option_t* resolutions = ppdFindOption(ppd, "Resolution");
        if ((resolutions && resolutions->num_choices > 0) || ppdFindAttr(ppd, "DefaultResolution", nullptr))
            capabilities_ |= DM_PRINTQUALITY;
    }
    if (!papers_.empty()) capabilities_ |= DM_PAPERSIZE;
    if (customSizes_) capabilities_ |= DM_PAPERLENGTH | DM_PAPERWIDTH;
    if (color_) capabilities_ |= DM_COLOR;
    if (!start) start = papers_.empty() ? QPageSize(QPageSize::A4) : papers_.front().size;
    Lay(*start, QPageLayout::Portrait);
    return true;
}

QMarginsF TCupsPrinter::MarginsFor(const QPageSize& size) const {
    for (const Paper& paper : papers_)
        if (paper.size.isEquivalentTo(size)) return paper.margins;
    return customMargins_;
}

void TCupsPrinter::Lay(const QPageSize& size, QPageLayout::Orientation orientation) {
    // A listed paper is taken as the queue lists it, so that its key reaches the queue.
    QPageSize paper = size;
    for (const Paper& listed : papers_)
        if (listed.size.isEquivalentTo(size)) paper = listed.size;
    const QMarginsF margins = MarginsFor(paper);
    layout_ = QPageLayout(paper, orientation, margins, QPageLayout::Point, margins);
}

QString TCupsPrinter::DeviceName() const {
    return HasPrinter() ? Printers().at(PrinterIndex()) : QString();
}

TDeviceMode TCupsPrinter::DeviceMode() const {
    TDeviceMode mode;
    if (!HasPrinter()) return mode;
    mode.Fields = capabilities_;
    mode.Orientation =
        layout_.orientation() == QPageLayout::Landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    DescribePaper(layout_.pageSize(), mode);
    mode.Copies = copies_;
    mode.DefaultSource = 7; // the queue's own choice: paper sources are not offered
    mode.PrintQuality = resolution_;
    mode.Color = color_ ? DMCOLOR_COLOR : DMCOLOR_MONOCHROME;
    mode.Duplex = duplex_;
    mode.Collate = collate_ ? 1 : 0;
    return mode;
}

void TCupsPrinter::SetDeviceMode(const TDeviceMode& mode) {
    if (!HasPrinter()) return;
    const auto marked = [&mode](std::uint32_t flag) { return (mode.Fields & flag) == flag; };
    const std::optional<QPageSize> paper = RequestedPaper(mode);
    if (paper || marked(DM_ORIENTATION))
        Lay(paper.value_or(layout_.pageSize()),
            marked(DM_ORIENTATION)
                ? (mode.Orientation == DMORIENT_LANDSCAPE ? QPageLayout::Landscape : QPageLayout::Portrait)
                : layout_.orientation());
    if (marked(DM_COPIES)) copies_ = std::max(1, mode.Copies);
    if (marked(DM_PRINTQUALITY) && mode.PrintQuality > 0) resolution_ = mode.PrintQuality;
    if (marked(DM_COLOR)) color_ = mode.Color != DMCOLOR_MONOCHROME;
    if (marked(DM_DUPLEX))
        duplex_ =
            mode.Duplex == DMDUP_VERTICAL || mode.Duplex == DMDUP_HORIZONTAL ? mode.Duplex : DMDUP_SIMPLEX;
    if (marked(DM_COLLATE)) collate_ = mode.Collate != 0;
}

QList<int> TCupsPrinter::PaperCodes() const {
    QList<int> codes;
    if (!HasPrinter()) return codes;
    for (const Paper& paper : papers_) {
        const int code = PaperCode(paper.size);
        if (code > 0 && code != DMPAPER_USER && !codes.contains(code)) codes.append(code);
    }
    // A queue that takes any size offers the custom one too.
    if (customSizes_) codes.append(DMPAPER_USER);
    return codes;
}

int TCupsPrinter::XDpi() const {
    return HasPrinter() ? resolution_ : 0;
}

int TCupsPrinter::YDpi() const {
    return XDpi();
}

QPoint TCupsPrinter::PhysicalOffset() const {
    if (!HasPrinter()) return {};
    return layout_.paintRectPixels(resolution_).topLeft() - layout_.fullRectPixels(resolution_).topLeft();
}

QSize TCupsPrinter::PhysicalSize() const {
    if (!HasPrinter()) return {};
    return layout_.fullRectPixels(resolution_).size();
}

std::unique_ptr<QPagedPaintDevice> TCupsPrinter::NewSpoolDevice(const QString& spool) const {
    auto job = std::make_unique<QPdfWriter>(spool);
    job->setResolution(resolution_);
    job->setPageLayout(layout_);
    job->setTitle(Title());
    job->setCreator(QCoreApplication::applicationName());
    return job;
}

SpoolJobOptions TCupsPrinter::JobOptions() const {
    return SpoolJobOptions{.queue = DeviceName(),
                           .title = Title(),
                           .copies = copies_,
                           .collate = collate_,
                           .duplex = duplex_,
                           .paper = layout_.pageSize(),
                           .monochrome = !color_};
}

} // namespace quorvel
