// Text controls printed into a page store: the pages are read back through the text enumerator and
// checked for texts, positions in pixels at 96 pixels per inch, and page numbers.

#include "QrctrlsTestSupport.h"

#include "platform/Metafile.h"
#include "platform/MetafileEnumerator.h"
#include "platform/Rounding.h"
#include "store/StoreField.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QLocale>

namespace quorvel::testing {
namespace {

const QString kDescription = QString::fromUtf8(
    "Caneta esferográfica azul-escuro com tampa anti-asfixia, corpo sextavado transparente, ponta "
    "média de 1,0 mm em latão e esfera de tungstênio, tinta à base de óleo; embalagem com cinquenta "
    "unidades em caixa de papel-cartão reciclável, validade mínima de vinte e quatro meses.");

// 508 pixels at 96 pixels per inch, in tenths of a millimetre.
constexpr double kWidth508 = 508 * 254.0 / 96.0;

// Height of one printed line in tenths of a millimetre (the font's cell at 96 pixels per inch).
double LineHeight(const TFont& font) {
    return TTextMeasure(font, 96).TextHeight() * 254.0 / 96.0;
}

QStringList TextsAt(const std::vector<PageText>& texts, int x) {
    QStringList result;
    for (const PageText& text : texts)
        if (text.x == x) result.append(text.text);
    return result;
}

QString FirstWord(const QString& line) {
    for (qsizetype i = 0; i < line.size(); ++i)
        if (line[i] == QLatin1Char(' ') || line[i] == QLatin1Char('-')) return line.left(i + 1);
    return line;
}

TEST(QrctrlsWordWrap, DescriptionBreaksAtSpacesAndHyphensIntoLinesNoWiderThan508Pixels) {
    ControlsFixture f;
    f.AddItem(1, kDescription, 1);
    f.AddItem(2, QStringLiteral("Segundo"), 2);
    TQRDBText& text = f.FieldText(QStringLiteral("DBdescr"), QStringLiteral("descr"), 0, 0, kWidth508, false);
    text.SetAutoStretch(true);
    ASSERT_EQ(text.Width(), 508);

    const std::vector<PageText> texts = f.Run();
    ASSERT_GE(texts.size(), 5u);
    QStringList lines = Texts(texts);
    ASSERT_EQ(lines.takeLast(), QStringLiteral("Segundo"));
    EXPECT_EQ(lines.join(QString()), kDescription) << "no character is lost or added";
    const TFont font = text.Font();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        EXPECT_LE(f.report.TextWidth(font, lines[i]), 508) << lines[i].toStdString();
        if (i + 1 < lines.size()) {
            EXPECT_TRUE(lines[i].endsWith(QLatin1Char(' ')) || lines[i].endsWith(QLatin1Char('-')))
                << lines[i].toStdString();
            // Each line is as long as it can be: the next word would not have fitted.
            EXPECT_GT(f.report.TextWidth(font, lines[i] + FirstWord(lines[i + 1])), 508)
                << lines[i].toStdString();
        }
    }

    // Lines one line height apart from the band's top; the band grew by one line height per extra
    // line, so the next record starts below them.
    const double lineHeight = LineHeight(font);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(texts[std::size_t(i)].x, Px(100)) << i;
        EXPECT_EQ(texts[std::size_t(i)].y, Px(100 + i * lineHeight)) << i;
        EXPECT_EQ(texts[std::size_t(i)].page, 1);
    }
    const double extra = double(lines.size() - 1) * lineHeight;
    EXPECT_EQ(texts.back().y, Px(100 + RoundHalfEven(70 + extra)));
}

TEST(QrctrlsWordWrap, EveryLineIsAsFullAsTheWidthAllowsOverManyDescriptions) {
    ControlsFixture f;
    TQRLabel& label = f.Place<TQRLabel>(f.detail, QStringLiteral("QRLabel1"), 0, 0, kWidth508, 45);
    label.SetAutoSize(false);
    const TFont font = label.Font();
    const QStringList words = kDescription.split(QLatin1Char(' '));
    std::uint32_t seed = 7;
    for (int round = 0; round < 300; ++round) {
        QStringList picked;
        for (int n = 6 + round % 35; n > 0; --n) {
            seed = seed * 1103515245u + 12345u;
            picked.append(words[qsizetype(seed >> 8) % words.size()]);
        }
        const QString text = picked.join(QLatin1Char(' '));
        label.SetCaption(text);
        const QStringList lines = label.FormattedLines();
        ASSERT_EQ(lines.join(QString()), text);
        for (qsizetype i = 0; i < lines.size(); ++i) {
            ASSERT_LE(f.report.TextWidth(font, lines[i]), 508) << text.toStdString();
            if (i + 1 < lines.size()) {
                ASSERT_GT(f.report.TextWidth(font, lines[i] + FirstWord(lines[i + 1])), 508)
                    << text.toStdString();
            }
        }
    }
}

