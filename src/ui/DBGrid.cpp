#include "ui/DBGrid.h"

#include "platform/ErrorDisplay.h"
#include "platform/Exceptions.h"
#include "store/StoreErrors.h"

#include <QApplication>
#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QStyledItemDelegate>

namespace quorvel {

// The grid's cell editor: a line edit that reports to the grid, which decides what the keys mean and
// when the typed text goes into the field.
class TDBGridDelegate final : public QStyledItemDelegate {
public:
    explicit TDBGridDelegate(TDBGrid& grid)
        : QStyledItemDelegate(&grid)
        , grid_(grid) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override {
        auto* editor = new QLineEdit(parent);
        editor->setFrame(false);
        if (const TStoreField* field = grid_.model_->ColumnField(index.column());
            field != nullptr && IsStringType(field->DataType()) && field->Size() > 0)
            editor->setMaxLength(field->Size());
        if (const QVariant align = index.data(Qt::TextAlignmentRole); align.isValid())
            editor->setAlignment(align.value<Qt::Alignment>());
        grid_.EditorOpened(editor, index);
        return editor;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* line = qobject_cast<QLineEdit*>(editor);
        if (line != nullptr && !line->isModified()) // never overwrite what the user is typing
            line->setText(index.data(Qt::EditRole).toString());
    }

    void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const override {
        grid_.CommitEditorGuarded();
    }

