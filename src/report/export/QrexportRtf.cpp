#include "report/export/QrexportRtf.h"

#include "platform/Rounding.h"

#include "platform/CodePage.h"
#include "report/export/ExportCharacters.h"
#include "report/export/ExportReport.h"

#include <QFontDatabase>

#include <algorithm>
#include <cmath>

namespace quorvel {

namespace {

constexpr double kTenthsPerPoint = 254.0 / 72.0;
constexpr double kTwipsPerTenth = 1440.0 / 254.0;
constexpr double kTenthsPerTwip = 254.0 / 1440.0;

const char* const QRRTFFontFamily[8] = {"\\fnil",    "\\froman", "\\fswiss", "\\fmodern",
                                        "\\fscript", "\\fdecor", "\\ftech",  "\\fbidi"};

int Round(double v) {
    return RoundHalfEven(v);
}

// The family class an installed family most likely has; the font database gives no pitch-and-family
// byte, so fixed pitch means modern and the usual words of family names decide the rest.
int FamilyClass(const QString& family) {
    if (QFontDatabase::isFixedPitch(family)) return 3;
    if (family.contains(QLatin1String("Sans"), Qt::CaseInsensitive)) return 2;
    if (family.contains(QLatin1String("Serif"), Qt::CaseInsensitive)) return 1;
    return 0;
}

} // namespace

// The installed families, and the standard face names a report uses where the platform maps them onto
// an installed metric twin (a word processor opening the file substitutes the same way).
std::vector<TRtfSystemFont> RtfSystemFonts() {
    const QStringList families = QFontDatabase::families();
    QStringList names = families;
    struct StandardFace {
        const char* name;
        int family;
    };
    static const StandardFace standard[] = {
        {"Arial", 2}, {"Courier New", 3}, {"Tahoma", 2}, {"Times New Roman", 1}};
    std::vector<TRtfSystemFont> listed;
    for (const auto& family : families) {
        if (!listed.empty() && listed.back().Name.compare(family, Qt::CaseInsensitive) == 0) continue;
        listed.push_back({family, FamilyClass(family)});
    }
    for (const auto& face : standard) {
        const QString name = QString::fromLatin1(face.name);
        const bool present = std::any_of(listed.begin(), listed.end(), [&](const auto& f) {
            return f.Name.compare(name, Qt::CaseInsensitive) == 0;
        });
        if (!present && families.contains(MappedFontFamily(name))) listed.push_back({name, face.family});
    }
    std::stable_sort(listed.begin(), listed.end(), [](const auto& a, const auto& b) {
        return a.Name.compare(b.Name, Qt::CaseInsensitive) < 0;
    });
    return listed;
}

namespace {

std::string EscapeRtf(const QString& text) {
    std::string escaped;
    for (char c : QStringToCp1252(text)) {
        if (IsStrayControl(static_cast<unsigned char>(c))) {
            // A control byte goes out as the hexadecimal escape, never raw.
            static constexpr char kHex[] = "0123456789abcdef";
            escaped += "\\'";
            escaped += kHex[(static_cast<unsigned char>(c) >> 4) & 0xF];
            escaped += kHex[static_cast<unsigned char>(c) & 0xF];
            continue;
        }
        if (c == '\\' || c == '{' || c == '}') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

std::string Number(long long v) {
    return std::to_string(v);
}

} // namespace

const TColor QRRTFColors[18] = {clBlack, clMaroon,  clGreen,  clOlive,  clNavy, clPurple,
                                clTeal,  clGray,    clSilver, clRed,    clLime, clYellow,
                                clBlue,  clFuchsia, clAqua,   clSilver, clGray, clWhite};

void TQRRTFLineItem::Add(TQRRTFItem item) {
    const auto at = std::upper_bound(items_.begin(), items_.end(), item.X,
                                     [](double x, const TQRRTFItem& existing) { return x < existing.X; });
    items_.insert(at, std::move(item));
}

TQRRTFExportFilter::TQRRTFExportFilter(const QString& fileName)
    : TQRExportFilter(fileName) {}

TQRRTFExportFilter::~TQRRTFExportFilter() = default;

int TQRRTFExportFilter::FontIndex(const QString& name) const {
    for (std::size_t i = 0; i < systemFonts_.size(); ++i)
        if (systemFonts_[i].Name.compare(name, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
    return -1;
}

void TQRRTFExportFilter::Start(int paperWidth, int paperHeight, const TFont& font) {
    if (rtfStarted_) return;
    const TExportPageSetup page = ExportPageSetupOf(*this, paperWidth, paperHeight);
    const bool hasPaper = page.FromReport;
    const bool landscape = page.FromReport && page.Landscape;
    if (page.FromReport) {
        paperLength_ = page.Length * kTwipsPerTenth;
        paperWidth_ = page.Width * kTwipsPerTenth;
        topMargin_ = page.TopMargin * kTwipsPerTenth;
        bottomMargin_ = page.BottomMargin * kTwipsPerTenth;
        leftMargin_ = page.LeftMargin * kTwipsPerTenth;
        rightMargin_ = page.RightMargin * kTwipsPerTenth;
    } else {
        topMargin_ = bottomMargin_ = leftMargin_ = rightMargin_ = 720;
    }
    systemFonts_ = RtfSystemFonts();
    output_ = std::make_unique<TExportOutput>(TargetFile());
    pageBreakDue_ = false;
    lineSlots_ = Round(paperHeight / kTenthsPerPoint);

    std::string header = "{\\rtf1\\ansi\\deff0\\deftab720";
    if (hasPaper)
        header += "\\paperh" + Number(Round(paperLength_)) + "\\paperw" + Number(Round(paperWidth_)) +
                  "\\psz" + Number(page.PaperSizeCode);
    header += "\\margl" + Number(Round(leftMargin_)) + "\\margr" + Number(Round(rightMargin_)) + "\\margt" +
              Number(Round(topMargin_)) + "\\margb" + Number(Round(bottomMargin_));
    if (landscape) header += "\\landscape";
    header += "{\\fonttbl";
    const auto& fonts = systemFonts_;
    for (std::size_t i = 0; i < fonts.size(); ++i)
        header += "{\\f" + Number(static_cast<long long>(i)) + QRRTFFontFamily[fonts[i].Family & 7] + " " +
                  QStringToCp1252(fonts[i].Name) + ";}";
    header += "}";
    WriteLine(header);

    std::string colors = "{\\colortbl";
    for (TColor c : QRRTFColors)
        colors += "\\red" + Number(c & 0xFF) + "\\green" + Number(c >> 8 & 0xFF) + "\\blue" +
                  Number(c >> 16 & 0xFF) + ";";
    colors += "}";
    WriteLine(colors);
    WriteLine("\\deflang1033");

    rtfStarted_ = true;
    TQRExportFilter::Start(paperWidth, paperHeight, font);
}

void TQRRTFExportFilter::CreateRTFLines() {
    DestroyRTFLines();
    slots_.assign(static_cast<std::size_t>(std::max(lineSlots_, 0)), TQRRTFLineItem());
    slotsMade_ = true;
}

void TQRRTFExportFilter::DestroyRTFLines() {
    slots_.clear();
    slotsMade_ = false;
}

void TQRRTFExportFilter::TextOut(double x, double y, const TFont& font, TColor bgColor, TAlignment alignment,
                                 const QString& text) {
    (void)bgColor;
    TQRRTFItem item;
    item.X = x;
    item.Y = y;
    item.Alignment = alignment;
    item.Text = EscapeRtf(text);
    item.FontIndex = FontIndex(font.Name());
    item.FontSize = font.Size() * 2;
    item.FontStyle = font.Style();
    item.FontColor = font.Color();
    const int slot = Round(y / kTenthsPerPoint);
    // Texts below the page, or above it, have no slot and are dropped.
    if (slot >= 0 && slot < static_cast<int>(slots_.size()))
        slots_[static_cast<std::size_t>(slot)].Add(std::move(item));
}

void TQRRTFExportFilter::EndPage() {
    if (!output_ || !slotsMade_) return;
    if (pageBreakDue_) WriteLine("{\\page }");
    double runningBottom = topMargin_ * kTenthsPerTwip;
    int largestSize = 0;
    // How far a reader's flow runs below the report's positions: lines set closer than a reader
    // sets them push everything after them down, so that space comes off the next gap, or a
    // one-page report's footer would fall onto a page of its own.
    int flowAhead = 0;
    for (const auto& slot : slots_) {
        if (slot.Items().empty()) continue;
        std::string paragraph = "\\pard\\plain";
        std::string runs;
        bool first = true;
        for (const auto& item : slot.Items()) {
            if (first) {
                const int gap =
                    Round((item.Y - runningBottom) * kTwipsPerTenth) - largestSize * 10 - 50 - flowAhead;
                if (gap > 0) paragraph += "\\sb" + Number(gap);
                flowAhead = std::max(0, -gap);
                first = false;
            }
            largestSize = std::max(largestSize, item.FontSize);
            runningBottom = std::max(runningBottom, item.Y);
            switch (item.Alignment) {
            case TAlignment::taLeftJustify:
                paragraph += "\\tql";
                break;
            case TAlignment::taRightJustify:
                paragraph += "\\tqr";
                break;
            case TAlignment::taCenter:
                paragraph += "\\tqc";
                break;
            }
            // A text left of the margin would get a negative tab stop, which word processors drop,
            // pushing the line's texts onto the wrong stops; it goes to the first stop instead.
            // One past the right margin makes readers wrap the line's last text onto a line of its own.
            int stop = std::max(20, Round(item.X * kTwipsPerTenth - leftMargin_) + 20);
            if (paperWidth_ > 0) stop = std::min(stop, Round(paperWidth_ - leftMargin_ - rightMargin_));
            paragraph += "\\tx" + Number(stop);

            runs += "\\tab\\plain";
            if (item.FontIndex >= 0) runs += "\\f" + Number(item.FontIndex);
            runs += "\\fs" + Number(item.FontSize);
            if (item.FontStyle.testFlag(TFontStyle::fsBold)) runs += "\\b";
            if (item.FontStyle.testFlag(TFontStyle::fsItalic)) runs += "\\i";
            if (item.FontStyle.testFlag(TFontStyle::fsUnderline)) runs += "\\ul";
            if (item.FontStyle.testFlag(TFontStyle::fsStrikeOut)) runs += "\\strike";
            for (int n = 1; n < 18; ++n) {
                if (QRRTFColors[n] == item.FontColor) {
                    runs += "\\cf" + Number(n);
                    break;
                }
            }
            runs += " " + item.Text;
        }
        WriteLine(paragraph);
        WriteLine("{\\plain" + runs + "{\\fs1\\par}}");
    }
    pageBreakDue_ = true;
}

void TQRRTFExportFilter::StartConcat() {
    rtfStarted_ = false;
    concatenating_ = true;
}

void TQRRTFExportFilter::EndConcat() {
    concatenating_ = false;
    Finish();
}

void TQRRTFExportFilter::Finish() {
    if (concatenating_) return;
    if (output_) {
        // The closing paragraph must not inherit the last line's spacing before it, which would
        // carry it onto a page of its own.
        WriteLine("\\pard\\plain");
        WriteLine("\\par }");
        output_->Commit();
    }
    DestroyRTFLines();
    rtfStarted_ = false;
    TQRExportFilter::Finish();
}

} // namespace quorvel
