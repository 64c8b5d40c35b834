#include "report/preview/QrprevSearch.h"

#include "platform/EventLoop.h"
#include "platform/MetafileEnumerator.h"

#include "ui_QrprevSearch.h"

namespace quorvel {

namespace {

bool searching = false;

// The characters' low bytes, as the page's single-byte text has them, upper-cased for a search
// that ignores case (by the Latin-1 letters' own upper-case forms where they have one there).
void SingleBytes(QStringView text, bool upper, QByteArray& bytes) {
    bytes.resize(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        char16_t c = text[i].unicode() & 0xFF;
        if (upper) {
            const char16_t up = QChar::toUpper(c);
            if (up <= 0xFF) c = up;
        }
        bytes[i] = static_cast<char>(c);
    }
}

} // namespace

bool StrInMetafile(const QString& text, const TMetafile& picture, bool matchCase) {
    while (searching)
        ProcessPendingMessages();
    searching = true;
    struct Done {
        ~Done() { searching = false; }
    } done;
    QByteArray wanted;
    SingleBytes(text, !matchCase, wanted);
    QByteArray line;
    bool found = false;
    EnumerateMetafileText(picture, [&](const TMetafileText& record) {
        SingleBytes(record.Text, !matchCase, line);
        found = line.contains(wanted);
        return !found;
    });
    return found;
}

TSearchDlg::TSearchDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , ui_(std::make_unique<Ui::TSearchDlg>()) {
    ui_->setupUi(this);
    FormCreate();
    connect(ui_->SpeedButton2, &QPushButton::clicked, this, [this] {
        cancelled_ = false;
        close();
    });
    connect(ui_->SpeedButton1, &QPushButton::clicked, this, [this] {
        cancelled_ = true;
        close();
    });
}

TSearchDlg::~TSearchDlg() = default;

void TSearchDlg::FormCreate() {
    ui_->Label1->setText(QStringLiteral("Search Text"));
    ui_->CheckBox1->setText(QStringLiteral("Match case"));
    ui_->SpeedButton2->setText(QStringLiteral("Search"));
    ui_->SpeedButton1->setText(QStringLiteral("Cancel"));
    setWindowTitle(QStringLiteral("Search for Text"));
}

TSearchRequest TSearchDlg::Request() const {
    return {ui_->Edit1->text(), ui_->CheckBox1->isChecked()};
}

std::optional<TSearchRequest> TSearchDlg::Ask(QWidget* parent) {
    TSearchDlg dialog(parent);
    dialog.exec();
    if (dialog.Cancelled()) return std::nullopt;
    return dialog.Request();
}

} // namespace quorvel
