// Expressions: expression texts, calculated fields and memos with embedded expressions.

#include "report/controls/Qrctrls.h"

#include "platform/CodePage.h"
#include "platform/NumberFormat.h"
#include "platform/ScopeExit.h"
#include "report/engine/DataSetComponent.h"
#include "report/engine/QuickrptBands.h"
#include "report/engine/QuickrptControllers.h"
#include "report/engine/QuickrptReport.h"
#include "report/expr/Qrexpr.h"
#include "report/expr/QrexprText.h"

#include <QLocale>

namespace quorvel {

namespace {

QString Masked(const QString& mask, const NumberDigits& digits) {
    return Cp1252ToQString(FormatNumber(QStringToCp1252(mask), digits, FormatSettings::Current()));
}

// The general format function for one floating-point argument: "%[-][width][.precision]f", "n"
// (thousands grouped), "m" (money), "e", "g", "%%".
QString FormatFloatArgument(const QString& format, double value) {
    const QLocale locale;
    QString out;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] != QLatin1Char('%')) {
            out += format[i];
            continue;
        }
        qsizetype j = i + 1;
        if (j < format.size() && format[j] == QLatin1Char('%')) {
            out += QLatin1Char('%');
            i = j;
            continue;
        }
        const bool leftJustify = j < format.size() && format[j] == QLatin1Char('-');
        if (leftJustify) ++j;
        int width = 0;
        while (j < format.size() && format[j].isDigit() && width < 1000)
            width = width * 10 + format[j++].digitValue();
        int precision = -1;
        if (j < format.size() && format[j] == QLatin1Char('.')) {
            precision = 0;
            ++j;
            while (j < format.size() && format[j].isDigit() && precision < 100)
                precision = precision * 10 + format[j++].digitValue();
        }
        if (j >= format.size()) {
            out += format.mid(i);
            break;
        }
        const QChar kind = format[j].toLower();
        QString text;
        if (kind == QLatin1Char('f')) {
            text = locale.toString(value, 'f', precision < 0 ? 2 : precision);
            text.remove(locale.groupSeparator());
        } else if (kind == QLatin1Char('n')) {
            text = locale.toString(value, 'f', precision < 0 ? 2 : precision);
        } else if (kind == QLatin1Char('m')) {
            text = locale.toCurrencyString(value, QString(), precision < 0 ? 2 : precision);
        } else if (kind == QLatin1Char('e')) {
            text = locale.toString(value, 'e', precision < 0 ? 15 : std::max(0, precision - 1));
        } else if (kind == QLatin1Char('g')) {
            text = qrexpr_text::FloatToText(value);
        } else {
            text = format.mid(i, j - i + 1);
        }
        if (text.size() < width) text = leftJustify ? text.leftJustified(width) : text.rightJustified(width);
        out += text;
        i = j;
    }
    return out;
}

} // namespace

TQRExpr::TQRExpr(TComponent* owner)
    : TQRCustomLabel(owner) {
    ShowDesignCaption();
}

TQRExpr::~TQRExpr() = default;

void TQRExpr::SetExpression(const QString& expression) {
    expression_ = expression;
    ShowDesignCaption();
}

void TQRExpr::SetMaster(TComponent* master) {
    master_ = master;
    if (master) FreeNotification(*master);
}

void TQRExpr::Notification(TComponent& component, TOperation operation) {
    TQRCustomLabel::Notification(component, operation);
    if (operation == TOperation::opRemove && &component == master_) master_ = nullptr;
}

void TQRExpr::Loaded() {
    TQRCustomLabel::Loaded();
    ShowDesignCaption();
}

void TQRExpr::ShowDesignCaption() {
    if (!IsPrinting() && !IsLoading())
        SetDesignCaption(expression_.isEmpty() ? QStringLiteral("(none)") : expression_);
}

void TQRExpr::Prepare() {
    TQRCustomLabel::Prepare();
    evaluator_ = std::make_unique<TQREvaluator>();
    TCustomQuickRep* report = ParentReport();
    if (report) {
        evaluator_->SetDataSets(report->DataSetList());
        evaluator_->SetEnvironment(&report->Functions());
    }
    evaluator_->Prepare(expression_);
    if (auto* quickRep = dynamic_cast<TCustomQuickRep*>(master_))
        quickRep->Controller().AddNotifyClient(*this);
    else if (auto* subDetail = dynamic_cast<TQRSubDetail*>(master_))
        subDetail->Controller().AddNotifyClient(*this);
    else if (report && evaluator_->IsAggreg())
        report->Controller().AddNotifyClient(*this);
    evaluator_->Reset();
}

void TQRExpr::UnPrepare() {
    if (evaluator_) evaluator_->UnPrepare();
    evaluator_.reset();
    TQRCustomLabel::UnPrepare();
    ShowDesignCaption();
}

void TQRExpr::QRNotification(TComponent& sender, TQRNotifyOperation operation) {
    TQRCustomLabel::QRNotification(sender, operation);
    if (operation == TQRNotifyOperation::qrMasterDataAdvance && evaluator_) evaluator_->DoAggregate();
}

