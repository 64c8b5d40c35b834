#include "sheet/XlsxSharedStrings.h"

#include "sheet/SheetCollector.h"
#include "sheet/SheetText.h"
#include "sheet/XmlHalves.h"
#include "sheet/XmlPartReader.h"

#include <utility>

namespace quorvel {
namespace {

class SharedStringsReader : public HalfReader<SharedStringsReader> {
public:
    SharedStringsReader(XmlPartReader& xml, SheetCollector& sheet, std::vector<QString>& strings)
        : HalfReader(xml)
        , sheet_(sheet)
        , strings_(strings) {}

    // Between two strings: where a part may be cut.
    bool BetweenItems() const noexcept { return !inItem_ && phonetic_ == 0 && !inText_; }
    // Strings are not numbered: those of a second half stand as in the whole.
    bool StandsAlone() const noexcept { return true; }

private:
    friend class HalfReader<SharedStringsReader>;

    QString Where() const { return QStringLiteral("texto compartilhado %1").arg(strings_.size()); }

    void Text(QStringView text) {
        if (inText_) sheet_.AppendText(text_, text, [this] { return Where(); });
    }

    void Start(QStringView name) {
        if (name == u"si") {
            inItem_ = true;
            text_.clear();
        } else if (name == u"rPh") {
            ++phonetic_; // a reading aid, whose text is not the cell's
        } else if (name == u"t") {
            inText_ = inItem_ && phonetic_ == 0;
        }
    }

    void End(QStringView name) {
        if (name == u"si") {
            if (strings_.size() >= sheet_.Limits().maxCells)
                xml_.Fail(QStringLiteral("a planilha passa de %1 textos compartilhados")
                              .arg(GroupedCount(sheet_.Limits().maxCells)));
            sheet_.ChargeText(static_cast<std::size_t>(text_.size()), [this] { return Where(); });
            strings_.push_back(text_);
            inItem_ = false;
        } else if (name == u"rPh") {
            --phonetic_;
        } else if (name == u"t") {
            inText_ = false;
        }
    }

    SheetCollector& sheet_;
    std::vector<QString>& strings_;
    QString text_;
    bool inItem_ = false;
    int phonetic_ = 0;
    bool inText_ = false;
};

} // namespace

std::vector<QString> ReadSharedStrings(XmlPartReader& xml, SheetCollector& sheet) {
    std::vector<QString> strings;
    SharedStringsReader(xml, sheet, strings).Read();
    return strings;
}

std::size_t FindStringTag(std::span<const char> part, std::size_t from) {
    return FindTag(part, from, "si");
}

std::optional<std::vector<QString>> ReadSharedStringsInHalves(const QString& name, std::span<const char> part,
                                                              std::size_t cut, SheetCollector& sheet) {
    const SheetLimits& limits = sheet.Limits();
    SheetCollector charged[2] = {SheetCollector(limits), SheetCollector(limits)};
    std::vector<QString> strings[2];
    const auto make = [&](XmlPartReader& xml, int half) {
        return SharedStringsReader(xml, charged[half], strings[half]);
    };
    if (!ReadInHalves(name, part, cut, limits, u"sst", make)) return std::nullopt;
    if (strings[0].size() + strings[1].size() > limits.maxCells) return std::nullopt;
    try {
        charged[0].Append(std::move(charged[1]));
        sheet.Append(std::move(charged[0]));
    } catch (const ESheetError&) {
        return std::nullopt;
    }
    strings[0].insert(strings[0].end(), std::make_move_iterator(strings[1].begin()),
                      std::make_move_iterator(strings[1].end()));
    return std::move(strings[0]);
}

} // namespace quorvel
