#pragma once

#include "platform/Component.h"
#include "report/expr/QrexprDataSet.h"

#include <memory>

namespace quorvel {

class TStoreTable;

// A list of records longer than the table that shows it: the table holds one window of the list at
// a time, and the list moves it. The data set component moves the window on when the walk passes
// the table's last record and back when it passes its first, so that the engine walks the whole list
// through a table that never holds it.
class TRecordWindows {
public:
    virtual ~TRecordWindows() = default;
    // The table on the list's first window, on its first record (at its end when the list is empty).
    virtual void ShowFirst() = 0;
    // The table on the window after the one it shows, on its first record; false, and nothing
    // changes, when it shows the last.
    virtual bool ShowNext() = 0;
    // The table on the window before the one it shows, on its last record; false, and nothing
    // changes, when it shows the first.
    virtual bool ShowPrior() = 0;
    // The records of the whole list.
    virtual int RecordCount() const = 0;
};

// A store table placed on a form, so that a layout can name it (DataSet = CDSDigitacao) and the
// engine can walk it. The table belongs to whoever made it; the component only refers to it. A
// component without a table, or over a closed table, is a data set without rows. Expressions read
// the table through the same view the evaluator uses for its fields (TQRStoreDataSet).
class TDataSetComponent : public TComponent {
public:
    explicit TDataSetComponent(TComponent* owner, TStoreTable* table = nullptr);
    ~TDataSetComponent() override;

    std::string_view ClassName() const noexcept override { return "TDataSetComponent"; }

    TStoreTable* Table() const noexcept { return table_; }
    void SetTable(TStoreTable* table);
    // The list the table shows a window of, or none (the table holds all its records); it belongs to
    // the caller and must outlive the walks.
    void SetWindows(TRecordWindows* windows) noexcept { windows_ = windows; }

    // Navigation as the engine walks the rows; each does nothing while the table is closed.
    bool Active() const;
    void First();
    void Next();
    void Prior();
    // True past the last row, and always while closed.
    bool Eof() const;
    // The rows of the current view (of the whole list, with windows); 0 while closed.
    int RecordCount() const;

    // The view expressions read fields through; none without a table.
    std::shared_ptr<TQREvDataSet> EvDataSet() const { return view_; }

private:
    TStoreTable* table_ = nullptr;
    TRecordWindows* windows_ = nullptr;
    std::shared_ptr<TQREvDataSet> view_;
};

} // namespace quorvel