QString TQRExpr::ValueText() {
    if (!evaluator_) return QString();
    const TQREvResult value = evaluator_->Value();
    switch (value.Kind) {
    case TQREvResultType::resInt:
        return mask_.isEmpty() ? qrexpr_text::IntToText(value.IntResult)
                               : Masked(mask_, NumberDigits::FromInteger(value.IntResult));
    case TQREvResultType::resDouble:
        if (mask_.contains(QLatin1String("%m"))) return FormatFloatArgument(mask_, value.DblResult);
        if (mask_.isEmpty() || !std::isfinite(value.DblResult))
            return qrexpr_text::FloatToText(value.DblResult);
        return Masked(mask_, NumberDigits::FromDouble(value.DblResult));
    case TQREvResultType::resString:
    case TQREvResultType::resError:
        return value.StrResult;
    case TQREvResultType::resBool:
        return value.BooResult ? QStringLiteral("True") : QStringLiteral("False");
    }
    return QString();
}

void TQRExpr::Print(int ofsX, int ofsY) {
    if (!IsEnabled()) return;
    if (!IsPrinting()) Prepare();
    SetPrintText(ValueText());
    TQRCustomLabel::Print(ofsX, ofsY);
    if (resetAfterPrint_ && evaluator_) evaluator_->Reset();
}

void TQRDBCalc::SetDataField(const QString& field) {
    dataField_ = field;
    BuildExpression();
}

void TQRDBCalc::SetDataSource(TDataSetComponent* dataSource) {
    dataSource_ = dataSource;
    if (dataSource) FreeNotification(*dataSource);
}

void TQRDBCalc::SetOperation(TQRCalcOperation operation) {
    operation_ = operation;
    BuildExpression();
}

void TQRDBCalc::SetResetBand(TQRCustomBand* band) {
    resetBand_ = band;
    if (band) FreeNotification(*band);
}

void TQRDBCalc::Notification(TComponent& component, TOperation operation) {
    TQRExpr::Notification(component, operation);
    if (operation != TOperation::opRemove) return;
    if (&component == dataSource_) dataSource_ = nullptr;
    if (&component == resetBand_) resetBand_ = nullptr;
}

void TQRDBCalc::BuildExpression() {
    switch (operation_) {
    case TQRCalcOperation::qrcSum:
        SetExpression(QStringLiteral("Sum(") + dataField_ + QLatin1Char(')'));
        break;
    case TQRCalcOperation::qrcCount:
        SetExpression(QStringLiteral("Count"));
        break;
    case TQRCalcOperation::qrcMax:
        SetExpression(QStringLiteral("Max(") + dataField_ + QLatin1Char(')'));
        break;
    case TQRCalcOperation::qrcMin:
        SetExpression(QStringLiteral("Min(") + dataField_ + QLatin1Char(')'));
        break;
    case TQRCalcOperation::qrcAverage:
        SetExpression(QStringLiteral("Average(") + dataField_ + QLatin1Char(')'));
        break;
    }
}

TQRExprMemo::TQRExprMemo(TComponent* owner)
    : TQRCustomLabel(owner) {}

TQRExprMemo::~TQRExprMemo() = default;

void TQRExprMemo::Prepare() {
    TQRCustomLabel::Prepare();
    designLines_ = Lines();
    strippedLines_.clear();
    expressions_.clear();
    TCustomQuickRep* report = ParentReport();
    for (qsizetype row = 0; row < designLines_.size(); ++row) {
        QString line = designLines_[row];
        qsizetype from = 0;
        for (;;) {
            const qsizetype open = line.indexOf(QLatin1Char('{'), from);
            if (open < 0) break;
            const qsizetype close = line.indexOf(QLatin1Char('}'), open + 1);
            if (close < 0) break;
            Embedded embedded{int(row), int(open), std::make_unique<TQREvaluator>()};
            if (report) {
                embedded.evaluator->SetDataSets(report->DataSetList());
                embedded.evaluator->SetEnvironment(&report->Functions());
            }
            embedded.evaluator->Prepare(line.mid(open + 1, close - open - 1));
            expressions_.push_back(std::move(embedded));
            line.remove(open, close - open + 1);
            from = open;
        }
        strippedLines_.append(line);
    }
}

QStringList TQRExprMemo::MergedLines() {
    QStringList merged = strippedLines_;
    for (auto it = expressions_.rbegin(); it != expressions_.rend(); ++it) {
        const TQREvResult value = it->evaluator->Value();
        QString text;
        switch (value.Kind) {
        case TQREvResultType::resInt:
            text = qrexpr_text::IntToText(value.IntResult);
            break;
        case TQREvResultType::resDouble:
            text = qrexpr_text::FloatToText(value.DblResult);
            break;
        case TQREvResultType::resString:
            text = value.StrResult;
            break;
        case TQREvResultType::resBool:
            text = value.BooResult ? QStringLiteral("True") : QStringLiteral("False");
            break;
        case TQREvResultType::resError:
            break;
        }
        merged[it->line].insert(it->position, text);
    }
    if (removeBlankLines_) merged.removeIf([](const QString& line) { return line.isEmpty(); });
    return merged;
}

void TQRExprMemo::Print(int ofsX, int ofsY) {
    if (!IsEnabled()) return;
    if (!IsPrinting()) Prepare();
    {
        MutableLines() = MergedLines();
        const ScopeExit restore([this] { MutableLines() = designLines_; });
        TQRCustomLabel::Print(ofsX, ofsY);
    }
    SetCaptionQuietly(Name());
}

void TQRExprMemo::UnPrepare() {
    for (Embedded& embedded : expressions_)
        embedded.evaluator->UnPrepare();
    expressions_.clear();
    strippedLines_.clear();
    if (!designLines_.isEmpty() || !Lines().isEmpty())
        MutableLines() = designLines_.isEmpty() ? Lines() : designLines_;
    designLines_.clear();
    TQRCustomLabel::UnPrepare();
}

} // namespace quorvel
