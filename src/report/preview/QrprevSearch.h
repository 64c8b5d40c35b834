#pragma once

#include <QDialog>
#include <QString>

#include <memory>
#include <optional>

namespace Ui {
class TSearchDlg;
}

namespace quorvel {

class TMetafile;

// True when one text record of the picture holds text as a substring. Characters are compared by
// their low byte, as the page's single-byte text; without matchCase both sides are upper-cased.
// Calls are serialised: a call that finds another running waits for it, letting window messages run.
bool StrInMetafile(const QString& text, const TMetafile& picture, bool matchCase);

// What the search dialog asks for.
struct TSearchRequest {
    QString Text;
    bool MatchCase = false;
};

// The preview's text search dialog: the text, "Match case", and Search or Cancel.
class TSearchDlg : public QDialog {
    Q_OBJECT
public:
    explicit TSearchDlg(QWidget* parent = nullptr);
    ~TSearchDlg() override;

    bool Cancelled() const noexcept { return cancelled_; }
    TSearchRequest Request() const;
    Ui::TSearchDlg& Form() noexcept { return *ui_; }

    // Runs the dialog modally; the request unless cancelled.
    static std::optional<TSearchRequest> Ask(QWidget* parent);

private:
    void FormCreate();

    std::unique_ptr<Ui::TSearchDlg> ui_;
    bool cancelled_ = true;
};

} // namespace quorvel
