// Controls in export mode: what the filter receives, in order, with its arguments.

#include "report/support/QrctrlsTestSupport.h"

#include "platform/Rounding.h"
#include "report/pagestore/QrprntrFilter.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include <tuple>
#include <utility>
#include <vector>

namespace quorvel::testing {
namespace {

QString ShapeName(TExportShapeType shape) {
    static const char* const names[] = {"rectangle", "circle",    "vline",    "hline",
                                        "topbottom", "rightleft", "roundrect"};
    return QLatin1String(names[int(shape)]);
}

QString ColorText(TColor color) {
    return QStringLiteral("%1").arg(color, 6, 16, QLatin1Char('0'));
}

// Writes down every call it receives, one line per call.
class RecordingFilter : public TQRExportFilter {
public:
    RecordingFilter()
        : TQRExportFilter(QStringLiteral("unused")) {}

    void Start(int paperWidth, int paperHeight, const TFont& font) override {
        TQRExportFilter::Start(paperWidth, paperHeight, font);
        calls.append(QStringLiteral("Start %1 %2").arg(paperWidth).arg(paperHeight));
    }
    void EndPage() override { calls.append(QStringLiteral("EndPage")); }
    void NewPage() override { calls.append(QStringLiteral("NewPage")); }
    void Finish() override {
        TQRExportFilter::Finish();
        calls.append(QStringLiteral("Finish"));
    }
    void AcceptGraphic(double xoff, double yoff, const TExportGraphic& graphic) override {
        if (graphic.Kind == TExportGraphicKind::egImage) {
            calls.append(
                QStringLiteral("%1 at %2,%3 picture %4x%5")
                    .arg(graphic.DataBound ? QStringLiteral("TQRDBImage") : QStringLiteral("TQRImage"))
                    .arg(xoff)
                    .arg(yoff)
                    .arg(graphic.Picture.width())
                    .arg(graphic.Picture.height()));
            return;
        }
        if (graphic.Kind != TExportGraphicKind::egShape) {
            calls.append(QStringLiteral("Graphic %1").arg(graphic.Name));
            return;
        }
        calls.append(QStringLiteral("Shape %1 at %2,%3 size %4x%5 pen %6/%7/%8 brush %9/%10")
                         .arg(ShapeName(graphic.Shape))
                         .arg(xoff)
                         .arg(yoff)
                         .arg(graphic.Width)
                         .arg(graphic.Height)
                         .arg(ColorText(graphic.Pen.Color()))
                         .arg(graphic.Pen.Width())
                         .arg(int(graphic.Pen.Style()))
                         .arg(ColorText(graphic.Brush.Color()))
                         .arg(int(graphic.Brush.Style())));
    }
    void AcceptBand(const TQRCustomBand& band, double xoff, double yoff, double expanded) override {
        calls.append(
            QStringLiteral("Band %1 at %2,%3 +%4").arg(band.Name()).arg(xoff).arg(yoff).arg(expanded));
    }
    void TextOut(double x, double y, const TFont& font, TColor bgColor, TAlignment alignment,
                 const QString& text) override {
        calls.append(QStringLiteral("Text '%1' at %2,%3 align %4 size %5 bg %6")
                         .arg(text)
                         .arg(x)
                         .arg(y)
                         .arg(int(alignment))
                         .arg(font.Size())
                         .arg(ColorText(bgColor)));
    }

