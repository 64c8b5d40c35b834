#pragma once

#include "ui/DBGridModel.h"

#include <QPointer>
#include <QTableView>

#include <functional>
#include <optional>

class QLineEdit;

namespace quorvel {

class TDBGridDelegate;

// A data grid over a table: one row per visible record, the table's current record as the grid's
// current row, both moving together. Typing into an editable cell opens an editor on it; the first
// change puts the table into edit state; Enter or leaving the row posts, Escape cancels. Tab and Enter
// move on to the next editable cell, skipping read-only columns and going on into the next row
// (Shift+Tab goes back); a grid without editable columns keeps the plain cell-by-cell moves. Ctrl+Tab
// and Ctrl+Shift+Tab leave the grid for the next or previous control of the window. The editor
// text is read through the field's edit format and the locale, so "10,5" typed in pt_BR is 10.5.
// Character keys reach OnKeyPress before the grid handles them. Moving down from the last row tries
// an append (which the table's BeforeInsert may refuse silently). Failures show in the standard error
// display; the grid then shows where the table really is.
class TDBGrid : public QTableView {
public:
    explicit TDBGrid(QWidget* parent = nullptr);
    ~TDBGrid() override;

    TDataSource* DataSource() const { return model_->DataSource(); }
    void SetDataSource(TDataSource* source);

    const std::vector<TDBGridColumn>& Columns() const { return model_->Columns(); }
    void SetColumns(std::vector<TDBGridColumn> columns);
    void SetColumnTitle(int column, const QString& title);

    // The current column and the field it shows (nullptr while the table is closed).
    int SelectedIndex() const;
    TStoreField* SelectedField() const;

    TDBGridModel& Model() const { return *model_; }
    // True while a cell editor is open.
    bool EditorMode() const { return !editor_.isNull(); }
    QLineEdit* Editor() const { return editor_.data(); }

    // Sees every character key (letters, digits, Backspace, Enter, Escape…) before the grid or its
    // editor handles it; setting the key to QChar() consumes it, changing it replaces it.
    std::function<void(TDBGrid&, QChar& key)> OnKeyPress;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void keyboardSearch(const QString& search) override;

private:
    friend class TDBGridDelegate;

    TStoreTable* Table() const { return model_->Table(); }
    // Runs OnKeyPress; returns the event to go on with (itself, a replacement, or nullptr if consumed).
    bool FilterKey(QKeyEvent& event, std::unique_ptr<QKeyEvent>& replacement);
    void HandleKey(QKeyEvent& event);
    void TryAppend();
    enum class Direction { Forward, Backward };
    bool HasEditableColumn() const;
    // Makes the next (or previous) editable cell current, in this row or the adjacent one; false when
    // there is none, which leaves the current cell as it is.
    bool MoveToEditableCell(Direction direction);
    // Ctrl+Tab, Ctrl+Shift+Tab: the direction to leave the grid in, or none for any other key.
    static std::optional<Direction> LeavingKey(const QKeyEvent& event);
    // Takes the editor's text (false, editor kept, when the field refuses it), closes the editor and
    // gives the focus to the window's next or previous control.
    bool LeaveGrid(Direction direction);
    void AfterTableChange(TableChange kind);
    void SyncCurrentRow();
    void ScheduleScroll();
    void ApplyColumnWidths();

    // Editor protocol, used by the delegate.
    void EditorOpened(QLineEdit* editor, const QModelIndex& index);
    void EditorClosed(QWidget* editor);
    void EditorTextEdited();
    void CommitEditor();
    bool CommitEditorGuarded();
    void CloseEditorDiscarding();
    bool PostFromEditor();
    void CancelFromEditor();
    void KeyFromEditor(QKeyEvent& event);
    bool KeyPressFromEditor(QKeyEvent& event);

    TDBGridModel* model_;
    TDBGridDelegate* delegate_;
    QPointer<QLineEdit> editor_;
    int editorRow_ = -1;
    int editorColumn_ = -1;
    bool syncing_ = false;
    bool forwardingKey_ = false;
    bool scrollPending_ = false;
};

} // namespace quorvel
