#pragma once

#include "platform/Component.h"
#include "report/export/QrexportGrid.h"

#include <QChar>

namespace quorvel {

// Writes every page as comma-separated text: one line per text line of the page, one quoted field
// per column, fields separated by the filter's separator and lines ended by CR LF. A quote inside
// a text is doubled, so that every reader of the format gets the text back. A text that a spreadsheet
// would run as a formula (one that begins with =, +, -, @, a tab or a carriage return and is no number)
// gets a leading apostrophe inside its quotes, so that it shows as text; control characters other
// than tab, CR and LF are left out, as in every text-grid output.
//
// Texts whose left edges round to the same tenth of a millimetre share a column. The filter matches
// them within a tolerance of 1.0, as the spreadsheet does: without it every text of a column but
// the first to arrive would be lost, since positions carry fractions of a tenth (a right-aligned
// number's edge, a text of another font).
class TQRCommaSeparatedFilter : public TQRAbstractExportFilter {
public:
    explicit TQRCommaSeparatedFilter(const QString& fileName);

    static QString ClassName() { return QStringLiteral("TQRCommaSeparatedFilter"); }

    QString GetDescription() const override;
    QString GetExtension() const override;
    QString GetFilterName() const override;

    void StorePage() override;

    // The field separator of this export, "," unless set (a filter made through a TQRCSVFilter
    // component's entry takes the component's).
    QChar Separator() const noexcept { return separator_; }
    void SetSeparator(QChar separator) noexcept { separator_ = separator; }

private:
    QChar separator_ = QLatin1Char(',');
};

// Offers the comma-separated filter in the preview's save dialog for as long as it exists; the
// filters made through its entry separate their fields with its Separator.
class TQRCSVFilter : public TQRExportFilterComponent {
public:
    explicit TQRCSVFilter(TComponent* owner);

    std::string_view ClassName() const noexcept override { return "TQRCSVFilter"; }

    QChar Separator() const noexcept { return separator_; }
    void SetSeparator(QChar separator) noexcept { separator_ = separator; }
    void Configure(TQRExportFilter& filter) const override;

private:
    QChar separator_ = QLatin1Char(',');
};

} // namespace quorvel