    void destroyEditor(QWidget* editor, const QModelIndex& index) const override {
        grid_.EditorClosed(editor);
        QStyledItemDelegate::destroyEditor(editor, index);
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        // A message box (a text refused by the field, say) takes the focus while it is up. The
        // editor keeps its text and stays open for the correction: losing the focus to it would
        // commit the text once more, report it a second time and close the editor.
        if (event->type() == QEvent::FocusOut)
            if (const QWidget* modal = QApplication::activeModalWidget();
                modal != nullptr && !modal->isAncestorOf(static_cast<QWidget*>(object)))
                return false;
        if (event->type() == QEvent::KeyPress) {
            auto& key = static_cast<QKeyEvent&>(*event);
            if (grid_.KeyPressFromEditor(key)) return true;
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    TDBGrid& grid_;
};

TDBGrid::TDBGrid(QWidget* parent)
    : QTableView(parent)
    , model_(new TDBGridModel(this))
    , delegate_(new TDBGridDelegate(*this)) {
    setModel(model_);
    setItemDelegate(delegate_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::DoubleClicked);
    setTabKeyNavigation(true);
    setWordWrap(false);
    // Rows have one height and no header: the current cell shows where the table is. (A header whose
    // texts follow the current record would be measured again at every move.)
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    verticalHeader()->hide();
    // Scrolling to the current row is done once per turn of the event loop (ScheduleScroll): a walk
    // over thousands of records would otherwise scroll the window's pixels at every step.
    setAutoScroll(false);
    horizontalHeader()->setHighlightSections(false);
    model_->AfterTableChange = [this](TableChange kind) { AfterTableChange(kind); };
    model_->OnUpdateData = [this] { CommitEditor(); };
}

TDBGrid::~TDBGrid() {
    model_->AfterTableChange = nullptr;
    model_->OnUpdateData = nullptr;
}

void TDBGrid::SetDataSource(TDataSource* source) {
    model_->SetDataSource(source);
}

void TDBGrid::SetColumns(std::vector<TDBGridColumn> columns) {
    model_->SetColumns(std::move(columns));
    ApplyColumnWidths();
    SyncCurrentRow();
}

void TDBGrid::SetColumnTitle(int column, const QString& title) {
    model_->SetColumnTitle(column, title);
}

int TDBGrid::SelectedIndex() const {
    return currentIndex().isValid() ? currentIndex().column() : 0;
}

TStoreField* TDBGrid::SelectedField() const {
    return model_->ColumnField(SelectedIndex());
}

void TDBGrid::ApplyColumnWidths() {
    const auto& columns = model_->Columns();
    for (std::size_t i = 0; i < columns.size(); ++i)
        setColumnWidth(static_cast<int>(i), columns[i].Width);
}

void TDBGrid::keyboardSearch(const QString&) {
    // Typing in a read-only column must not move the table: searching is the OnKeyPress handler's.
}

bool TDBGrid::FilterKey(QKeyEvent& event, std::unique_ptr<QKeyEvent>& replacement) {
    if (event.text().isEmpty() || !OnKeyPress) return true;
    const QChar original = event.text().at(0);
    QChar key = original;
    OnKeyPress(*this, key);
    if (key.isNull()) {
        event.accept();
        return false;
    }
    if (key != original)
        replacement = std::make_unique<QKeyEvent>(event.type(), event.key(), event.modifiers(), QString(key),
                                                  event.isAutoRepeat(), event.count());
    return true;
}

void TDBGrid::keyPressEvent(QKeyEvent* event) {
    RunGuarded([&] {
        std::unique_ptr<QKeyEvent> replacement;
        if (!FilterKey(*event, replacement)) return;
        HandleKey(replacement ? *replacement : *event);
    });
}

std::optional<TDBGrid::Direction> TDBGrid::LeavingKey(const QKeyEvent& event) {
    if (!event.modifiers().testFlag(Qt::ControlModifier)) return std::nullopt;
    if (event.key() == Qt::Key_Backtab) return Direction::Backward;
    if (event.key() != Qt::Key_Tab) return std::nullopt;
    return event.modifiers().testFlag(Qt::ShiftModifier) ? Direction::Backward : Direction::Forward;
}

bool TDBGrid::LeaveGrid(Direction direction) {
    if (editor_) {
        if (!CommitEditorGuarded()) return false;
        CloseEditorDiscarding();
    }
    setFocus(Qt::OtherFocusReason);
    // The widget's own focus chain: the item view's would move from cell to cell instead.
    QWidget::focusNextPrevChild(direction == Direction::Forward);
    return true;
}

void TDBGrid::HandleKey(QKeyEvent& event) {
    if (const std::optional<Direction> leaving = LeavingKey(event)) {
        LeaveGrid(*leaving);
        event.accept();
        return;
    }
    TStoreTable* table = Table();
    const bool plain = (event.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (table != nullptr && plain) {
        const TTableState state = table->State();
        const bool editing = state == TTableState::Edit || state == TTableState::Insert;
        switch (event.key()) {
        case Qt::Key_Down:
            if (model_->rowCount() == 0 || currentIndex().row() == model_->rowCount() - 1) {
                TryAppend();
                event.accept();
                return;
            }
            break;
        case Qt::Key_Insert:
            table->Insert();
            event.accept();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (editing) table->Post();
            MoveToEditableCell(Direction::Forward);
            event.accept();
            return;
        case Qt::Key_Escape:
            if (editing) table->Cancel();
            event.accept();
            return;
        default:
            break;
        }
    }
    if (table != nullptr && (event.key() == Qt::Key_Tab || event.key() == Qt::Key_Backtab) &&
        HasEditableColumn()) {
        const bool back = event.key() == Qt::Key_Backtab || event.modifiers().testFlag(Qt::ShiftModifier);
        MoveToEditableCell(back ? Direction::Backward : Direction::Forward);
        event.accept();
        return;
    }
    forwardingKey_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{forwardingKey_};
    QTableView::keyPressEvent(&event);
}

void TDBGrid::TryAppend() {
    TStoreTable* table = Table();
    if (table == nullptr) return;
    if (table->State() == TTableState::Insert && !table->Modified())
        return;      // already on an untouched new record
    table->Append(); // a refusing BeforeInsert raises the silent abort
}

bool TDBGrid::HasEditableColumn() const {
    for (int column = 0; column < model_->columnCount(); ++column)
        if (model_->ColumnEditable(column)) return true;
    return false;
}

bool TDBGrid::MoveToEditableCell(Direction direction) {
    const QModelIndex now = currentIndex();
    const int rows = model_->rowCount();
    const int columns = model_->columnCount();
    if (!now.isValid() || rows == 0) return false;
    const int step = direction == Direction::Forward ? 1 : -1;
    int row = now.row();
    int column = now.column() + step;
    // The rest of this row, then the adjacent row from its first (or last) column.
    for (int pass = 0; pass < 2; ++pass) {
        for (; column >= 0 && column < columns; column += step)
            if (model_->ColumnEditable(column)) {
                setCurrentIndex(model_->index(row, column));
                return true;
            }
        row += step;
        if (row < 0 || row >= rows) return false;
        column = direction == Direction::Forward ? 0 : columns - 1;
    }
    return false;
}

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous); // commits and closes an open editor
    if (current.isValid()) ScheduleScroll();
    if (syncing_ || !current.isValid() || (previous.isValid() && current.row() == previous.row())) return;
    TStoreTable* table = Table();
    if (table == nullptr || current.row() == table->CurrentViewIndex()) return;
    const int target = current.row();
    RunGuarded([&] {
        int row = target;
        if (table->State() == TTableState::Insert && !table->Modified()) {
            // Leaving an untouched new record drops it, as if it had never been added.
            const int inserted = table->CurrentViewIndex();
            table->Cancel();
            if (inserted >= 0 && inserted < row) --row;
        } else if (table->State() == TTableState::Edit || table->State() == TTableState::Insert) {
            table->Post();
        }
        if (row < table->ViewCount()) table->SetRecNo(row + 1);
    });
    SyncCurrentRow();
}

bool TDBGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    TStoreTable* table = Table();
    if (trigger != QAbstractItemView::AllEditTriggers && trigger != QAbstractItemView::NoEditTriggers &&
        (table == nullptr || !index.isValid() || index.row() != table->CurrentViewIndex() ||
         !model_->ColumnEditable(index.column())))
        return false;
    return QTableView::edit(index, trigger, event);
}

void TDBGrid::AfterTableChange(TableChange kind) {
    if (kind == TableChange::ActiveChanged) ApplyColumnWidths();
    TStoreTable* table = Table();
    if (editor_ && (table == nullptr || table->CurrentViewIndex() != editorRow_ ||
                    (kind == TableChange::StateChanged && table->State() == TTableState::Browse)))
        CloseEditorDiscarding(); // the table posted, cancelled or moved on without this editor
    SyncCurrentRow();
}

void TDBGrid::SyncCurrentRow() {
    TStoreTable* table = Table();
    if (table == nullptr || model_->rowCount() == 0 || model_->columnCount() == 0) return;
    const int row = table->CurrentViewIndex();
    if (row < 0 || row >= model_->rowCount()) return;
    const QModelIndex now = currentIndex();
    if (now.isValid() && now.row() == row) return;
    const int column = now.isValid() ? now.column() : 0;
    syncing_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{syncing_};
    setCurrentIndex(model_->index(row, column));
}

void TDBGrid::ScheduleScroll() {
    if (scrollPending_) return;
    scrollPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            scrollPending_ = false;
            if (currentIndex().isValid()) scrollTo(currentIndex());
        },
        Qt::QueuedConnection);
}

