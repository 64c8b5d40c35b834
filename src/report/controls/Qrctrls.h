#pragma once

// The printable controls: what a band shows. Text controls (labels, memos, field texts, expressions,
// system data) format their text into lines, grow their band and continue on the next page; shapes
// and pictures draw themselves; every control hands its output to the export filter while the
// report exports.

#include "platform/Brush.h"
#include "platform/Metafile.h"
#include "platform/Pen.h"
#include "report/controls/QrctrlsMeasure.h"
#include "report/controls/QrctrlsPicture.h"
#include "report/engine/QuickrptPrintable.h"
#include "report/engine/QuickrptTypes.h"

#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace quorvel {

class TDataSetComponent;
class TLayoutRegistry;
class TQREvaluator;
class TQRExportFilter;
class TStoreField;
class TStoreTable;

// Reading order of a text control; the right-to-left modes mirror its alignment.
enum class TBiDiMode : std::uint8_t {
    bdLeftToRight,
    bdRightToLeft,
    bdRightToLeftNoAlign,
    bdRightToLeftReadingOnly
};

// The base of every text control. It keeps the text it prints for the current record (the print
// text), formats it (or its Lines) into lines no wider than the control, sizes itself to its text
// with AutoSize, and prints the lines one line height apart. Lines that do not fit grow the band with
// AutoStretch; what the page cannot hold continues on the next column or page, from the line where
// this page stopped.
class TQRCustomLabel : public TQRPrintable {
public:
    explicit TQRCustomLabel(TComponent* owner);
    ~TQRCustomLabel() override;

    std::string_view ClassName() const noexcept override { return "TQRCustomLabel"; }

    const QString& Caption() const noexcept { return caption_; }
    // Sets the print text too and reformats.
    void SetCaption(const QString& caption);
    const QStringList& Lines() const noexcept { return lines_; }
    void SetLines(const QStringList& lines);
    bool AutoSize() const noexcept { return autoSize_; }
    void SetAutoSize(bool value);
    bool AutoStretch() const noexcept { return autoStretch_; }
    void SetAutoStretch(bool value) noexcept { autoStretch_ = value; }
    bool WordWrap() const noexcept { return wordWrap_; }
    void SetWordWrap(bool value);
    TBiDiMode BiDiMode() const noexcept { return biDiMode_; }
    void SetBiDiMode(TBiDiMode mode);
    bool ParentBiDiMode() const noexcept { return parentBiDiMode_; }
    void SetParentBiDiMode(bool value) noexcept { parentBiDiMode_ = value; }

    // May change the text just before it is printed; the next printing starts from the usual text.
    TQREvent<void(TQRCustomLabel& sender, QString& value)> OnPrint;

    // The text printed for the current record, and the lines it was formatted into.
    const QString& PrintText() const noexcept { return printText_; }
    const QStringList& FormattedLines() const noexcept { return formattedLines_; }

    // True: the print text is formatted; false: Lines are.
    virtual bool GetCaptionBased() const { return true; }
    // Rebuilds the formatted lines and, with AutoSize, the control's width.
    virtual void FormatLines();
    // The point size stored with a layout; a positive size read back is applied to the font once the
    // layout is loaded.
    void ReadFontSize(int size) noexcept { storedFontSize_ = size; }
    int WriteFontSize() const { return Font().Size(); }