TEST(QrctrlsWordWrap, WithoutAutoStretchOnlyTheLinesInTheControlsHeightPrint) {
    ControlsFixture f;
    f.AddItem(1, kDescription, 1);
    f.AddItem(2, QStringLiteral("Segundo"), 2);
    TQRDBText& text = f.FieldText(QStringLiteral("DBdescr"), QStringLiteral("descr"), 0, 0, kWidth508, false);
    // Room for two lines.
    text.Size().SetNativeValue(TQRPrintableSize::iHeight, 2 * LineHeight(text.Font()));

    const std::vector<PageText> texts = f.Run();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_TRUE(kDescription.startsWith(texts[0].text + texts[1].text));
    EXPECT_EQ(texts[2].text, QStringLiteral("Segundo"));
    EXPECT_EQ(texts[2].y, Px(170)) << "the band kept its height";
}

TEST(QrctrlsWordWrap, AWordWiderThanTheControlIsCutAtItsWidthAndTheRestIsDropped) {
    ControlsFixture f;
    const QString word = QStringLiteral("Pneumoultramicroscopicossilicovulcanoconiose");
    f.AddItem(1, word + QStringLiteral(" curto"), 1);
    TQRDBText& text =
        f.FieldText(QStringLiteral("DBdescr"), QStringLiteral("descr"), 0, 0, 40 * 254.0 / 96.0, false);
    text.SetAutoStretch(true);

    const std::vector<PageText> texts = f.Run();
    ASSERT_EQ(texts.size(), 2u);
    const QString cut = texts[0].text;
    ASSERT_FALSE(cut.isEmpty());
    EXPECT_TRUE(word.startsWith(cut));
    EXPECT_LT(f.report.TextWidth(text.Font(), cut), 40);
    EXPECT_GE(f.report.TextWidth(text.Font(), word.left(cut.size() + 1)), 40);
    EXPECT_EQ(texts[1].text, QStringLiteral("curto")) << "the rest of the long word is not printed";
}

TEST(QrctrlsWordWrap, CarriageReturnsStartLinesLineFeedsVanishAndWordWrapOffKeepsOneLinePerParagraph) {
    ControlsFixture f;
    f.AddItem(1, QString(), 1);
    TQRLabel& label = f.Place<TQRLabel>(f.detail, QStringLiteral("QRLabel1"), 0, 0, 800, 45);
    label.SetAutoStretch(true);
    label.SetCaption(QStringLiteral("Primeira\r\nSegunda\r\n"));
    EXPECT_EQ(label.FormattedLines(), (QStringList{"Primeira", "Segunda", ""}));
    label.SetAutoSize(false);
    EXPECT_EQ(label.FormattedLines(), (QStringList{"Primeira", "Segunda", ""}));

    TQRLabel& narrow = f.Place<TQRLabel>(f.detail, QStringLiteral("QRLabel2"), 1000, 0, 0, 45);
    narrow.SetAutoSize(false);
    narrow.SetWordWrap(false);
    narrow.SetWidth(f.report.TextWidth(narrow.Font(), QStringLiteral("aaa ")) + 2);
    narrow.SetCaption(QStringLiteral("aaa bbb ccc ddd\rzz"));
    EXPECT_EQ(narrow.FormattedLines(), (QStringList{"aaa ", "zz"}));

    const std::vector<PageText> texts = f.Run();
    const double lineHeight = LineHeight(label.Font());
    ASSERT_EQ(TextsAt(texts, Px(100)), (QStringList{"Primeira", "Segunda"})) << "an empty line draws nothing";
    EXPECT_EQ(texts[1].y, Px(100 + lineHeight));
}

