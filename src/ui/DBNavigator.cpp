#include "ui/DBNavigator.h"

#include "platform/Dialogs.h"
#include "platform/ErrorDisplay.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace quorvel {

class TDBNavigator::Link final : public TDataLink {
public:
    explicit Link(TDBNavigator& owner)
        : owner_(owner) {}
    void DataEvent(TableChange kind, const TStoreField*) override {
        if (kind != TableChange::FieldChanged) // an assignment moves nothing and changes no state
            owner_.UpdateButtons();
    }
    void DataSourceDestroyed() override {
        owner_.source_ = nullptr;
        owner_.UpdateButtons();
    }

private:
    TDBNavigator& owner_;
};

namespace {

struct ButtonLook {
    const char16_t* glyph;
    const char16_t* hint;
};

// Glyphs drawn with text so the look needs no image files.
constexpr std::array<ButtonLook, kNavigateBtnCount> kLooks = {{
    {u"|\u25C0", u"Primeiro"},
    {u"\u25C0", u"Anterior"},
    {u"\u25B6", u"Próximo"},
    {u"\u25B6|", u"Último"},
    {u"+", u"Inserir"},
    {u"\u2212", u"Excluir"},
    {u"\u25B2", u"Editar"},
    {u"\u2714", u"Gravar"},
    {u"\u2716", u"Cancelar"},
    {u"\u21BB", u"Atualizar"},
}};

} // namespace

TDBNavigator::TDBNavigator(QWidget* parent)
    : QWidget(parent)
    , link_(std::make_unique<Link>(*this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int i = 0; i < kNavigateBtnCount; ++i) {
        auto* button = new QToolButton(this);
        button->setText(QString::fromUtf16(kLooks[static_cast<std::size_t>(i)].glyph));
        button->setToolTip(QString::fromUtf16(kLooks[static_cast<std::size_t>(i)].hint));
        button->setAccessibleName(button->toolTip());
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        button->setFocusPolicy(Qt::NoFocus);
        const auto which = static_cast<TNavigateBtn>(i);
        connect(button, &QToolButton::clicked, this, GuardedSlot([this, which] { BtnClick(which); }));
        layout->addWidget(button);
        buttons_[static_cast<std::size_t>(i)] = button;
    }
    UpdateButtons();
}

TDBNavigator::~TDBNavigator() {
    if (source_ != nullptr) source_->RemoveLink(*link_);
}

void TDBNavigator::SetDataSource(TDataSource* source) {
    if (source == source_) return;
    if (source_ != nullptr) source_->RemoveLink(*link_);
    source_ = source;
    if (source_ != nullptr) source_->AddLink(*link_);
    UpdateButtons();
}

void TDBNavigator::SetVisibleButtons(std::initializer_list<TNavigateBtn> visible) {
    for (QToolButton* button : buttons_)
        button->setVisible(false);
    for (TNavigateBtn which : visible)
        Button(which)->setVisible(true);
}

bool TDBNavigator::IsButtonVisible(TNavigateBtn button) const {
    return !Button(button)->isHidden();
}

void TDBNavigator::BtnClick(TNavigateBtn button) {
    if (source_ == nullptr || !source_->IsActive() || !Button(button)->isEnabled()) return;
    TStoreTable& table = *source_->DataSet();
    RunGuarded([&] {
        switch (button) {
        case TNavigateBtn::First:
            table.First();
            break;
        case TNavigateBtn::Prior:
            table.Prior();
            break;
        case TNavigateBtn::Next:
            table.Next();
            break;
        case TNavigateBtn::Last:
            table.Last();
            break;
        case TNavigateBtn::Insert:
            table.Insert();
            break;
        case TNavigateBtn::Delete:
            if (Dialogs().MessageBox(QStringLiteral("Excluir o registro?"), QStringLiteral("Confirmação"),
                                     MessageIcon::Question, MessageButtons::YesNo) == DialogAnswer::Yes)
                table.Delete();
            break;
        case TNavigateBtn::Edit:
            table.Edit();
            break;
        case TNavigateBtn::Post:
            table.Post();
            break;
        case TNavigateBtn::Cancel:
            table.Cancel();
            break;
        case TNavigateBtn::Refresh:
            // An in-memory table has nothing to reload: every bound control redraws what it shows.
            table.DisableControls();
            table.EnableControls();
            break;
        }
    });
}

void TDBNavigator::UpdateButtons() {
    const TTableState state = source_ != nullptr ? source_->State() : TTableState::Inactive;
    const bool active = state != TTableState::Inactive;
    const bool editing = state == TTableState::Edit || state == TTableState::Insert;
    TStoreTable* table = active ? source_->DataSet() : nullptr;
    // Judged by position, so the first record disables First and Prior however it was reached.
    const int count = table != nullptr ? table->RecordCount() : 0;
    const int position = table != nullptr ? table->CurrentViewIndex() : -1;
    const bool empty = count == 0;
    const bool atStart = empty || position <= 0;
    const bool atEnd = empty || position >= count - 1;
    auto enable = [this](TNavigateBtn which, bool on) {
        if (Button(which)->isEnabled() != on) Button(which)->setEnabled(on);
    };
    enable(TNavigateBtn::First, active && !atStart);
    enable(TNavigateBtn::Prior, active && !atStart);
    enable(TNavigateBtn::Next, active && !atEnd);
    enable(TNavigateBtn::Last, active && !atEnd);
    enable(TNavigateBtn::Insert, active && !editing);
    enable(TNavigateBtn::Delete, active && !editing && !empty);
    enable(TNavigateBtn::Edit, active && !editing);
    enable(TNavigateBtn::Post, editing);
    enable(TNavigateBtn::Cancel, editing);
    enable(TNavigateBtn::Refresh, active);
}

} // namespace quorvel
