// System data: the date, the time, the page number, the report title and record counters.

#include "report/controls/Qrctrls.h"

#include "platform/DateTimeFormat.h"
#include "report/engine/QuickrptReport.h"

namespace quorvel {

namespace {

QString DesignWord(TQRSysDataType data) {
    switch (data) {
    case TQRSysDataType::qrsTime:
        return QStringLiteral("Time");
    case TQRSysDataType::qrsDate:
        return QStringLiteral("Date");
    case TQRSysDataType::qrsDateTime:
        return QStringLiteral("Date/Time");
    case TQRSysDataType::qrsPageNumber:
        return QStringLiteral("Page#");
    case TQRSysDataType::qrsReportTitle:
        return QStringLiteral("Report title");
    case TQRSysDataType::qrsDetailCount:
        return QStringLiteral("Detail count");
    case TQRSysDataType::qrsDetailNo:
        break;
    }
    return QStringLiteral("Detail no");
}

} // namespace

TQRSysData::TQRSysData(TComponent* owner)
    : TQRCustomLabel(owner) {
    ShowDesignCaption();
}

void TQRSysData::SetData(TQRSysDataType data) {
    data_ = data;
    ShowDesignCaption();
}

void TQRSysData::SetText(const QString& text) {
    text_ = text;
    ShowDesignCaption();
}

void TQRSysData::Loaded() {
    TQRCustomLabel::Loaded();
    ShowDesignCaption();
}

void TQRSysData::ShowDesignCaption() {
    if (!IsPrinting() && !IsLoading())
        SetDesignCaption(text_ + QLatin1Char('(') + DesignWord(data_) + QLatin1Char(')'));
}

QString TQRSysData::SystemValue() const {
    const TCustomQuickRep* report = ParentReport();
    const auto* quickRep = dynamic_cast<const TQuickRep*>(report);
    switch (data_) {
    case TQRSysDataType::qrsTime:
        return FormatDateTime(QStringLiteral("t"), QDateTime::currentDateTime());
    case TQRSysDataType::qrsDate:
        return FormatDateTime(QStringLiteral("c"), QDateTime(QDate::currentDate(), QTime(0, 0)));
    case TQRSysDataType::qrsDateTime:
        return FormatDateTime(QStringLiteral("c"), QDateTime::currentDateTime());
    case TQRSysDataType::qrsPageNumber:
        return report ? QString::number(report->PageNumber()) : QString();
    case TQRSysDataType::qrsReportTitle:
        return report ? report->ReportTitle() : QString();
    case TQRSysDataType::qrsDetailCount:
        return quickRep ? QString::number(quickRep->GetRecordCount()) : QString();
    case TQRSysDataType::qrsDetailNo:
        return quickRep ? QString::number(quickRep->GetRecordNumber()) : QString();
    }
    return QString();
}

void TQRSysData::Print(int ofsX, int ofsY) {
    if (!IsEnabled()) return;
    if (!IsPrinting()) Prepare();
    SetPrintText(text_ + SystemValue());
    TQRCustomLabel::Print(ofsX, ofsY);
}

} // namespace quorvel