TEST(QrctrlsAlignment, AutoSizedRightAlignedFieldKeepsItsRightEdgeWhateverItsLength) {
    ControlsFixture f;
    f.AddItem(1, QString(), 1234.5);
    f.AddItem(2, QString(), 5);
    f.AddItem(3, QString(), 1234567.891);
    TQRDBText& value = f.FieldText(QStringLiteral("DBvalor"), QStringLiteral("valor"), 1000, 0, 100);
    value.SetAlignment(TAlignment::taRightJustify);

    f.table.First();
    f.report.Prepare();
    QStringList texts;
    for (const PageText& text : PageTexts(*f.report.QRPrinter())) {
        texts.append(text.text);
        EXPECT_EQ(text.x, Px(100 + 1000 + 100)) << text.text.toStdString();
    }
    EXPECT_EQ(texts, (QStringList{"1.234,50", "5,00", "1.234.567,89"}));
    const std::unique_ptr<TMetafile> page = f.report.QRPrinter()->GetPage(1);
    ASSERT_TRUE(page);
    EXPECT_EQ(MetafileTexts(*page).front().Align & TA_HORIZONTAL_MASK, TA_RIGHT);
}

TEST(QrctrlsAlignment, LabelAlignedToTheBandIsCentredOnTheBandsWidth) {
    ControlsFixture f;
    f.AddItem(1, QString(), 1);
    TQRLabel& title = f.Place<TQRLabel>(f.detail, QStringLiteral("LbTitulo"), 531.8, 7.9, 833.4, 63.5);
    title.SetAlignment(TAlignment::taCenter);
    title.SetAlignToBand(true);
    title.SetCaption(QString::fromUtf8("Relatório da Digitação das Propostas"));
    EXPECT_EQ(title.Left(), (f.detail.Width() - title.Width()) / 2);
    title.SetCaption(QStringLiteral("Curto"));
    EXPECT_EQ(title.Left(), (f.detail.Width() - title.Width()) / 2);

    const std::vector<PageText> texts = f.Run();
    ASSERT_EQ(texts.size(), 1u);
    const double centre = title.Size().NativeValue(TQRPrintableSize::iLeft) +
                          title.Size().NativeValue(TQRPrintableSize::iWidth) / 2;
    EXPECT_EQ(texts[0].x, Px(100 + centre));
    EXPECT_NEAR(texts[0].x, Px(100) + f.detail.Width() / 2.0, 1.0);
}

TEST(QrctrlsSysData, PageNumberAndDateFollowTheirTextOnEveryPage) {
    ControlsFixture f;
    for (int i = 1; i <= 60; ++i)
        f.AddItem(i, QString(), i);
    f.FieldText(QStringLiteral("DBnumitem"), QStringLiteral("numitem"), 0, 0, 100);
    TQRBand& footer = f.AddBand(TQRBandType::rbPageFooter, QStringLiteral("PageFooterBand1"), 52.9);
    TQRSysData& page = f.Place<TQRSysData>(footer, QStringLiteral("QRSysData1"), 1703.9, 2.6, 195.8, 45);
    page.SetData(TQRSysDataType::qrsPageNumber);
    page.SetText(QString::fromUtf8("Página:"));
    TQRSysData& date = f.Place<TQRSysData>(footer, QStringLiteral("QRSysData2"), 817.6, 2.6, 261.9, 45);
    date.SetData(TQRSysDataType::qrsDate);
    date.SetText(QString::fromUtf8("Data Emissão:"));
    EXPECT_EQ(page.Caption(), QString::fromUtf8("Página:(Page#)"));

    const std::vector<PageText> texts = f.Run();
    const QString today =
        QString::fromUtf8("Data Emissão:") + QLocale().toString(QDate::currentDate(), QLocale::ShortFormat);
    ASSERT_EQ(f.report.QRPrinter()->PageCount(), 2);
    const int footerTop = Px(2970 - 100 - 52.9 + 2.6);
    for (int number = 1; number <= 2; ++number) {
        QStringList footerTexts;
        for (const PageText& text : OnPage(texts, number))
            if (text.y == footerTop) footerTexts.append(text.text);
        EXPECT_EQ(footerTexts, (QStringList{QString::fromUtf8("Página:") + QString::number(number), today}));
    }
}

