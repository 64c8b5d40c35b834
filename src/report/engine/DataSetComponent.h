#pragma once

#include "platform/Component.h"
#include "report/expr/QrexprDataSet.h"

#include <memory>

namespace quorvel {

class TStoreTable;

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

    // Navigation as the engine walks the rows; each does nothing while the table is closed.
    bool Active() const;
    void First();
    void Next();
    void Prior();
    // True past the last row, and always while closed.
    bool Eof() const;
    // The rows of the current view; 0 while closed.
    int RecordCount() const;

    // The view expressions read fields through; none without a table.
    std::shared_ptr<TQREvDataSet> EvDataSet() const { return view_; }

private:
    TStoreTable* table_ = nullptr;
    std::shared_ptr<TQREvDataSet> view_;
};

} // namespace quorvel
