#include "ui/DBControls.h"

namespace quorvel {

QString FieldDisplayText(const TStoreField* field) {
    if (field == nullptr) return {};
    try {
        if (!field->IsAggregate() && field->DataSet().State() == TTableState::Browse &&
            field->DataSet().IsEmpty())
            return {};
        return field->DisplayText();
    } catch (const std::exception&) {
        // A control only shows values; a value that cannot be read shows as nothing.
        return {};
    }
}

TDBEdit::TDBEdit(QWidget* parent)
    : QLineEdit(parent)
    , TFieldBoundControl([this] { Refresh(); }) {
    setReadOnly(true);
}

void TDBEdit::Refresh() {
    const QString text = FieldDisplayText(Field());
    if (text != this->text()) {
        setText(text);
        setCursorPosition(0); // show the start of a long value
    }
}

TDBMemo::TDBMemo(QWidget* parent)
    : QPlainTextEdit(parent)
    , TFieldBoundControl([this] { ScheduleRefresh(); }) {
    setReadOnly(true);
    setUndoRedoEnabled(false); // a display keeps no history of what it showed
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void TDBMemo::Refresh() {
    QString text;
    if (const TStoreField* field = Field()) {
        try {
            if (field->DataSet().State() != TTableState::Browse || !field->DataSet().IsEmpty())
                text = field->AsQString();
        } catch (const std::exception&) {
        }
    }
    if (text != shown_) { // keeps the scroll position while the text stays the same
        shown_ = text;
        setPlainText(text);
    }
}

void TDBMemo::ScheduleRefresh() {
    if (refreshPending_) return;
    refreshPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            refreshPending_ = false;
            Refresh();
        },
        Qt::QueuedConnection);
}

TDBText::TDBText(QWidget* parent)
    : QLabel(parent)
    , TFieldBoundControl([this] { Refresh(); }) {}

void TDBText::Refresh() {
    const QString text = FieldDisplayText(Field());
    if (text != this->text()) setText(text);
}

} // namespace quorvel
