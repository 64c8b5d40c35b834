// Rich text: its plain text, laid out and printed like a word-wrapped memo.

#include "report/controls/Qrctrls.h"

#include "platform/CodePage.h"
#include "report/engine/DataSetComponent.h"
#include "store/StoreField.h"
#include "store/StoreTable.h"

namespace quorvel {

namespace {

// Groups whose text is not part of the document's text.
bool IsHiddenDestination(QStringView word) {
    static const char* const hidden[] = {
        "fonttbl",   "colortbl",  "stylesheet",        "info",    "pict",      "header",  "footer", "object",
        "themedata", "listtable", "listoverridetable", "rsidtbl", "generator", "xmlnstbl"};
    for (const char* name : hidden)
        if (word == QLatin1StringView(name)) return true;
    return false;
}

int HexValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

} // namespace

QStringList RichTextParagraphs(const QString& text) {
    if (!text.startsWith(QLatin1String("{\\rtf"))) {
        QString normal = text;
        normal.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        normal.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        return normal.split(QLatin1Char('\n'));
    }
    QStringList paragraphs;
    QString current;
    // One entry per open group: whether its text is hidden. Kept as a list, never as recursion, so
    // deeply nested input cannot exhaust the stack.
    std::vector<bool> hidden{false};
    int skipAfterUnicode = 0;
    int unicodeSkip = 1;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = text[i];
        if (c == QLatin1Char('{')) {
            hidden.push_back(hidden.back());
            ++i;
            continue;
        }
        if (c == QLatin1Char('}')) {
            if (hidden.size() > 1) hidden.pop_back();
            ++i;
            continue;
        }
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            ++i;
            continue;
        }
        if (c != QLatin1Char('\\')) {
            if (skipAfterUnicode > 0)
                --skipAfterUnicode;
            else if (!hidden.back())
                current += c;
            ++i;
            continue;
        }
        // A control symbol or word.
        if (i + 1 >= n) break;
        const QChar next = text[i + 1];
        if (next == QLatin1Char('\\') || next == QLatin1Char('{') || next == QLatin1Char('}')) {
            if (!hidden.back()) current += next;
            i += 2;
            continue;
        }
        if (next == QLatin1Char('*')) {
            hidden.back() = true;
            i += 2;
            continue;
        }
        if (next == QLatin1Char('\'')) {
            const int high = i + 2 < n ? HexValue(text[i + 2]) : -1;
            const int low = i + 3 < n ? HexValue(text[i + 3]) : -1;
            i += 2;
            if (high >= 0 && low >= 0) {
                i += 2;
                if (skipAfterUnicode > 0)
                    --skipAfterUnicode;
                else if (!hidden.back())
                    current += Cp1252ToQString(std::string(1, char(high * 16 + low)));
            }
            continue;
        }
        if (!next.isLetter()) {
            i += 2;
            continue;
        }
        qsizetype end = i + 1;
        while (end < n && text[end].isLetter() && end - i < 32)
            ++end;
        const QStringView word = QStringView(text).mid(i + 1, end - i - 1);
        bool negative = false;
        if (end < n && text[end] == QLatin1Char('-')) {
            negative = true;
            ++end;
        }
        long long parameter = 0;
        bool hasParameter = false;
        while (end < n && text[end].isDigit()) {
            if (parameter < 1000000) parameter = parameter * 10 + text[end].digitValue();
            hasParameter = true;
            ++end;
        }
        if (negative) parameter = -parameter;
        if (end < n && text[end] == QLatin1Char(' ')) ++end;
        i = end;
        if (IsHiddenDestination(word)) {
            hidden.back() = true;
        } else if (word == QLatin1String("par") || word == QLatin1String("line")) {
            if (!hidden.back()) {
                paragraphs.append(current);
                current.clear();
            }
        } else if (word == QLatin1String("tab")) {
            if (!hidden.back()) current += QLatin1Char('\t');
        } else if (word == QLatin1String("uc") && hasParameter) {
            unicodeSkip = int(std::clamp<long long>(parameter, 0, 10));
        } else if (word == QLatin1String("u") && hasParameter) {
            if (!hidden.back()) {
                const auto unit = char16_t(parameter < 0 ? parameter + 65536 : parameter);
                current += QChar(unit);
            }
            skipAfterUnicode = unicodeSkip;
        }
    }
    if (!current.isEmpty() || paragraphs.isEmpty()) paragraphs.append(current);
    return paragraphs;
}

TQRRichText::TQRRichText(TComponent* owner)
    : TQRCustomLabel(owner) {
    SetAutoSize(false);
}

TQRRichText::~TQRRichText() = default;

void TQRRichText::SetRichLines(const QStringList& lines) {
    richLines_ = lines;
}

void TQRRichText::SetParentRichEdit(TComponent* component) {
    parentRichEdit_ = component;
    if (component) FreeNotification(*component);
}

void TQRRichText::Notification(TComponent& component, TOperation operation) {
    TQRCustomLabel::Notification(component, operation);
    if (operation == TOperation::opRemove && &component == parentRichEdit_) parentRichEdit_ = nullptr;
}

QStringList TQRRichText::Paragraphs() {
    return RichTextParagraphs(richLines_.join(QLatin1String("\r\n")));
}

void TQRRichText::Print(int ofsX, int ofsY) {
    if (!IsEnabled()) return;
    if (!IsPrinting()) Prepare();
    const QStringList paragraphs = Paragraphs();
    if (paragraphs != Lines()) MutableLines() = paragraphs;
    TQRCustomLabel::Print(ofsX, ofsY);
}

void TQRRichText::GetExpandedHeight(double& height) {
    const QStringList paragraphs = Paragraphs();
    if (paragraphs != Lines()) MutableLines() = paragraphs;
    FormattedHeight(height);
}

TQRDBRichText::TQRDBRichText(TComponent* owner)
    : TQRRichText(owner) {}

TQRDBRichText::~TQRDBRichText() = default;

void TQRDBRichText::SetDataSet(TDataSetComponent* dataSet) {
    dataSet_ = dataSet;
    if (dataSet) FreeNotification(*dataSet);
}

void TQRDBRichText::Notification(TComponent& component, TOperation operation) {
    TQRRichText::Notification(component, operation);
    if (operation == TOperation::opRemove && &component == dataSet_) dataSet_ = nullptr;
}

void TQRDBRichText::GetFieldString(QString& text) {
    text.clear();
    TStoreTable* table = dataSet_ ? dataSet_->Table() : nullptr;
    if (!table || !dataSet_->Active()) return;
    try {
        if (const TStoreField* field = table->FindField(DataField())) text = field->AsQString();
    } catch (const Exception&) {
        text.clear();
    }
}

QStringList TQRDBRichText::Paragraphs() {
    QString text;
    GetFieldString(text);
    return RichTextParagraphs(text);
}

} // namespace quorvel