    void SetAlignment(TAlignment alignment) override;
    void SetFont(const TFont& font) override;
    void Prepare() override;
    void Print(int ofsX, int ofsY) override;
    void UnPrepare() override;
    void Loaded() override;
    int PrintProgress() const noexcept override { return nextLine_; }
    // A caption that still carries the control's name follows a new name.
    void SetName(const QString& name) override;
    void SetParent(TComponent* parent) override;

protected:
    // The text handed to the export filter for formatted line index, or nothing to hand over; the
    // line itself unless a control stands for something else in an export.
    virtual std::optional<QString> ExportLine(const TQRExportFilter& filter, int index,
                                              const QString& line) const;
    // The print text for this record; reformats.
    void SetPrintText(const QString& text);
    void SetCaptionQuietly(const QString& caption) { caption_ = caption; }
    // A caption shown only while designing (the field's name, the expression): it is formatted, but
    // leaves the control's box as the layout gave it, so that a layout reads and writes back as it was.
    void SetDesignCaption(const QString& caption);
    // Lines to change in place; they are formatted anew at the next printing.
    QStringList& MutableLines() noexcept {
        formattedLinesValid_ = false;
        return lines_;
    }
    // Forgets the formatted lines, so that they are built anew.
    void InvalidateLines() noexcept { formattedLinesValid_ = false; }
    // The control's zoom percent: its band's (or report's) while it has one.
    int Zoom() const;
    // The height of one line in design pixels at the zoom: the report's text height of "W".
    int LineHeightPixels();
    // The line count of the formatted lines times the line height, in design pixels.
    void FormattedHeight(double& height);
    // Alignment with right-to-left reading applied.
    TAlignment EffectiveAlignment() const;
    bool RightToLeft() const;

private:
    TTextMeasure& Measure();
    void FormatText(const QString& text, int limit);
    void FormatParagraph(QStringView text, int limit);
    void ApplyAutoSize();
    void FormatKeepingBounds();

    QString caption_;
    QStringList lines_;
    bool autoSize_ = true;
    bool autoStretch_ = false;
    bool wordWrap_ = true;
    TBiDiMode biDiMode_ = TBiDiMode::bdLeftToRight;
    bool parentBiDiMode_ = true;
    int storedFontSize_ = 0;

    QString printText_;
    QStringList formattedLines_;
    bool formattedLinesValid_ = false;
    int formattedLimit_ = 0;
    int formattedZoom_ = 100;
    int nextLine_ = 0;
    bool updatingBounds_ = false;
    std::unique_ptr<TTextMeasure> measure_;
};

// Fixed text: the caption.
class TQRLabel : public TQRCustomLabel {
public:
    explicit TQRLabel(TComponent* owner)
        : TQRCustomLabel(owner) {}
    std::string_view ClassName() const noexcept override { return "TQRLabel"; }
};

// What an HTML label's link does: jumps to an address, jumps to a named place of the document, or
// names that place.
enum class TQRLinkType : std::uint8_t { ldHTTPJump, ldNameJump, ldNameLabel };

// A label the HTML export writes as a link or a link's target; everywhere else it is a plain label
// showing its caption. To a filter that resolves such labels it hands, once, its marker instead of
// its lines, and the filter looks the label up by that marker among the report's controls.
class TQRHTMLLabel : public TQRLabel {
public:
    explicit TQRHTMLLabel(TComponent* owner)
        : TQRLabel(owner) {}
    std::string_view ClassName() const noexcept override { return "TQRHTMLLabel"; }

    const QString& LinkText() const noexcept { return linkText_; }
    void SetLinkText(const QString& link) { linkText_ = link; }
    TQRLinkType LinkType() const noexcept { return linkType_; }
    void SetLinkType(TQRLinkType type) noexcept { linkType_ = type; }

    // "%!" + the label's name + "!%".
    static QString Marker(const QString& name) { return QStringLiteral("%!") + name + QStringLiteral("!%"); }

protected:
    std::optional<QString> ExportLine(const TQRExportFilter& filter, int index,
                                      const QString& line) const override;

private:
    QString linkText_;
    TQRLinkType linkType_ = TQRLinkType::ldHTTPJump;
};

// Several lines of fixed text: Lines, formatted line by line.
class TQRMemo : public TQRCustomLabel {
public:
    explicit TQRMemo(TComponent* owner)
        : TQRCustomLabel(owner) {}
    std::string_view ClassName() const noexcept override { return "TQRMemo"; }

    bool GetCaptionBased() const override { return false; }
    void Print(int ofsX, int ofsY) override;
    void GetExpandedHeight(double& height) override;
    bool CountsInExpandedHeight() const noexcept override { return true; }
};

// The text of a data-set field for the current record: the field's display text, or its value
// through Mask. Memo and blob fields print as several lines.
class TQRDBText : public TQRCustomLabel {
public:
    explicit TQRDBText(TComponent* owner);
    ~TQRDBText() override;
    std::string_view ClassName() const noexcept override { return "TQRDBText"; }

    TDataSetComponent* DataSet() const noexcept { return dataSet_; }
    void SetDataSet(TDataSetComponent* dataSet);
    const QString& DataField() const noexcept { return dataField_; }
    void SetDataField(const QString& field);
    const QString& Mask() const noexcept { return mask_; }
    void SetMask(const QString& mask) { mask_ = mask; }

