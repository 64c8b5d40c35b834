#pragma once

#include "ui/DataSource.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <functional>
#include <utility>

namespace quorvel {

// Read-only displays of one field of a table's current record. Each follows the table through its
// data source: a move, a post, a cancel or an assignment shows the new value at once, and a closed
// table (or a missing field) shows nothing. Placed in forms as promoted standard widgets.

// The binding the display controls share: the data source and field name they show, and the field
// itself while its table is open and has it. `changed` runs whenever the shown value may differ.
class TFieldBoundControl {
public:
    TDataSource* DataSource() const { return link_.DataSource(); }
    void SetDataSource(TDataSource* source) { link_.SetDataSource(source); }
    const QString& DataField() const { return link_.FieldName(); }
    void SetDataField(const QString& name) { link_.SetFieldName(name); }
    TStoreField* Field() const { return link_.Field(); }

protected:
    explicit TFieldBoundControl(std::function<void()> changed)
        : link_(std::move(changed)) {}
    ~TFieldBoundControl() = default;
    TFieldBoundControl(const TFieldBoundControl&) = delete;
    TFieldBoundControl& operator=(const TFieldBoundControl&) = delete;

private:
    TFieldDataLink link_;
};

// One line, the field's display text.
class TDBEdit : public QLineEdit, public TFieldBoundControl {
public:
    explicit TDBEdit(QWidget* parent = nullptr);

private:
    void Refresh();
};

// Several lines with a scroll bar, the field's whole text (an item's long description). Laying out a
// document costs far more than a line, so the memo shows a change on the next turn of the event loop,
// once however many records a walk passed; Refresh shows the current value at once.
class TDBMemo : public QPlainTextEdit, public TFieldBoundControl {
public:
    explicit TDBMemo(QWidget* parent = nullptr);

    void Refresh();

private:
    void ScheduleRefresh();
    QString shown_;
    bool refreshPending_ = false;
};

// A label with the field's display text (an aggregate's formatted total, for example).
class TDBText : public QLabel, public TFieldBoundControl {
public:
    explicit TDBText(QWidget* parent = nullptr);

private:
    void Refresh();
};

// The display text of a field of the current record; empty when there is none or reading fails.
QString FieldDisplayText(const TStoreField* field);

} // namespace quorvel
