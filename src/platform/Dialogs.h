#pragma once

#include <QPageSize>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace quorvel {

enum class MessageIcon { Warning, Question, Information, Stop };
enum class MessageButtons { Ok, YesNo };
enum class DialogAnswer { Ok, Yes, No };

// Options of the file open and save dialogs. The filter list is the classic "|"-separated text of
// description and pattern pairs ("PDF document (*.PDF)|*.PDF|HTML document (*.HTM)|*.HTM"); filter
// indexes count from 1. Empty fields leave the dialog's own choice (its last folder and name).
struct FileDialogOptions {
    QString title;
    QString initialFolder;
    QString fileName;
    QString filter;
    int filterIndex = 1;
    QString defaultExtension; // without the dot; added to a typed name that has no extension
    enum class Overwrite { Silent, Prompt } overwrite = Overwrite::Silent;
};

struct SaveFileChoice {
    QString fileName;
    int filterIndex = 1;
};

enum class PrintRange { All, Selection, Pages };
enum class PrintOrientation { Portrait, Landscape };

// What the print and print-setup dialogs start from and, when accepted, hand back. The printer is
// named (empty: the system's default printer). Page numbers count from 1; min/max bound the range the
// user may type. The duplex code is 1 for one-sided, 2 for long-edge and 3 for short-edge printing.
struct PrintDialogSettings {
    QString printerName;
    PrintRange range = PrintRange::All;
    int minPage = 0;
    int maxPage = 9999;
    int fromPage = 0;
    int toPage = 0;
    int copies = 1;
    bool collate = false;
    bool printToFile = false;
    PrintOrientation orientation = PrintOrientation::Portrait;
    QPageSize pageSize = QPageSize(QPageSize::A4);
    int duplexCode = 1;
    int outputBin = 0;  // the printer's paper source number
    int resolution = 0; // dots per inch; 0 = the printer's default
    bool color = true;
};

// The program's dialogs: message boxes, file choosers, the folder chooser and the print dialogs. Every
// window of the program reaches them through Dialogs(), so that a scripted implementation can stand in
// for the real one in tests and record every call.
class DialogService {
public:
    virtual ~DialogService() = default;

    // Shows a message box and returns the button pressed; closing a Yes/No box otherwise answers No.
    virtual DialogAnswer MessageBox(const QString& text, const QString& title, MessageIcon icon,
                                    MessageButtons buttons) = 0;

    // The chosen file, or nothing when cancelled. The open dialog accepts a typed name of a file that
    // does not exist.
    virtual std::optional<QString> OpenFile(const FileDialogOptions& options) = 0;
    virtual std::optional<SaveFileChoice> SaveFile(const FileDialogOptions& options) = 0;

    // The folder chooser: the user picks a folder or types the path of one. A typed folder that does
    // not exist is created, with its missing parents, after a Yes to the question whether to create it.
    // Returns the folder, or nothing when the chooser was cancelled, the user answered No, or the
    // folder could not be created (which is reported in a message box).
    std::optional<QString> SelectDirectory(const QString& caption, const QString& startFolder);

    // The system print and print-setup dialogs; settings are read as the starting values and, when the
    // user accepts (true), replaced by the choices.
    virtual bool PrintDialog(PrintDialogSettings& settings) = 0;
    virtual bool PrintSetupDialog(PrintDialogSettings& settings) = 0;

    // A one-line prompt titled caption, pre-filled with value: the text typed when accepted, value
    // itself when cancelled.
    virtual QString InputBox(const QString& caption, const QString& prompt, const QString& value) = 0;

protected:
    // The bare chooser: returns the picked or typed path (which may not exist), or nothing.
    virtual std::optional<QString> ChooseFolder(const QString& caption, const QString& startFolder) = 0;
};

// The process-wide current dialog service. The program installs its implementation once at start-up
// (the application object does it); tests install a scripted one with ScopedDialogService. Throws
// Exception when none is installed.
DialogService& Dialogs();
DialogService* CurrentDialogService() noexcept;
void SetDialogService(DialogService* service) noexcept;

// Installs a service for the lifetime of this object and restores the previous one afterwards.
class ScopedDialogService {
public:
    explicit ScopedDialogService(DialogService& service) noexcept;
    ~ScopedDialogService();
    ScopedDialogService(const ScopedDialogService&) = delete;
    ScopedDialogService& operator=(const ScopedDialogService&) = delete;

private:
    DialogService* previous_;
};

// Splits a "|"-separated filter text into its (description, pattern) pairs; a trailing description
// without pattern is dropped.
struct FileFilter {
    QString description;
    QString pattern;
};
std::vector<FileFilter> ParseFileFilter(const QString& filter);

} // namespace quorvel