void TDBGrid::EditorOpened(QLineEdit* editor, const QModelIndex& index) {
    editor_ = editor;
    editorRow_ = index.row();
    editorColumn_ = index.column();
    connect(editor, &QLineEdit::textEdited, this, [this] { EditorTextEdited(); });
}

void TDBGrid::EditorClosed(QWidget* editor) {
    if (editor_ == editor) editor_ = nullptr;
}

void TDBGrid::EditorTextEdited() {
    TStoreTable* table = Table();
    if (table == nullptr || table->State() != TTableState::Browse) return;
    const bool started = RunGuarded([&] { table->Edit(); });
    if (!started || (table->State() != TTableState::Edit && table->State() != TTableState::Insert))
        CloseEditorDiscarding();
}

void TDBGrid::CommitEditor() {
    if (!editor_ || !editor_->isModified()) return;
    TStoreTable* table = Table();
    if (table == nullptr || table->CurrentViewIndex() != editorRow_ ||
        (table->State() != TTableState::Edit && table->State() != TTableState::Insert))
        return; // the text belongs to a record the table is no longer editing
    TStoreField* field = model_->ColumnField(editorColumn_);
    if (field == nullptr) return;
    QString text = editor_->text();
    if (IsNumericType(field->DataType())) {
        const QLocale locale;
        text = StripThousandsGrouping(text, locale.groupSeparator().at(0), locale.decimalPoint().at(0));
    }
    try {
        field->SetText(text);
    } catch (const EStoreError& e) {
        // A number too large for the field: say so, rather than show the store's bare code.
        throw EDatabaseError(QStringLiteral("O valor \"%1\" não pôde ser gravado em \"%2\": %3")
                                 .arg(text, field->DisplayLabel(), DescribeStoreError(e)));
    }
    if (editor_) editor_->setModified(false);
}

