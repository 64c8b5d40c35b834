#include "platform/ui/DBControls.h"

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
    , link_([this] { Refresh(); }) {
    setReadOnly(true);
}

void TDBEdit::Refresh() {
    const QString text = FieldDisplayText(link_.Field());
    if (text != this->text()) setText(text);
    setCursorPosition(0);
}

TDBMemo::TDBMemo(QWidget* parent)
    : QPlainTextEdit(parent)
    , link_([this] { Refresh(); }) {
    setReadOnly(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void TDBMemo::Refresh() {
    QString text;
    if (const TStoreField* field = link_.Field()) {
        try {
            if (field->DataSet().State() != TTableState::Browse || !field->DataSet().IsEmpty())
                text = field->AsQString();
        } catch (const std::exception&) {
        }
    }
    if (text != toPlainText()) // keeps the scroll position while the text stays the same
        setPlainText(text);
}

TDBText::TDBText(QWidget* parent)
    : QLabel(parent)
    , link_([this] { Refresh(); }) {}

void TDBText::Refresh() {
    const QString text = FieldDisplayText(link_.Field());
    if (text != this->text()) setText(text);
}

} // namespace quorvel
