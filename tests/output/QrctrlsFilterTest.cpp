// Graphic controls of a running report reach the HTML and PDF filters: shapes, label backgrounds and
// frames as positioned blocks and rules, pictures as the bitmaps the controls print.

#include "report/LayoutReader.h"
#include "report/LayoutWriter.h"
#include "report/Qrctrls.h"
#include "report/Quickrpt.h"
#include "report/output/Qrexport.h"
#include "report/output/Qrpdffilt.h"
#include "report/output/Qrwebfilt.h"

#include "OutputTestFiles.h"

#include "platform/Rounding.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <cstdlib>

namespace quorvel {
namespace {

int Px(double tenths) {
    return RoundHalfEven(tenths * 96.0 / 254.0);
}

// An A4 report in millimetres with 10 mm margins and one 7 mm title band holding a horizontal line,
// a yellow label, a label framed on all sides, a stretched 3 × 2 picture and a data-bound picture
// without a field.
struct GraphicsReport {
    GraphicsReport()
        : form(nullptr, QStringLiteral("TReportForm"))
        , report(CreateComponent<TQuickRep>(form))
        , band(Place<TQRBand>(QStringLiteral("TitleBand1"), &report)) {
        form.SetName(QStringLiteral("Form1"));
        report.SetName(QStringLiteral("QuickRep1"));
        report.SetUnits(TQRUnit::MM);
        report.Page().SetPaperSize(TQRPaperSize::A4);
        band.SetBandType(TQRBandType::rbTitle);
        band.SetTransparentBand(true);
        band.Size().SetNativeValue(TQRBandSize::iHeight, 70);

        TQRShape& rule = Control<TQRShape>(QStringLiteral("QRShape1"), 0, 60, 1000, 5);
        rule.SetShape(TQRShapeType::qrsHorLine);
        rule.Pen().SetColor(clRed);
        TQRLabel& yellow = Control<TQRLabel>(QStringLiteral("QRLabel1"), 100, 20, 300, 45);
        yellow.SetAutoSize(false);
        yellow.SetColor(clYellow);
        yellow.SetCaption(QStringLiteral("Amarelo"));
        TQRLabel& boxed = Control<TQRLabel>(QStringLiteral("QRLabel2"), 500, 20, 300, 45);
        boxed.SetAutoSize(false);
        boxed.SetTransparent(true);
        boxed.SetCaption(QStringLiteral("Caixa"));
        boxed.Frame().DrawTop = boxed.Frame().DrawBottom = boxed.Frame().DrawLeft = boxed.Frame().DrawRight =
            true;
        boxed.Frame().Color = clBlue;
        TQRImage& logo = Control<TQRImage>(QStringLiteral("QRImage1"), 1000, 10, 100, 50);
        QImage red(3, 2, QImage::Format_RGB32);
        red.fill(Qt::red);
        TPicture picture;
        picture.SetBitmap(red);
        logo.SetPicture(picture);
        logo.SetStretch(true);
        logo.SetTransparent(true);
        Control<TQRDBImage>(QStringLiteral("QRDBImage1"), 1200, 10, 100, 50).SetTransparent(true);
    }

    template <class T> T& Place(const QString& name, TComponent* parent) {
        T& component = CreateComponent<T>(form);
        component.SetName(name);
        component.SetParent(parent);
        return component;
    }
    template <class T> T& Control(const QString& name, double left, double top, double width, double height) {
        T& control = Place<T>(name, &band);
        control.Size().SetNativeValue(TQRPrintableSize::iLeft, left);
        control.Size().SetNativeValue(TQRPrintableSize::iTop, top);
        control.Size().SetNativeValue(TQRPrintableSize::iWidth, width);
        control.Size().SetNativeValue(TQRPrintableSize::iHeight, height);
        return control;
    }