    bool GetCaptionBased() const override { return !memoField_; }
    void Prepare() override;
    void Print(int ofsX, int ofsY) override;
    void UnPrepare() override;
    void GetExpandedHeight(double& height) override;
    bool CountsInExpandedHeight() const noexcept override { return true; }
    // The text the control prints for the current record (empty without a field).
    void GetFieldString(QString& text) override;
    void Loaded() override;

protected:
    void Notification(TComponent& component, TOperation operation) override;

private:
    TStoreField* CurrentField();
    // Puts the field's text for the current record into the print text (or Lines).
    void TakeFieldText();

    TDataSetComponent* dataSet_ = nullptr;
    QString dataField_;
    QString mask_;
    TStoreTable* table_ = nullptr;
    QString fieldName_;
    int fieldIndex_ = -1;
    bool memoField_ = false;
};

// The value of an expression over the report's data sets and Functions; aggregates accumulate over
// the records of Master (or of the report).
class TQRExpr : public TQRCustomLabel {
public:
    explicit TQRExpr(TComponent* owner);
    ~TQRExpr() override;
    std::string_view ClassName() const noexcept override { return "TQRExpr"; }

    const QString& Expression() const noexcept { return expression_; }
    void SetExpression(const QString& expression);
    const QString& Mask() const noexcept { return mask_; }
    void SetMask(const QString& mask) { mask_ = mask; }
    TComponent* Master() const noexcept { return master_; }
    void SetMaster(TComponent* master);
    bool ResetAfterPrint() const noexcept { return resetAfterPrint_; }
    void SetResetAfterPrint(bool value) noexcept { resetAfterPrint_ = value; }

    void Prepare() override;
    void Print(int ofsX, int ofsY) override;
    void UnPrepare() override;
    void QRNotification(TComponent& sender, TQRNotifyOperation operation) override;
    void Loaded() override;

    // The text of the current value, as the control prints it.
    QString ValueText();

protected:
    void Notification(TComponent& component, TOperation operation) override;

private:
    void ShowDesignCaption();

    QString expression_;
    QString mask_;
    TComponent* master_ = nullptr;
    bool resetAfterPrint_ = false;
    std::unique_ptr<TQREvaluator> evaluator_;
};

enum class TQRCalcOperation : std::uint8_t { qrcSum, qrcCount, qrcMax, qrcMin, qrcAverage };

// An expression built from an operation over one field.
class TQRDBCalc : public TQRExpr {
public:
    explicit TQRDBCalc(TComponent* owner)
        : TQRExpr(owner) {}
    std::string_view ClassName() const noexcept override { return "TQRDBCalc"; }

    const QString& DataField() const noexcept { return dataField_; }
    void SetDataField(const QString& field);
    TDataSetComponent* DataSource() const noexcept { return dataSource_; }
    void SetDataSource(TDataSetComponent* dataSource);
    TQRCalcOperation Operation() const noexcept { return operation_; }
    void SetOperation(TQRCalcOperation operation);
    const QString& PrintMask() const { return Mask(); }
    void SetPrintMask(const QString& mask) { SetMask(mask); }
    TQRCustomBand* ResetBand() const noexcept { return resetBand_; }
    void SetResetBand(TQRCustomBand* band);

protected:
    void Notification(TComponent& component, TOperation operation) override;

private:
    void BuildExpression();

    QString dataField_;
    TDataSetComponent* dataSource_ = nullptr;
    TQRCalcOperation operation_ = TQRCalcOperation::qrcSum;
    TQRCustomBand* resetBand_ = nullptr;
};

enum class TQRSysDataType : std::uint8_t {
    qrsTime,
    qrsDate,
    qrsDateTime,
    qrsPageNumber,
    qrsReportTitle,
    qrsDetailCount,
    qrsDetailNo,
};

// Text followed directly by a system value: the date or time, the page number, the report title, the
// record count or the current record number.
class TQRSysData : public TQRCustomLabel {
public:
    explicit TQRSysData(TComponent* owner);
    std::string_view ClassName() const noexcept override { return "TQRSysData"; }

