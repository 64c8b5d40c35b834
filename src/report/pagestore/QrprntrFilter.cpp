#include "report/pagestore/QrprntrFilter.h"

#include <algorithm>

namespace quorvel {

TQRExportFilter::TQRExportFilter(const QString& fileName)
    : targetFile_(fileName) {}

TQRExportFilter::~TQRExportFilter() = default;

QString TQRExportFilter::GetDescription() const {
    return QStringLiteral("Abstract non-working export filter");
}
QString TQRExportFilter::GetExtension() const {
    return {};
}
QString TQRExportFilter::GetFilterName() const {
    return QStringLiteral("Abstract filter");
}
QString TQRExportFilter::GetVendorName() const {
    return QStringLiteral("Quorvel");
}
bool TQRExportFilter::GetStreaming() const {
    return false;
}

void TQRExportFilter::Start(int paperWidth, int paperHeight, const TFont& font) {
    (void)paperWidth;
    (void)paperHeight;
    (void)font;
    started_ = true;
}

void TQRExportFilter::EndPage() {}
void TQRExportFilter::Finish() {
    started_ = false;
}
void TQRExportFilter::NewPage() {}

void TQRExportFilter::AcceptGraphic(double xoff, double yoff, const TExportGraphic& graphic) {
    (void)xoff;
    (void)yoff;
    (void)graphic;
}

void TQRExportFilter::AcceptBand(const TQRCustomBand& bandControl, double xoff, double yoff,
                                 double expanded) {
    (void)bandControl;
    (void)xoff;
    (void)yoff;
    (void)expanded;
}

void TQRExportFilter::TextOut(double x, double y, const TFont& font, TColor bgColor, TAlignment alignment,
                              const QString& text) {
    (void)x;
    (void)y;
    (void)font;
    (void)bgColor;
    (void)alignment;
    (void)text;
}

std::unique_ptr<TQRExportFilter> TQRExportFilterLibraryEntry::Create(const QString& fileName) const {
    std::unique_ptr<TQRExportFilter> filter = ExportFilterClass->Create(fileName);
    if (Component) Component->Configure(*filter);
    return filter;
}

void TQRExportFilterLibrary::AddFilter(const TQRExportFilterClass& filterClass,
                                       const TQRExportFilterComponent* component) {
    const auto probe = filterClass.Create(QString());
    TQRExportFilterLibraryEntry entry{&filterClass, probe->GetFilterName(), probe->GetExtension(), component};
    const bool present = std::any_of(entries_.begin(), entries_.end(), [&](const auto& e) {
        return e.ExportFilterClass->ClassName == filterClass.ClassName;
    });
    if (!present) entries_.push_back(std::move(entry));
}

void TQRExportFilterLibrary::RemoveFilter(const TQRExportFilterClass& filterClass) {
    try {
        const QString name = filterClass.Create(QString())->GetFilterName();
        const auto found = std::find_if(entries_.begin(), entries_.end(),
                                        [&](const auto& e) { return e.FilterName == name; });
        if (found != entries_.end()) entries_.erase(found);
    } catch (...) {
        // Called from component destructors, which must not throw.
    }
}

QString TQRExportFilterLibrary::GetSaveDialogFilter() const {
    QString text = QStringLiteral("Tessaly file(*.QRP)|*.QRP");
    for (const auto& entry : entries_)
        text += QStringLiteral("|") + entry.FilterName + QStringLiteral(" (*.") + entry.Extension +
                QStringLiteral(")|*.") + entry.Extension;
    return text;
}

const TQRExportFilterLibraryEntry* TQRExportFilterLibrary::EntryForDialogIndex(int filterIndex) const {
    const int index = filterIndex - 2;
    if (index < 0 || index >= static_cast<int>(entries_.size())) return nullptr;
    return &entries_[static_cast<std::size_t>(index)];
}

TQRExportFilterComponent::TQRExportFilterComponent(TComponent* owner, const TQRExportFilterClass& filterClass)
    : TComponent(owner)
    , filterClass_(filterClass) {
    QRExportFilterLibrary().AddFilter(filterClass_, this);
}

TQRExportFilterComponent::~TQRExportFilterComponent() {
    QRExportFilterLibrary().RemoveFilter(filterClass_);
}

void TQRExportFilterComponent::Configure(TQRExportFilter&) const {}

TQRExportFilterLibrary& QRExportFilterLibrary() {
    static TQRExportFilterLibrary library;
    return library;
}

} // namespace quorvel
