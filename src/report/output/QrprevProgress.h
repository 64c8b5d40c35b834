#pragma once

#include "report/QuickrptPreview.h"

#include <QDialog>

#include <memory>

namespace Ui {
class TQRProgressForm;
}

namespace quorvel {

class TQRPrinter;

// The small window that shows how far printing has come. It is the page store's preview control
// while it is shown, so the page store's progress messages reach it; Cancel cancels the page store.
class TQRProgressForm : public QDialog {
    Q_OBJECT
public:
    explicit TQRProgressForm(TQRPrinter& pageStore, QWidget* parent = nullptr);
    ~TQRProgressForm() override;

    Ui::TQRProgressForm& Form() noexcept { return *ui_; }
    // The gauge at a percentage and the label saying so ("40%  Completed").
    void ShowProgress(int progress);

protected:
    bool event(QEvent* event) override;

private:
    void ProgressUpdate();

    TQRPrinter& pageStore_;
    std::unique_ptr<Ui::TQRProgressForm> ui_;
};

// The progress window the report engine shows while it prints or exports: a TQRProgressForm.
class TQRStandardProgressWindow : public TQRProgressWindow {
public:
    explicit TQRStandardProgressWindow(TQRPrinter& pageStore);
    ~TQRStandardProgressWindow() override;

    void SetCaption(const QString& caption) override;
    void Show() override;
    QObject* Receiver() override;
    TQRProgressForm& Form() noexcept { return *form_; }

private:
    std::unique_ptr<TQRProgressForm> form_;
};

} // namespace quorvel