TEST(QrctrlsStretch, LongAutoStretchLabelContinuesOnTheNextPageUnderThePageHeader) {
    ControlsFixture f;
    f.AddItem(1, QString(), 1);
    TQRBand& header = f.AddBand(TQRBandType::rbPageHeader, QStringLiteral("PageHeaderBand1"), 100);
    TQRLabel& heading = f.Place<TQRLabel>(header, QStringLiteral("LbCabecalho"), 0, 0, 300, 45);
    heading.SetCaption(QString::fromUtf8("Cabeçalho"));
    QStringList lines;
    for (int i = 1; i <= 90; ++i)
        lines.append(QStringLiteral("Linha %1").arg(i));
    TQRLabel& label = f.Place<TQRLabel>(f.detail, QStringLiteral("QRLabel1"), 50, 10, 500, 45);
    label.SetAutoStretch(true);
    label.SetCaption(lines.join(QLatin1Char('\r')));

    const std::vector<PageText> texts = f.Run();
    const double lineHeight = LineHeight(label.Font());
    // The box as the pixel bounds left it (auto size writes them back into its lengths).
    const double left = label.Size().NativeValue(TQRPrintableSize::iLeft);
    const double top = label.Size().NativeValue(TQRPrintableSize::iTop);
    EXPECT_NEAR(top, 10, 1);
    QStringList printed;
    int pages = 0;
    for (int page = 1; page <= f.report.QRPrinter()->PageCount(); ++page) {
        const std::vector<PageText> onPage = OnPage(texts, page);
        ASSERT_FALSE(onPage.empty());
        EXPECT_EQ(onPage.front().text, QString::fromUtf8("Cabeçalho")) << page;
        EXPECT_EQ(onPage.front().y, Px(100)) << page;
        for (std::size_t i = 1; i < onPage.size(); ++i) {
            // Every page's part starts at the band's top under the page header.
            EXPECT_EQ(onPage[i].y, Px(200 + top + double(i - 1) * lineHeight)) << page << " " << i;
            EXPECT_EQ(onPage[i].x, Px(100 + left));
            printed.append(onPage[i].text);
        }
        ++pages;
    }
    EXPECT_EQ(pages, 2);
    EXPECT_EQ(printed, lines) << "every line once, in order";
}

enum class StretchingControl { Label, MemoField };

// The texts a stretching control prints, page by page, under a page header and over a page footer:
// record 1 carries the lines "Linha 1" … "Linha <lineCount>"; the memo field's report has a second
// record whose one line "Seguinte" follows the long text (a label prints its caption for every record,
// so its report has one record).
std::vector<QStringList> StretchedPages(StretchingControl kind, int lineCount) {
    ControlsFixture f;
    TQRBand& header = f.AddBand(TQRBandType::rbPageHeader, QStringLiteral("PageHeaderBand1"), 100);
    f.Place<TQRLabel>(header, QStringLiteral("LbCabecalho"), 0, 0, 300, 45)
        .SetCaption(QString::fromUtf8("Cabeçalho"));
    TQRBand& footer = f.AddBand(TQRBandType::rbPageFooter, QStringLiteral("PageFooterBand1"), 60);
    f.Place<TQRLabel>(footer, QStringLiteral("LbRodape"), 0, 0, 300, 45)
        .SetCaption(QString::fromUtf8("Rodapé"));
    QStringList lines;
    for (int i = 1; i <= lineCount; ++i)
        lines.append(QStringLiteral("Linha %1").arg(i));
    const auto addRecord = [&f](int number, const QString& obs) {
        f.table.Append();
        f.table.FieldByName(QStringLiteral("numitem")).SetAsInteger(number);
        f.table.FieldByName(QStringLiteral("obs")).SetAsQString(obs);
        f.table.Post();
    };
    if (kind == StretchingControl::Label) {
        addRecord(1, QString());
        TQRLabel& label = f.Place<TQRLabel>(f.detail, QStringLiteral("QRLabel1"), 50, 10, 500, 45);
        label.SetAutoStretch(true);
        label.SetCaption(lines.join(QLatin1Char('\r')));
    } else {
        addRecord(1, lines.join(QStringLiteral("\r\n")));
        addRecord(2, QStringLiteral("Seguinte"));
        TQRDBText& text =
            f.FieldText(QStringLiteral("DBobs"), QStringLiteral("obs"), 50, 10, kWidth508, false);
        text.SetAutoStretch(true);
    }
    const std::vector<PageText> texts = f.Run();
    std::vector<QStringList> pages(std::size_t(f.report.QRPrinter()->PageCount()));
    std::vector<int> firstLineY(pages.size(), -1);
    for (const PageText& text : texts) {
        if (text.text == QString::fromUtf8("Cabeçalho") || text.text == QString::fromUtf8("Rodapé")) continue;
        QStringList& page = pages.at(std::size_t(text.page - 1));
        if (page.isEmpty()) firstLineY[std::size_t(text.page - 1)] = text.y;
        page.append(text.text);
    }
    // Every page's part starts at the band's top under the page header.
    for (const int y : firstLineY)
        EXPECT_EQ(y, firstLineY.front());
    return pages;
}