    TReportForm form;
    TQuickRep& report;
    TQRBand& band;
};

QByteArray FileBytes(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(QrctrlsFilters, HtmlExportWritesShapesBackgroundsFramesAndPicturesOfTheControls) {
    QTemporaryDir dir;
    GraphicsReport r;
    const QString target = dir.filePath(QStringLiteral("relatorio.htm"));
    TQRGHTMLDocumentFilter filter(target);
    r.report.ExportToFilter(filter);

    QStringList graphics;
    for (const QString& line : QString::fromLatin1(FileBytes(target)).split(QStringLiteral("\r\n")))
        if (line.startsWith(QLatin1String("<DIV"))) graphics.append(line);
    // The band starts at the top-left margin corner (10 mm, 10 mm); controls are offset from it.
    const QString block =
        QStringLiteral("<DIV style=\"position:absolute;left:%1px;top:%2px;height:%3px;width:%4px; "
                       "background-color: %5\"></div>");
    const int l2 = Px(600), t2 = Px(120), w2 = Px(900) - l2, h2 = Px(165) - t2;
    const QStringList expected{
        // The horizontal line on the middle row of its 2-pixel box, as the page picture draws it, in
        // the shape's pen colour.
        block.arg(Px(100)).arg(Px(160) + 1).arg(1).arg(Px(1100) - Px(100)).arg("#ff0000"),
        // The yellow label's background; it has no frame.
        block.arg(Px(200)).arg(Px(120)).arg(Px(45)).arg(Px(300)).arg("#ffff00"),
        // The transparent label framed on all four sides: each edge a block one pixel wide.
        block.arg(l2).arg(t2).arg(h2).arg(1).arg("#0000ff"),
        block.arg(l2 + w2 - 1).arg(t2).arg(h2).arg(1).arg("#0000ff"),
        block.arg(l2).arg(t2).arg(1).arg(w2).arg("#0000ff"),
        // The bottom edge inside the frame's box, as the page picture draws it.
        block.arg(l2).arg(t2 + h2 - 1).arg(1).arg(w2).arg("#0000ff"),
        // The stretched picture at the control's size; the data-bound one without a field is left out.
        QStringLiteral(
            "<DIV style=\"position:absolute;left:%1px;top:%2px;\"><img src=\"QRImage1.jpg\" width=%3 "
            "height=%4></div>")
            .arg(Px(1100))
            .arg(Px(110))
            .arg(Px(100))
            .arg(Px(50)),
    };
    EXPECT_EQ(graphics.join(u'\n').toStdString(), expected.join(u'\n').toStdString());

    const QImage jpeg(dir.filePath(QStringLiteral("QRImage1.jpg")), "JPG");
    ASSERT_FALSE(jpeg.isNull());
    EXPECT_EQ(jpeg.size(), QSize(Px(100), Px(50))) << "drawn at the control's size";
    EXPECT_GT(qRed(jpeg.pixel(5, 5)), 200);
    EXPECT_LT(qGreen(jpeg.pixel(5, 5)), 60);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("QRDBImage11.jpg"))))
        << "a data-bound picture without a field writes nothing";
}

// Whether a pixel is close to a colour.
bool Near(QRgb pixel, QColor colour) {
    return std::abs(qRed(pixel) - colour.red()) < 60 && std::abs(qGreen(pixel) - colour.green()) < 60 &&
           std::abs(qBlue(pixel) - colour.blue()) < 60;
}