    TQRSysDataType Data() const noexcept { return data_; }
    void SetData(TQRSysDataType data);
    const QString& Text() const noexcept { return text_; }
    void SetText(const QString& text);

    void Print(int ofsX, int ofsY) override;
    void Loaded() override;

    // The value printed after Text now.
    QString SystemValue() const;

private:
    void ShowDesignCaption();

    TQRSysDataType data_ = TQRSysDataType::qrsTime;
    QString text_;
};

// Lines with embedded expressions in braces ("Total: {SUM(valor)}"), replaced by their values when
// the control prints.
class TQRExprMemo : public TQRCustomLabel {
public:
    explicit TQRExprMemo(TComponent* owner);
    ~TQRExprMemo() override;
    std::string_view ClassName() const noexcept override { return "TQRExprMemo"; }

    bool RemoveBlankLines() const noexcept { return removeBlankLines_; }
    void SetRemoveBlankLines(bool value) noexcept { removeBlankLines_ = value; }

    bool GetCaptionBased() const override { return false; }
    void Prepare() override;
    void Print(int ofsX, int ofsY) override;
    void UnPrepare() override;

    // The lines with every expression replaced by its current value.
    QStringList MergedLines();

private:
    struct Embedded {
        int line;
        int position;
        std::unique_ptr<TQREvaluator> evaluator;
    };

    bool removeBlankLines_ = false;
    QStringList designLines_;
    QStringList strippedLines_;
    std::vector<Embedded> expressions_;
};

enum class TQRShapeType : std::uint8_t {
    qrsRectangle,
    qrsCircle,
    qrsVertLine,
    qrsHorLine,
    qrsTopAndBottom,
    qrsRightAndLeft,
    qrsRoundRect,
};

// A rectangle, circle, line or rounded rectangle in the control's box, drawn with Pen and Brush.
class TQRShape : public TQRPrintable {
public:
    explicit TQRShape(TComponent* owner);
    std::string_view ClassName() const noexcept override { return "TQRShape"; }

    TQRShapeType Shape() const noexcept { return shape_; }
    void SetShape(TQRShapeType shape) noexcept { shape_ = shape; }
    TPen& Pen() noexcept { return pen_; }
    const TPen& Pen() const noexcept { return pen_; }
    void SetPen(const TPen& pen) noexcept { pen_ = pen; }
    TBrush& Brush() noexcept { return brush_; }
    const TBrush& Brush() const noexcept { return brush_; }
    void SetBrush(const TBrush& brush) noexcept { brush_ = brush; }
    // The corner ellipse of a rounded rectangle, as a share of the width.
    double RoundFactor() const noexcept { return roundFactor_; }
    void SetRoundFactor(double factor) noexcept { roundFactor_ = factor; }
    // Kept with the layout; printing does not use it.
    int VertAdjust() const noexcept { return vertAdjust_; }
    void SetVertAdjust(int value) noexcept { vertAdjust_ = value; }

    void Print(int ofsX, int ofsY) override;
    // An egShape graphic with the shape's kind, pen, brush and VertAdjust.
    TExportGraphic ExportGraphic() const override;

private:
    TQRShapeType shape_ = TQRShapeType::qrsRectangle;
    TPen pen_;
    TBrush brush_;
    double roundFactor_ = 0.25;
    int vertAdjust_ = 0;
};

// A picture in the control's box: stretched into it, or at its natural size (centred with Center),
// clipped to the box.
class TQRImage : public TQRPrintable {
public:
    explicit TQRImage(TComponent* owner);
    std::string_view ClassName() const noexcept override { return "TQRImage"; }

    TPicture& Picture() noexcept { return picture_; }
    const TPicture& Picture() const noexcept { return picture_; }
    void SetPicture(const TPicture& picture);
    // Sizes the control to the picture.
    bool AutoSize() const noexcept { return autoSize_; }
    void SetAutoSize(bool value);
    bool Center() const noexcept { return center_; }
    void SetCenter(bool value) noexcept { center_ = value; }
    bool Stretch() const noexcept { return stretch_; }
    void SetStretch(bool value) noexcept { stretch_ = value; }

    void Print(int ofsX, int ofsY) override;
    bool CanBePageBackground() const noexcept override { return true; }
    // An egImage graphic carrying ExportBitmap.
    TExportGraphic ExportGraphic() const override;

