#pragma once

#include "report/layout/ReportForm.h"

#include <QString>

#include <functional>

namespace quorvel {

class TDataSetComponent;
class ProposalRecordSet;
class TQRCustomBand;
class TQRHTMLFilter;
class TQRLabel;
class TQRPDFFilter;
class TQRRTFFilter;
class TQuickRep;

// The report form: the two proposal layouts, read from the program's resources, over the proposal's
// tables, the four handlers that fill the header texts and leave unpriced items out, and the PDF,
// HTML and RTF filter components that make those formats available in the preview's save dialog
// while the form exists. The tables stay the record set's; the form only refers to them.
class TFormRelatorio : public TReportForm {
public:
    explicit TFormRelatorio(ProposalRecordSet& proposta);
    ~TFormRelatorio() override;

    // The record set's tables as the layouts name them.
    TDataSetComponent* CDSDigitacao = nullptr;
    TDataSetComponent* CDSLotes = nullptr;
    // Lots with their items, for auctions not judged by item.
    TQuickRep* QRLotes = nullptr;
    // Items, for auctions judged by item ("M").
    TQuickRep* QRItem = nullptr;
    TQRPDFFilter* QRPDFFilter1 = nullptr;
    TQRHTMLFilter* QRHTMLFilter1 = nullptr;
    TQRRTFFilter* QRRTFFilter1 = nullptr;

    // The layout for an auction type code.
    TQuickRep& LayoutFor(const QString& tipoPregao) const;

    void ChildBand1BeforePrint(TQRCustomBand& sender, bool& printBand);
    void QRChildBand1BeforePrint(TQRCustomBand& sender, bool& printBand);
    void QRSubDetail1BeforePrint(TQRCustomBand& sender, bool& printBand);
    void QRBand3BeforePrint(TQRCustomBand& sender, bool& printBand);

    // The auction number of the item table's current row, as the window's three boxes show it
    // (sigla, convit, anoc, each without surrounding blanks; empty without a row). A run takes it
    // once, before the report moves through the rows; the header bands print it.
    void TakeAuctionNumber();

private:
    TQRLabel& LabelNamed(const char* nome) const;
    TQuickRep& ReportNamed(const char* nome) const;
    ProposalRecordSet& proposta_;
    QString sigla_;
    QString convit_;
    QString anoc_;
};

// The item orders of the report-selection dialog, in the order of its list.
enum class TReportOrder { ItemNumber = 0, Description = 1 };

// What a run does with the layout it chose: preview it, print it, or save it somewhere.
using TReportAction = std::function<void(TQuickRep& leiaute)>;

// One report run over the proposal's record set: orders the item table for the chosen order,
// makes a fresh report form, picks the layout of the auction type and hands it to `saida`. Whatever
// happens meanwhile, the item table goes back to its numitem order and the report form is destroyed
// before the run returns or its error passes on.
void RunReport(ProposalRecordSet& proposta, TReportOrder ordem, const QString& tipoPregao,
               const TReportAction& saida);

} // namespace quorvel