bool TDBGrid::CommitEditorGuarded() {
    return RunGuarded([this] { CommitEditor(); });
}

void TDBGrid::CloseEditorDiscarding() {
    QPointer<QLineEdit> editor = editor_;
    if (!editor) return;
    editor->setModified(false);
    editor_ = nullptr;
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

bool TDBGrid::PostFromEditor() {
    TStoreTable* table = Table();
    const bool posted = RunGuarded([&] {
        if (table == nullptr) return;
        if (table->State() == TTableState::Edit || table->State() == TTableState::Insert)
            table->Post(); // takes the editor's text first (UpdateData)
    });
    if (posted) CloseEditorDiscarding();
    return posted;
}

void TDBGrid::CancelFromEditor() {
    CloseEditorDiscarding();
    TStoreTable* table = Table();
    if (table != nullptr && (table->State() == TTableState::Edit || table->State() == TTableState::Insert))
        RunGuarded([table] { table->Cancel(); });
}

void TDBGrid::KeyFromEditor(QKeyEvent& event) {
    if (!CommitEditorGuarded()) return; // the text is not a value of the field: stay in the editor
    RunGuarded([&] { HandleKey(event); });
}

bool TDBGrid::KeyPressFromEditor(QKeyEvent& event) {
    if (!forwardingKey_) { // a key that opened the editor has already been through OnKeyPress
        std::unique_ptr<QKeyEvent> replacement;
        bool goOn = true;
        RunGuarded([&] { goOn = FilterKey(event, replacement); });
        if (!goOn) return true;
        if (replacement) {
            forwardingKey_ = true;
            struct Reset {
                bool& flag;
                ~Reset() { flag = false; }
            } reset{forwardingKey_};
            if (editor_) QCoreApplication::sendEvent(editor_.data(), replacement.get());
            return true;
        }
    }
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (PostFromEditor()) MoveToEditableCell(Direction::Forward);
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
        if (const std::optional<Direction> leaving = LeavingKey(event)) {
            LeaveGrid(*leaving);
            return true;
        }
        if (!HasEditableColumn()) return false;
        // Text that is no value of the field keeps the editor open, as for the arrow keys.
        if (!CommitEditorGuarded()) return true;
        const bool back = event.key() == Qt::Key_Backtab || event.modifiers().testFlag(Qt::ShiftModifier);
        MoveToEditableCell(back ? Direction::Backward : Direction::Forward);
        return true;
    }
    case Qt::Key_Escape:
        CancelFromEditor();
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        KeyFromEditor(event);
        return true;
    default:
        return false;
    }
}

} // namespace quorvel