    // The picture as a bitmap for an export filter: drawn at the control's size in pixels when it
    // stretches, at the picture's own size otherwise; empty without a picture.
    QImage ExportBitmap() const;

protected:
    // Draws a picture into the control's box on the page (tenths of a millimetre), with its frame.
    void PrintPicture(const TPicture& picture, int ofsX, int ofsY);

private:
    void FitToPicture();

    TPicture picture_;
    bool autoSize_ = false;
    bool center_ = false;
    bool stretch_ = false;
};

// The picture held in a blob field of the current record.
class TQRDBImage : public TQRImage {
public:
    explicit TQRDBImage(TComponent* owner);
    ~TQRDBImage() override;
    std::string_view ClassName() const noexcept override { return "TQRDBImage"; }

    TDataSetComponent* DataSet() const noexcept { return dataSet_; }
    void SetDataSet(TDataSetComponent* dataSet);
    const QString& DataField() const noexcept { return dataField_; }
    void SetDataField(const QString& field) { dataField_ = field; }

    void Print(int ofsX, int ofsY) override;
    void UnPrepare() override;
    // The picture's natural height in design pixels when it does not stretch.
    void GetExpandedHeight(double& height) override;
    bool CountsInExpandedHeight() const noexcept override { return true; }
    // The background of a page is a fixed picture, never a field's.
    bool CanBePageBackground() const noexcept override { return false; }
    // A data-bound egImage graphic; without a field it carries no picture, whatever it last held.
    TExportGraphic ExportGraphic() const override;
    // The field's bytes as text (empty without a field).
    void GetFieldString(QString& text) override;

    // The picture of the current record (empty without one, or when its bytes are no picture).
    TPicture FieldPicture();

protected:
    void Notification(TComponent& component, TOperation operation) override;

private:
    TDataSetComponent* dataSet_ = nullptr;
    QString dataField_;
};

// Rich text: formatted text kept in Lines (as rich text or plain), printed word-wrapped in the
// control's box with its font; with AutoStretch it grows the band and continues on the next page.
class TQRRichText : public TQRCustomLabel {
public:
    explicit TQRRichText(TComponent* owner);
    ~TQRRichText() override;
    std::string_view ClassName() const noexcept override { return "TQRRichText"; }

    // The stored rich text; what prints is its plain text (Paragraphs).
    const QStringList& RichLines() const noexcept { return richLines_; }
    void SetRichLines(const QStringList& lines);
    // A component whose rich text is printed instead of Lines; kept for layouts that name one.
    TComponent* ParentRichEdit() const noexcept { return parentRichEdit_; }
    void SetParentRichEdit(TComponent* component);

    bool GetCaptionBased() const override { return false; }
    void Print(int ofsX, int ofsY) override;
    void GetExpandedHeight(double& height) override;
    bool CountsInExpandedHeight() const noexcept override { return true; }

    // The plain text the control prints now, one paragraph per entry.
    virtual QStringList Paragraphs();

protected:
    void Notification(TComponent& component, TOperation operation) override;

private:
    QStringList richLines_;
    TComponent* parentRichEdit_ = nullptr;
};

// Rich text held in a field of the current record.
class TQRDBRichText : public TQRRichText {
public:
    explicit TQRDBRichText(TComponent* owner);
    ~TQRDBRichText() override;
    std::string_view ClassName() const noexcept override { return "TQRDBRichText"; }

    TDataSetComponent* DataSet() const noexcept { return dataSet_; }
    void SetDataSet(TDataSetComponent* dataSet);
    const QString& DataField() const noexcept { return dataField_; }
    void SetDataField(const QString& field) { dataField_ = field; }

    void GetFieldString(QString& text) override;
    QStringList Paragraphs() override;

protected:
    void Notification(TComponent& component, TOperation operation) override;

private:
    TDataSetComponent* dataSet_ = nullptr;
    QString dataField_;
};

// Plain text of rich text: paragraphs with control words and groups removed. Text that is not rich
// text comes back split into its lines.
QStringList RichTextParagraphs(const QString& text);

// Registers the controls' classes and their stored properties with a layout registry.
void RegisterQrctrlsLayoutClasses(TLayoutRegistry& registry);

} // namespace quorvel
