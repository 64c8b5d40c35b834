#pragma once

#include "ui/DataSource.h"

#include <QWidget>

#include <array>
#include <memory>

class QToolButton;

namespace quorvel {

enum class TNavigateBtn { First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel, Refresh };
inline constexpr int kNavigateBtnCount = 10;

// A row of buttons that move through a table and start, post or cancel its edits. Which buttons are
// shown is configurable; each is enabled only when its action makes sense in the table's current
// state and position, which the navigator follows through its data source. A failing action is shown
// in the standard error display.
class TDBNavigator : public QWidget {
public:
    explicit TDBNavigator(QWidget* parent = nullptr);
    ~TDBNavigator() override;

    TDataSource* DataSource() const { return source_; }
    void SetDataSource(TDataSource* source);

    // Buttons shown, in the fixed order of TNavigateBtn. All are shown at first.
    void SetVisibleButtons(std::initializer_list<TNavigateBtn> buttons);
    bool IsButtonVisible(TNavigateBtn button) const;
    QToolButton* Button(TNavigateBtn button) const { return buttons_[static_cast<std::size_t>(button)]; }

    // Performs the button's action, as a click does.
    void BtnClick(TNavigateBtn button);

private:
    class Link;
    void UpdateButtons();

    TDataSource* source_ = nullptr;
    std::unique_ptr<Link> link_;
    std::array<QToolButton*, kNavigateBtnCount> buttons_{};
};

} // namespace quorvel
