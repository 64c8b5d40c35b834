// The run-time list report: the builder's report frame and the list builder's columns.

#include "platform/Rounding.h"
#include "report/controls/Qrctrls.h"
#include "report/engine/DataSetComponent.h"
#include "report/engine/QuickrptBands.h"
#include "report/engine/QuickrptReport.h"
#include "report/extra/Qrextra.h"
#include "store/StoreField.h"
#include "store/StoreTable.h"

namespace quorvel {

namespace {

// Expressions name fields in brackets; these characters would break the expression or the name.
bool ListableName(const QString& name) {
    static const QString excluded = QStringLiteral(" /\\&%-");
    for (const QChar c : name)
        if (excluded.contains(c)) return false;
    return true;
}

bool IsBlobField(const TStoreField& field) {
    switch (field.DataType()) {
    case TFieldType::Memo:
    case TFieldType::WideMemo:
    case TFieldType::Blob:
    case TFieldType::Graphic:
        return true;
    default:
        return false;
    }
}

TAlignment ControlAlignment(TFieldAlignment alignment) {
    switch (alignment) {
    case TFieldAlignment::Right:
        return TAlignment::taRightJustify;
    case TFieldAlignment::Center:
        return TAlignment::taCenter;
    case TFieldAlignment::Left:
        break;
    }
    return TAlignment::taLeftJustify;
}

} // namespace

TQRBuilder::TQRBuilder(TComponent* owner)
    : TComponent(owner) {}

TQRBuilder::~TQRBuilder() {
    FreeReport();
}

void TQRBuilder::SetActive(bool active) {
    if (active == active_) return;
    if (active) {
        BuildFramework();
        active_ = true;
    } else {
        FreeReport();
        active_ = false;
    }
}

void TQRBuilder::FreeReport() {
    if (!active_ || reportGiven_ || !report_) return;
    TCustomQuickRep* report = report_;
    report_ = nullptr;
    titleLabel_ = nullptr;
    if (TComponent* owner = report->Owner()) owner->DestroyComponent(*report);
}

void TQRBuilder::BuildFramework() {
    if (reportGiven_) return;
    TComponent& owner = Owner() ? *Owner() : static_cast<TComponent&>(*this);
    TQuickRep& report = CreateComponent<TQuickRep>(owner);
    report_ = &report;
    report.SetParent(&owner);
    report.SetVisible(false);
    report.Page().SetOrientation(orientation_);
    report.SetFont(font_);
    if (!title_.isEmpty()) AddTitle();

    const bool hadFooter = report.Bands().HasPageFooter();
    report.Bands().SetHasPageFooter(true);
    TQRCustomBand& footer = *report.Bands().BandOfIndex(6);
    TQRExpr& page = footer.AddPrintable<TQRExpr>();
    page.SetAlignment(TAlignment::taRightJustify);
    page.SetAlignToBand(true);
    page.SetExpression(QStringLiteral("'") + QStringLiteral("Page") + QStringLiteral(" ' + ") +
                       QStringLiteral("PageNumber"));
    if (!hadFooter) footer.SetHeight(RoundHalfEven(page.Height() * 1.5));
}

void TQRBuilder::AddTitle() {
    TCustomQuickRep& report = *report_;
    report.Bands().SetHasTitle(true);
    TQRCustomBand& band = *report.Bands().BandOfIndex(1);
    TQRLabel& label = band.AddPrintable<TQRLabel>();
    label.SetAutoSize(true);
    label.SetAlignment(TAlignment::taCenter);
    label.SetAlignToBand(true);
    label.SetFont(TFont(QStringLiteral("Arial"), 14, TFontStyle::fsBold));
    label.SetCaption(title_);
    titleLabel_ = &label;
}

void TQRBuilder::SetTitle(const QString& title) {
    title_ = title;
    if (!active_ || reportGiven_ || !report_) return;
    if (titleLabel_)
        titleLabel_->SetCaption(title);
    else if (!title.isEmpty())
        AddTitle();
}

void TQRBuilder::SetOrientation(TPrinterOrientation orientation) {
    orientation_ = orientation;
    if (active_ && report_) report_->Page().SetOrientation(orientation);
}

TCustomQuickRep* TQRBuilder::FetchReport() {
    TCustomQuickRep* report = report_;
    active_ = false;
    report_ = nullptr;
    reportGiven_ = false;
    titleLabel_ = nullptr;
    return report;
}

void TQRBuilder::NameComponents() {
    if (!report_) return;
    TComponent& owner = report_->Owner() ? *report_->Owner() : static_cast<TComponent&>(*report_);
    for (int i = 0; i < owner.ComponentCount(); ++i) {
        TComponent& component = *owner.Component(i);
        if (!component.Name().isEmpty()) continue;
        const QString base = QString::fromUtf8(component.ClassName().substr(1));
        component.SetName(UniqueName(owner, base));
    }
}

TQRListBuilder::TQRListBuilder(TComponent* owner)
    : TQRBuilder(owner) {}

TQRListBuilder::~TQRListBuilder() = default;

void TQRListBuilder::AddAllFields() {
    fields_.clear();
    if (!dataSet_ || !dataSet_->Table()) return;
    const TStoreTable& table = *dataSet_->Table();
    for (int i = 0; i < table.FieldCount(); ++i)
        fields_.append(table.Fields(i).FieldName());
}

void TQRListBuilder::SetActive(bool active) {
    if (active == Active()) return;
    if (!active) {
        TQRBuilder::SetActive(false);
        return;
    }
    if (!dataSet_) return;
    TQRBuilder::SetActive(true);
    BuildList();
}

void TQRListBuilder::BuildList() {
    TCustomQuickRep& report = *Report();
    const bool hadHeader = report.Bands().HasColumnHeader();
    const bool hadDetail = report.Bands().HasDetail();
    report.Bands().SetHasColumnHeader(true);
    report.Bands().SetHasDetail(true);
    TQRCustomBand& header = *report.Bands().BandOfIndex(3);
    TQRCustomBand& detail = *report.Bands().BandOfIndex(4);
    if (auto* quickRep = dynamic_cast<TQuickRep*>(&report)) quickRep->SetDataSet(dataSet_);

    std::vector<TStoreField*> fields;
    if (const TStoreTable* table = dataSet_->Table()) {
        if (fields_.isEmpty()) {
            for (int i = 0; i < table->FieldCount(); ++i)
                if (table->Fields(i).Visible()) fields.push_back(&table->Fields(i));
        } else {
            for (const QString& name : fields_)
                if (TStoreField* field = table->FindField(name)) fields.push_back(field);
        }
    }

    int labelHeight = -1;
    for (TStoreField* field : fields) {
        if (IsBlobField(*field) || !ListableName(field->FieldName())) continue;
        TQRLabel& label = header.AddPrintable<TQRLabel>();
        label.SetAutoSize(true);
        labelHeight = label.Height();
        // The label takes the width of the field's widest text, then shows the field's name.
        label.SetCaption(QString(field->DisplayWidth(), QLatin1Char('X')));
        label.SetAutoSize(false);
        label.SetCaption(field->DisplayLabel());
        label.Frame().DrawBottom = true;

        TQRExpr& expr = detail.AddPrintable<TQRExpr>();
        expr.SetAutoSize(false);
        expr.SetExpression(QStringLiteral("[") + field->FieldName() + QStringLiteral("]"));
        expr.SetLeft(label.Left());
        expr.SetWidth(label.Width());
        expr.SetAlignment(ControlAlignment(field->Alignment()));

        const auto beyond = [&] { return expr.Left() + expr.Width() > detail.Width(); };
        if (beyond() && report.Page().Orientation() == TPrinterOrientation::poPortrait)
            SetOrientation(TPrinterOrientation::poLandscape);
        if (beyond()) {
            // Too wide even across a landscape page: the field is left out.
            TComponent& owner = *expr.Owner();
            owner.DestroyComponent(expr);
            owner.DestroyComponent(label);
        }
    }

    const int height = labelHeight >= 0 ? RoundHalfEven(labelHeight * 1.5)
                                        : RoundHalfEven(RoundHalfEven(detail.Height() / 1.5) * 1.5);
    if (!hadHeader) header.SetHeight(height);
    if (!hadDetail) detail.SetHeight(height);
    NameComponents();
}

void QRCreateList(TCustomQuickRep*& report, TComponent& owner, TDataSetComponent* dataSet,
                  const QString& title, const QStringList& fieldNames) {
    auto builder = std::make_unique<TQRListBuilder>(&owner);
    builder->SetDataSet(dataSet);
    builder->SetTitle(title);
    builder->SetReport(report);
    if (!fieldNames.isEmpty()) builder->SetFields(fieldNames);
    builder->SetActive(true);
    if (builder->Active()) report = builder->FetchReport();
}

} // namespace quorvel