    QStringList calls;
};

TEST(QrctrlsExport, TextsShapesAndFramesReachTheFilterInDrawingOrder) {
    ControlsFixture f;
    f.AddItem(1, QStringLiteral("Um"), 1);
    f.detail.SetTransparentBand(true);
    // A yellow framed label: its background, its line, then its frame (background and one rectangle).
    TQRLabel& boxed = f.Place<TQRLabel>(f.detail, QStringLiteral("QRLabel1"), 100, 20, 300, 45);
    boxed.SetAutoSize(false);
    boxed.SetColor(clYellow);
    boxed.SetCaption(QStringLiteral("Caixa"));
    boxed.Frame().DrawTop = boxed.Frame().DrawBottom = boxed.Frame().DrawLeft = boxed.Frame().DrawRight =
        true;
    // A transparent label with top and bottom lines: no background, one line shape per side.
    TQRLabel& lined = f.Place<TQRLabel>(f.detail, QStringLiteral("QRLabel2"), 500, 20, 300, 45);
    lined.SetAutoSize(false);
    lined.SetTransparent(true);
    lined.SetAlignment(TAlignment::taRightJustify);
    lined.SetCaption(QStringLiteral("Linhas"));
    lined.Frame().DrawTop = lined.Frame().DrawBottom = true;
    lined.Frame().Color = clRed;
    // A white label with an empty line: the filter hears of the empty line too.
    TQRLabel& plain = f.Place<TQRLabel>(f.detail, QStringLiteral("QRLabel3"), 900, 0, 300, 90);
    plain.SetAutoSize(false);
    plain.SetCaption(QStringLiteral("A\r"));
    TQRShape& rule = f.Place<TQRShape>(f.detail, QStringLiteral("QRShape1"), 0, 60, 1000, 5);
    rule.SetShape(TQRShapeType::qrsHorLine);

    f.table.First();
    RecordingFilter filter;
    f.report.ExportToFilter(filter);

    const double y0 = 100;
    const int l1 = Px(200), t1 = Px(y0 + 20), r1 = Px(500), b1 = Px(y0 + 65);
    const int l2 = Px(600), t2 = Px(y0 + 20), r2 = Px(900), b2 = Px(y0 + 65);
    const double frame = RoundHalfEven(254.0 / 72.0); // tenths of a millimetre for a 1-point frame
    const double lineHeight = TTextMeasure(plain.Font(), 96).TextHeight() * 254.0 / 96.0;
    const QStringList expected{
        QStringLiteral("Start 2100 2970"),
        QStringLiteral("EndPage"),
        QStringLiteral("NewPage"),
        QStringLiteral("Shape rectangle at %1,%2 size %3x%4 pen 00ffff/1/5 brush 00ffff/0")
            .arg(l1)
            .arg(t1)
            .arg(Px(300))
            .arg(Px(45)),
        QStringLiteral("Text 'Caixa' at %1,%2 align 0 size 10 bg 00ffff")
            .arg(200 + frame)
            .arg(y0 + 20 + frame),
        QStringLiteral("Shape rectangle at %1,%2 size %3x%4 pen 00ffff/1/5 brush 00ffff/0")
            .arg(l1)
            .arg(t1)
            .arg(r1 - l1)
            .arg(b1 - t1),
        QStringLiteral("Shape rectangle at %1,%2 size %3x%4 pen 000000/1/0 brush 000000/1")
            .arg(l1)
            .arg(t1)
            .arg(r1 - l1)
            .arg(b1 - t1),
        QStringLiteral("Text 'Linhas' at %1,%2 align 1 size 10 bg ffffff")
            .arg(600 + 300)
            .arg(y0 + 20 + frame),
        QStringLiteral("Shape hline at %1,%2 size %3x1 pen 0000ff/1/0 brush 0000ff/0")
            .arg(l2)
            .arg(t2)
            .arg(r2 - l2),
        QStringLiteral("Shape hline at %1,%2 size %3x1 pen 0000ff/1/0 brush 0000ff/0")
            .arg(l2)
            .arg(b2 - 1)
            .arg(r2 - l2),
        QStringLiteral("Text 'A' at 1000,%1 align 0 size 10 bg ffffff").arg(y0),
        QStringLiteral("Text '' at 1000,%1 align 0 size 10 bg ffffff").arg(y0 + lineHeight),
        QStringLiteral("Shape hline at %1,%2 size %3x%4 pen 000000/1/0 brush ffffff/0")
            .arg(Px(100))
            .arg(Px(y0 + 60))
            .arg(rule.Width())
            .arg(rule.Height()),
        QStringLiteral("Band DetailBand1"),
        QStringLiteral("EndPage"),
        QStringLiteral("Finish"),
    };
    // The band's own report names where the engine started it; only its place in the order matters here.
    QStringList calls = filter.calls;
    for (QString& call : calls)
        if (call.startsWith(QLatin1String("Band "))) call = call.section(QLatin1Char(' '), 0, 1);
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(boxed.Caption(), QStringLiteral("Caixa"));
}

TEST(QrctrlsExport, PicturesAreHandedOverWithThePictureOfTheRecord) {
    ControlsFixture f;
    QImage small(3, 2, QImage::Format_RGB32);
    small.fill(Qt::red);
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        small.save(&buffer, "PNG");
    }
    f.AddItem(1, QString(), 1);
    f.table.Edit();
    f.table.FieldByName(QStringLiteral("obs")).SetAsString(png.toStdString());
    f.table.Post();
    f.AddItem(2, QString(), 2);
    f.detail.SetTransparentBand(true);
    TQRDBImage& fieldPicture = f.Place<TQRDBImage>(f.detail, QStringLiteral("QRDBImage1"), 0, 0, 100, 50);
    fieldPicture.SetDataSet(&f.items);
    fieldPicture.SetDataField(QStringLiteral("obs"));
    fieldPicture.SetTransparent(true);
    TQRImage& logo = f.Place<TQRImage>(f.detail, QStringLiteral("QRImage1"), 200, 10, 100, 50);
    TPicture picture;
    ASSERT_TRUE(picture.LoadFromBytes(png));
    logo.SetPicture(picture);
    logo.SetTransparent(true);
    logo.SetStretch(true);

