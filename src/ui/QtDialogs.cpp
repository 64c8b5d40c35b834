#include "ui/QtDialogs.h"

#include "ui/FolderChooser.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>

namespace quorvel {
namespace {

QWidget* DialogParent() {
    return QApplication::activeWindow();
}

QMessageBox::Icon ToQtIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Stop:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QStringList QtNameFilters(const QString& filter) {
    QStringList result;
    for (const FileFilter& f : ParseFileFilter(filter)) {
        const QString patterns = QString(f.pattern).replace(QLatin1Char(';'), QLatin1Char(' '));
        if (f.description.contains(QLatin1Char('(') + patterns + QLatin1Char(')')))
            result.push_back(f.description);
        else
            result.push_back(f.description.trimmed() + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    return result;
}

namespace {

// Whether a file name fits one of the patterns of a filter list ("PDF document (*.PDF)|*.PDF"),
// without regard to case; any name fits an empty list.
bool MatchesFilter(const QString& name, const QString& filter) {
    const std::vector<FileFilter> filters = ParseFileFilter(filter);
    if (filters.empty()) return true;
    for (const FileFilter& f : filters)
        for (const QString& pattern : f.pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts))
            if (QRegularExpression::fromWildcard(pattern.trimmed(), Qt::CaseInsensitive)
                    .match(name)
                    .hasMatch())
                return true;
    return false;
}

void Prepare(QFileDialog& dialog, const FileDialogOptions& options, const QString& lastFolder,
             const QString& lastName, const QStringList& nameFilters) {
    if (!options.title.isEmpty()) dialog.setWindowTitle(options.title);
    const QString folder = options.initialFolder.isEmpty() ? lastFolder : options.initialFolder;
    if (!folder.isEmpty()) dialog.setDirectory(folder);
    // The name last chosen is offered again only when the dialog's filters take it: a PDF just saved
    // is no name for a dialog that loads saved reports.
    const QString name = !options.fileName.isEmpty()               ? options.fileName
                         : MatchesFilter(lastName, options.filter) ? lastName
                                                                   : QString();
    if (!name.isEmpty()) dialog.selectFile(name);
    if (!nameFilters.isEmpty()) {
        dialog.setNameFilters(nameFilters);
        const int index = options.filterIndex >= 1 && options.filterIndex <= nameFilters.size()
                              ? options.filterIndex - 1
                              : 0;
        dialog.selectNameFilter(nameFilters[index]);
    }
    if (!options.defaultExtension.isEmpty()) dialog.setDefaultSuffix(options.defaultExtension);
}

QPrinter::DuplexMode ToQtDuplex(int code) {
    switch (code) {
    case 2:
        return QPrinter::DuplexLongSide;
    case 3:
        return QPrinter::DuplexShortSide;
    default:
        return QPrinter::DuplexNone;
    }
}

int FromQtDuplex(QPrinter::DuplexMode mode) {
    switch (mode) {
    case QPrinter::DuplexLongSide:
        return 2;
    case QPrinter::DuplexShortSide:
        return 3;
    default:
        return 1;
    }
}

} // namespace

void ApplyToPrinter(const PrintDialogSettings& s, QPrinter& printer) {
    if (!s.printerName.isEmpty()) printer.setPrinterName(s.printerName);
    printer.setCopyCount(std::max(1, s.copies));
    printer.setCollateCopies(s.collate);
    printer.setPageOrientation(s.orientation == PrintOrientation::Landscape ? QPageLayout::Landscape
                                                                            : QPageLayout::Portrait);
    printer.setPageSize(s.pageSize);
    printer.setDuplex(ToQtDuplex(s.duplexCode));
    printer.setPaperSource(static_cast<QPrinter::PaperSource>(s.outputBin));
    if (s.resolution > 0) printer.setResolution(s.resolution);
    printer.setColorMode(s.color ? QPrinter::Color : QPrinter::GrayScale);
    printer.setFromTo(s.fromPage, s.toPage);
    switch (s.range) {
    case PrintRange::All:
        printer.setPrintRange(QPrinter::AllPages);
        break;
    case PrintRange::Selection:
        printer.setPrintRange(QPrinter::Selection);
        break;
    case PrintRange::Pages:
        printer.setPrintRange(QPrinter::PageRange);
        break;
    }
}

void ReadFromPrinter(const QPrinter& printer, PrintDialogSettings& s) {
    s.printerName = printer.printerName();
    s.copies = std::max(1, printer.copyCount());
    s.collate = printer.collateCopies();
    s.printToFile = !printer.outputFileName().isEmpty();
    s.orientation = printer.pageLayout().orientation() == QPageLayout::Landscape ? PrintOrientation::Landscape
                                                                                 : PrintOrientation::Portrait;
    s.pageSize = printer.pageLayout().pageSize();
    s.duplexCode = FromQtDuplex(printer.duplex());
    s.outputBin = static_cast<int>(printer.paperSource());
    s.resolution = printer.resolution();
    s.color = printer.colorMode() == QPrinter::Color;
    switch (printer.printRange()) {
    case QPrinter::PageRange:
        s.range = PrintRange::Pages;
        s.fromPage = printer.fromPage();
        s.toPage = printer.toPage();
        break;
    case QPrinter::Selection:
        s.range = PrintRange::Selection;
        break;
    default:
        s.range = PrintRange::All;
        break;
    }
}

DialogAnswer QtDialogService::MessageBox(const QString& text, const QString& title, MessageIcon icon,
                                         MessageButtons buttons) {
    QMessageBox box(ToQtIcon(icon), title, text, QMessageBox::NoButton, DialogParent());
    if (buttons == MessageButtons::Ok) {
        box.addButton(QMessageBox::Ok);
        box.exec();
        return DialogAnswer::Ok;
    }
    QPushButton* yes = box.addButton(QStringLiteral("&Sim"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("&Não"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes ? DialogAnswer::Yes : DialogAnswer::No;
}

void QtDialogService::Remember(const QString& fileName) {
    const QFileInfo info(fileName);
    lastFolder_ = info.absolutePath();
    lastName_ = info.fileName();
}

std::optional<QString> QtDialogService::OpenFile(const FileDialogOptions& options) {
    QFileDialog dialog(DialogParent());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile); // a typed name of a missing file is the caller's to judge
    Prepare(dialog, options, lastFolder_, lastName_, QtNameFilters(options.filter));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const QString chosen = dialog.selectedFiles().constFirst();
    Remember(chosen);
    return chosen;
}

std::optional<SaveFileChoice> QtDialogService::SaveFile(const FileDialogOptions& options) {
    QFileDialog dialog(DialogParent());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (options.overwrite == FileDialogOptions::Overwrite::Silent)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QStringList nameFilters = QtNameFilters(options.filter);
    Prepare(dialog, options, lastFolder_, lastName_, nameFilters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    SaveFileChoice choice;
    choice.fileName = dialog.selectedFiles().constFirst();
    const qsizetype index = nameFilters.indexOf(dialog.selectedNameFilter());
    choice.filterIndex = index < 0 ? 1 : static_cast<int>(index) + 1;
    Remember(choice.fileName);
    return choice;
}

std::optional<QString> QtDialogService::ChooseFolder(const QString& caption, const QString& startFolder) {
    FolderChooser chooser(caption, startFolder, DialogParent());
    if (chooser.exec() != QDialog::Accepted) return std::nullopt;
    return chooser.ChosenPath();
}

bool QtDialogService::PrintDialog(PrintDialogSettings& settings) {
    QPrinter printer(QPrinter::HighResolution);
    ApplyToPrinter(settings, printer);
    QPrintDialog dialog(&printer, DialogParent());
    dialog.setMinMax(settings.minPage, settings.maxPage);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange);
    dialog.setOption(QAbstractPrintDialog::PrintCollateCopies);
    dialog.setOption(QAbstractPrintDialog::PrintToFile);
    if (dialog.exec() != QDialog::Accepted) return false;
    ReadFromPrinter(printer, settings);
    return true;
}

bool QtDialogService::PrintSetupDialog(PrintDialogSettings& settings) {
    QPrinter printer(QPrinter::HighResolution);
    ApplyToPrinter(settings, printer);
    QPageSetupDialog dialog(&printer, DialogParent());
    if (dialog.exec() != QDialog::Accepted) return false;
    ReadFromPrinter(printer, settings);
    return true;
}

QString QtDialogService::InputBox(const QString& caption, const QString& prompt, const QString& value) {
    bool accepted = false;
    const QString text =
        QInputDialog::getText(DialogParent(), caption, prompt, QLineEdit::Normal, value, &accepted);
    return accepted ? text : value;
}

} // namespace quorvel