// A text that ends exactly at a page's end or leaves exactly one line past it: every line is printed
// once, in order, each page holding as many as it can, and the next record follows once.
TEST(QrctrlsStretch, TextEndingAtOrOneLinePastAPageBreakPrintsEveryLineOnceInOrder) {
    for (const StretchingControl kind : {StretchingControl::Label, StretchingControl::MemoField}) {
        SCOPED_TRACE(kind == StretchingControl::Label ? "label" : "memo field");
        // How many lines the first and a following page hold.
        const std::vector<QStringList> probe = StretchedPages(kind, 300);
        ASSERT_GE(probe.size(), 3u);
        const int first = int(probe[0].size());
        const int next = int(probe[1].size());
        ASSERT_GT(first, 10);
        ASSERT_GT(next, 10);

        for (const int lineCount : {first - 1, first, first + 1, first + next, first + next + 1}) {
            SCOPED_TRACE(lineCount);
            // The lines as the pages must carry them: the first page full, then full following pages.
            std::vector<QStringList> expected;
            for (int i = 1; i <= lineCount; ++i) {
                if (expected.empty() || expected.back().size() == (expected.size() == 1 ? first : next))
                    expected.emplace_back();
                expected.back().append(QStringLiteral("Linha %1").arg(i));
            }
            std::vector<QStringList> pages = StretchedPages(kind, lineCount);
            if (kind == StretchingControl::MemoField) {
                // The next record's line comes once, after the whole text: on the text's last page
                // when it has room, else on a page of its own.
                ASSERT_FALSE(pages.empty());
                ASSERT_FALSE(pages.back().isEmpty());
                EXPECT_EQ(pages.back().takeLast(), QStringLiteral("Seguinte"));
                if (pages.back().isEmpty()) pages.pop_back();
            }
            EXPECT_EQ(pages, expected);
        }
    }
}

TEST(QrctrlsEvents, OnPrintTextPrintsOnceAndTheNextPrintingStartsFromTheCaption) {
    ControlsFixture f;
    f.AddItem(1, QString(), 1);
    f.AddItem(2, QString(), 2);
    TQRLabel& label = f.Place<TQRLabel>(f.detail, QStringLiteral("QRLabel1"), 0, 0, 300, 45);
    label.SetCaption(QStringLiteral("Original"));
    int calls = 0;
    label.OnPrint = [&](TQRCustomLabel&, QString& value) {
        EXPECT_EQ(value, QStringLiteral("Original"));
        if (calls++ == 0) value = QStringLiteral("Trocado");
    };
    EXPECT_EQ(Texts(f.Run()), (QStringList{"Trocado", "Original"}));
    EXPECT_EQ(label.PrintText(), QStringLiteral("Original"));
}

TEST(QrctrlsStretch, ExpandedHeightIsTheFormattedLineCountTimesTheLineHeight) {
    ControlsFixture f;
    f.AddItem(1, kDescription, 1);
    TQRDBText& text = f.FieldText(QStringLiteral("DBdescr"), QStringLiteral("descr"), 0, 5, kWidth508, false);
    text.SetAutoStretch(true);
    f.table.First();
    text.Prepare();
    double height = text.Height();
    text.GetExpandedHeight(height);
    const int lineHeight = TTextMeasure(text.Font(), 96).TextHeight();
    EXPECT_GT(text.FormattedLines().size(), 2);
    EXPECT_EQ(height, double(text.FormattedLines().size() * lineHeight));
    // Memo and blob fields print their lines; a missing field prints nothing.
    f.table.Edit();
    f.table.FieldByName(QStringLiteral("obs")).SetAsQString(QStringLiteral("um\r\ndois"));
    f.table.Post();
    text.UnPrepare();
    text.SetDataField(QStringLiteral("obs"));
    text.Prepare();
    text.GetExpandedHeight(height);
    EXPECT_EQ(text.FormattedLines(), (QStringList{"um", "dois"}));
    EXPECT_EQ(height, 2.0 * lineHeight);
    text.UnPrepare();
    EXPECT_EQ(text.Caption(), QStringLiteral("obs"));
    text.SetDataField(QStringLiteral("nada"));
    text.Prepare();
    QString value = QStringLiteral("x");
    text.GetFieldString(value);
    EXPECT_EQ(value, QString());
    text.UnPrepare();
}

} // namespace
} // namespace quorvel::testing