    f.table.First();
    RecordingFilter filter;
    f.report.ExportToFilter(filter);
    QStringList graphics;
    for (const QString& call : filter.calls)
        if (call.startsWith(QLatin1String("TQR"))) graphics.append(call);
    const QString second = QStringLiteral(" at %1,%2").arg(Px(100)).arg(Px(170));
    // The field's picture keeps its own size; the stretched one is drawn at the control's.
    const auto stretched = [&](int x, int y) {
        return QStringLiteral("TQRImage at %1,%2 picture %3x%4")
            .arg(x)
            .arg(y)
            .arg(logo.Width())
            .arg(logo.Height());
    };
    EXPECT_EQ(graphics, (QStringList{
                            QStringLiteral("TQRDBImage at %1,%2 picture 3x2").arg(Px(100)).arg(Px(100)),
                            stretched(Px(300), Px(110)),
                            QStringLiteral("TQRDBImage") + second + QStringLiteral(" picture 0x0"),
                            stretched(Px(300), Px(180)),
                        }));
}

// The engine and the filters ask a control what it is, never what it is called: which controls the
// band's precalculated height measures, which may be the page background, and how each describes
// itself to a filter.
TEST(QrctrlsExport, ControlsDescribeThemselvesAndSayWhatTheEngineMayAskOfThem) {
    ControlsFixture f;
    TQRCustomBand& band = f.detail;
    TQRLabel& label = f.Place<TQRLabel>(band, QStringLiteral("QRLabel1"), 0, 0, 100, 40);
    TQRExpr& expr = f.Place<TQRExpr>(band, QStringLiteral("QRExpr1"), 0, 0, 100, 40);
    TQRDBText& dbText = f.Place<TQRDBText>(band, QStringLiteral("QRDBText1"), 0, 0, 100, 40);
    TQRMemo& memo = f.Place<TQRMemo>(band, QStringLiteral("QRMemo1"), 0, 0, 100, 40);
    TQRRichText& rich = f.Place<TQRRichText>(band, QStringLiteral("QRRichText1"), 0, 0, 100, 40);
    TQRDBRichText& dbRich = f.Place<TQRDBRichText>(band, QStringLiteral("QRDBRichText1"), 0, 0, 100, 40);
    TQRShape& shape = f.Place<TQRShape>(band, QStringLiteral("QRShape1"), 0, 0, 100, 40);
    TQRImage& image = f.Place<TQRImage>(band, QStringLiteral("QRImage1"), 0, 0, 100, 40);
    TQRDBImage& dbImage = f.Place<TQRDBImage>(band, QStringLiteral("QRDBImage1"), 0, 0, 100, 40);
    const std::vector<std::pair<const TQRPrintable*, std::pair<bool, bool>>> asked = {
        {&label, {false, false}}, {&expr, {false, false}}, {&dbText, {true, false}},
        {&memo, {true, false}},   {&rich, {true, false}},  {&dbRich, {true, false}},
        {&shape, {false, false}}, {&image, {false, true}}, {&dbImage, {true, false}},
    };
    for (const auto& [control, expected] : asked) {
        SCOPED_TRACE(control->Name().toStdString());
        EXPECT_EQ(control->CountsInExpandedHeight(), expected.first);
        EXPECT_EQ(control->CanBePageBackground(), expected.second);
    }

    shape.SetShape(TQRShapeType::qrsCircle);
    shape.SetPen(TPen(clRed, 3, TPenStyle::psDash));
    shape.SetBrush(TBrush(clBlue, TBrushStyle::bsClear));
    shape.SetVertAdjust(4);
    const TExportGraphic circle = shape.ExportGraphic();
    EXPECT_EQ(circle.Kind, TExportGraphicKind::egShape);
    EXPECT_EQ(circle.Shape, TExportShapeType::esCircle);
    EXPECT_EQ(circle.Name, QStringLiteral("QRShape1"));
    EXPECT_EQ(std::pair(circle.Width, circle.Height), std::pair(shape.Width(), shape.Height()));
    EXPECT_EQ(std::tuple(circle.Pen.Color(), circle.Pen.Width(), circle.Pen.Style()),
              std::tuple(clRed, 3, TPenStyle::psDash));
    EXPECT_EQ(std::pair(circle.Brush.Color(), circle.Brush.Style()), std::pair(clBlue, TBrushStyle::bsClear));
    EXPECT_EQ(circle.VertAdjust, 4);

    EXPECT_EQ(label.ExportGraphic().Kind, TExportGraphicKind::egOther);
    EXPECT_EQ(label.ExportGraphic().Name, QStringLiteral("QRLabel1"));

    QImage red(4, 3, QImage::Format_RGB32);
    red.fill(Qt::red);
    TPicture picture;
    picture.SetBitmap(red);
    image.SetPicture(picture);
    const TExportGraphic fixed = image.ExportGraphic();
    EXPECT_EQ(fixed.Kind, TExportGraphicKind::egImage);
    EXPECT_FALSE(fixed.DataBound);
    EXPECT_EQ(fixed.Picture.size(), QSize(4, 3));
    // A data-bound image without a field shows nothing, whatever picture it last held.
    dbImage.SetPicture(picture);
    const TExportGraphic unbound = dbImage.ExportGraphic();
    EXPECT_EQ(unbound.Kind, TExportGraphicKind::egImage);
    EXPECT_TRUE(unbound.DataBound);
    EXPECT_TRUE(unbound.Picture.isNull());
    dbImage.SetDataField(QStringLiteral("obs"));
    EXPECT_EQ(dbImage.ExportGraphic().Picture.size(), QSize(4, 3));
}

} // namespace
} // namespace quorvel::testing
