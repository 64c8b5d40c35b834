#include "report/support/RecordingPrinter.h"

#include "platform/Metafile.h"
#include "platform/MetafileEnumerator.h"
#include "platform/Rounding.h"

namespace quorvel::testing {

QStringList RecordedSheet::TextList() const {
    QStringList texts;
    for (const SheetText& text : Texts)
        texts.append(text.Text);
    return texts;
}

// Writes what is drawn into the last sheet of the last job.
class RecordingPrinter::SheetCanvas : public TCanvas {
public:
    SheetCanvas(int dpi, std::vector<RecordedJob>& jobs)
        : TCanvas(dpi)
        , jobs_(jobs) {}

protected:
    void DoText(const draw::TextCall& call, QStringView text, std::span<const std::int32_t>,
                const QRect&) override {
        Sheet().Texts.push_back({text.toString(), call.reference});
    }
    void DoStretchPicture(const TRect& rect, const TMetafile& picture) override {
        const QRect target = rect.ToQRect();
        Sheet().Pictures.push_back(target);
        if (picture.Width() <= 0 || picture.Height() <= 0) return;
        const double sx = static_cast<double>(target.width()) / picture.Width();
        const double sy = static_cast<double>(target.height()) / picture.Height();
        for (const TMetafileText& text : MetafileTexts(picture))
            Sheet().Texts.push_back(
                {text.Text, QPoint(target.left() + RoundHalfEven(text.Reference.x() * sx),
                                   target.top() + RoundHalfEven(text.Reference.y() * sy))});
    }
    void DoLine(QPoint, QPoint) override {}
    void DoShape(ShapeKind, const TRect&, QSize) override {}
    void DoFillRect(const TRect&) override {}
    void DoPoly(std::span<const QPoint>, bool) override {}
    void DoStretchImage(const TRect&, const QImage&) override {}
    void DoIntersectClip(const TRect&) override {}
    void DoResetClip() override {}
    void DoSave() override {}
    void DoRestore() override {}

private:
    RecordedSheet& Sheet() { return jobs_.back().Sheets.back(); }

    std::vector<RecordedJob>& jobs_;
};

RecordingPrinter::RecordingPrinter(int dpi, QPoint offset)
    : dpi_(dpi)
    , offset_(offset) {
    mode_.Fields = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES | DM_COLLATE;
    mode_.PaperSize = 9;
    mode_.PaperWidth = 2100;
    mode_.PaperLength = 2970;
}

RecordingPrinter::~RecordingPrinter() = default;

void RecordingPrinter::SetDeviceMode(const TDeviceMode& mode) {
    const std::uint32_t supported = mode_.Fields;
    mode_ = mode;
    mode_.Fields = supported;
}

QSize RecordingPrinter::PhysicalSize() const {
    const bool landscape = mode_.Orientation == DMORIENT_LANDSCAPE;
    const int width = RoundHalfEven((landscape ? mode_.PaperLength : mode_.PaperWidth) * dpi_ / 254.0);
    const int height = RoundHalfEven((landscape ? mode_.PaperWidth : mode_.PaperLength) * dpi_ / 254.0);
    return {width, height};
}

bool RecordingPrinter::BeginDoc() {
    if (Printing()) throw EPrinter(QStringLiteral("Printing in progress"));
    jobs.push_back({Title(), {RecordedSheet{}}});
    canvas_ = std::make_unique<SheetCanvas>(dpi_, jobs);
    return true;
}

void RecordingPrinter::NewPage() {
    if (!Printing()) throw EPrinter(QStringLiteral("Printer is not printing"));
    jobs.back().Sheets.emplace_back();
}

void RecordingPrinter::EndDoc() {
    if (!Printing()) throw EPrinter(QStringLiteral("Printer is not printing"));
    canvas_.reset();
    jobs.back().Ended = true;
}

void RecordingPrinter::Abort() {
    if (!Printing()) return;
    canvas_.reset();
    jobs.back().Aborted = true;
}

TCanvas& RecordingPrinter::Canvas() {
    if (!canvas_) throw EPrinter(QStringLiteral("Printer is not printing"));
    return *canvas_;
}

} // namespace quorvel::testing
