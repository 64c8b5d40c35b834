#pragma once

#include "platform/Alignment.h"
#include "platform/Font.h"
#include "report/pagestore/QrprntrFilter.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <vector>

namespace quorvel::testing {

// One text as a printable control hands it to a filter: position in tenths of a millimetre.
struct FilterText {
    double X = 0;
    double Y = 0;
    QString Text;
    TAlignment Alignment = TAlignment::taLeftJustify;
};
using FilterPage = std::vector<FilterText>;

// Feeds pages to a filter in the order a report run does: Start on an A4 page with the font,
// EndPage once before the first page, then NewPage, the page's texts and EndPage for every page.
// Finish is left to the caller, so that a run can span several reports.
inline void FeedPages(TQRExportFilter& filter, const std::vector<FilterPage>& pages,
                      const TFont& font = TFont(QStringLiteral("Arial"), 10)) {
    if (!filter.Started()) filter.Start(2100, 2970, font);
    filter.EndPage();
    for (const FilterPage& page : pages) {
        filter.NewPage();
        for (const FilterText& text : page)
            filter.TextOut(text.X, text.Y, font, clWhite, text.Alignment, text.Text);
        filter.EndPage();
    }
}

inline QByteArray FileBytes(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace quorvel::testing