TEST(QrctrlsFilters, PdfExportDrawsThePicturesBitmapAndTheShapesOfTheControls) {
    QTemporaryDir dir;
    GraphicsReport r;
    const QString target = dir.filePath(QStringLiteral("relatorio.pdf"));
    {
        TQRPDFDocumentFilter filter(target);
        r.report.ExportToFilter(filter);
    }
    const QByteArray pdf = FileBytes(target);
    EXPECT_TRUE(pdf.contains("BI\r\n/Width 38\r\n/Height 19\r\n"))
        << "the picture drawn at the control's size";

    // The page as a reader draws it at 96 pixels per inch: the picture, the label's background, the
    // frame and the line where the page picture has them.
    const QString prefix = dir.filePath(QStringLiteral("page"));
    const ToolRun run = RunTool(QStringLiteral("pdftoppm"),
                                {QStringLiteral("-r"), QStringLiteral("96"), QStringLiteral("-png"),
                                 QStringLiteral("-singlefile"), target, prefix});
    ASSERT_EQ(run.ExitCode, 0) << run.Errors.toStdString();
    const QImage page(prefix + QStringLiteral(".png"));
    ASSERT_FALSE(page.isNull());
    EXPECT_TRUE(Near(page.pixel(Px(1150), Px(135)), Qt::red)) << "the picture's middle";
    EXPECT_TRUE(Near(page.pixel(Px(1150), Px(100)), Qt::white)) << "above the picture";
    EXPECT_TRUE(Near(page.pixel(Px(480), Px(140)), Qt::yellow))
        << "the label's background, right of its text";
    EXPECT_TRUE(Near(page.pixel(Px(880), Px(140)), Qt::white)) << "inside the transparent framed label";
    const auto anyNear = [&](int x0, int x1, int y0, int y1, QColor colour) {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                if (Near(page.pixel(x, y), colour)) return true;
        return false;
    };
    EXPECT_TRUE(anyNear(Px(600) - 2, Px(600) + 2, Px(140), Px(140), Qt::blue)) << "the frame's left edge";
    EXPECT_TRUE(anyNear(Px(150), Px(150), Px(150), Px(170), Qt::red))
        << "the horizontal line, left of the yellow label that covers it";
}

TEST(QrctrlsFilters, HtmlLabelKeepsItsLinkInALayoutAndHandsTheHtmlFilterItsMarkerOnce) {
    GraphicsReport r;
    TQRHTMLLabel& label = r.Control<TQRHTMLLabel>(QStringLiteral("LnkEdital"), 100, 300, 200, 150);
    label.SetAutoSize(false);
    label.SetCaption(QStringLiteral("Edital do pregão eletrônico"));
    label.SetLinkType(TQRLinkType::ldNameLabel);
    label.SetLinkText(QStringLiteral("edital"));
    r.band.Size().SetNativeValue(TQRBandSize::iHeight, 500);
    r.report.SetShowProgress(false);

    const QByteArray layout = WriteLayout(r.form);
    EXPECT_TRUE(layout.contains("object LnkEdital: TQRHTMLLabel")) << layout.toStdString();
    const std::unique_ptr<TReportForm> read = ReadLayoutForm(layout);
    const auto* back = dynamic_cast<TQRHTMLLabel*>(read->FindComponent(QStringLiteral("LnkEdital")));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->LinkType(), TQRLinkType::ldNameLabel);
    EXPECT_EQ(back->LinkText(), QStringLiteral("edital"));
    EXPECT_EQ(back->Caption(), label.Caption());
    EXPECT_EQ(WriteLayout(*read), layout);

    // Wrapped into several lines: the HTML document gets the whole caption once, a text file every
    // line.
    QTemporaryDir dir;
    const QString html = dir.filePath(QStringLiteral("rotulo.htm"));
    {
        TQRGHTMLDocumentFilter filter(html);
        r.report.ExportToFilter(filter);
    }
    const QString written = QString::fromLatin1(FileBytes(html));
    EXPECT_EQ(written.count(QStringLiteral("\r\n<a name=\"edital\">Edital&nbsp;do&nbsp;preg\xe3o&nbsp;"
                                           "eletr\xf4nico</a>\r\n</DIV>")),
              1)
        << written.toStdString();
    EXPECT_FALSE(written.contains(QStringLiteral("%!")));
    const QString text = dir.filePath(QStringLiteral("rotulo.txt"));
    {
        TQRAsciiExportFilter filter(text);
        r.report.ExportToFilter(filter);
    }
    const QString plain = QString::fromLatin1(FileBytes(text));
    EXPECT_TRUE(plain.contains(QStringLiteral("Edital do")) &&
                plain.contains(QStringLiteral("eletr\xf4nico")))
        << plain.toStdString();
    EXPECT_FALSE(plain.contains(QStringLiteral("%!")));
}

} // namespace
} // namespace quorvel
