#include "platform/AsciiText.h"
#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "platform/ScopeExit.h"
#include "store/FieldTypeTable.h"
#include "store/Packet.h"
#include "store/PacketBase64.h"
#include "store/PacketFile.h"
#include "store/PacketLimits.h"
#include "store/PacketValueParse.h"
#include "store/PacketValueText.h"
#include "store/PacketXmlRows.h"
#include "store/StoreErrors.h"
#include "store/XmlTokenizer.h"

#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>

namespace quorvel {
namespace {

constexpr int kMaxTables = 63;

bool IsTrueText(std::string_view v) noexcept {
    return EqualsIgnoringAsciiCase(v, "true");
}

// Reads the datapacket from code-page text held whole in memory or arriving in blocks. Every access
// is bounds-checked; errors carry the offset where reading stopped.
class XmlReader {
public:
    XmlReader(std::string_view text, size_t fileSize)
        : xml_(text)
        , budget_(fileSize) {}
    XmlReader(XmlByteSource& source, size_t fileSize)
        : xml_(source)
        , budget_(fileSize) {}

    Datapacket Read() {
        ReadDocument();
        ResolveUnchangedBlobs();
        return std::move(packet_);
    }

    // Reads the document handing each row to `sink` instead of keeping it; `keptPerRow` is charged
    // for each row instead. The left-out values of modified versions are not filled in.
    void Scan(const XmlRowReader::Sink& sink, size_t keptPerRow) {
        sink_ = &sink;
        keptPerRow_ = keptPerRow;
        ScopeExit detach([this] { sink_ = nullptr; });
        ReadDocument();
    }

    const Datapacket& Header() const noexcept { return packet_; }

    // Decodes one row element again, held whole in `element`, with the field list of the scan.
    PacketRow DecodeRow(std::string_view element) {
        xml_ = XmlTokenizer(element);
        PacketRow row;
        const XmlRowReader::Sink keep = [&row](PacketRow&& decoded, size_t, std::string_view) {
            row = std::move(decoded);
        };
        sink_ = &keep;
        keptPerRow_ = 0;
        ScopeExit detach([this] { sink_ = nullptr; });
        // A row that fails halfway leaves values in the slots; the next row starts from clean ones.
        ScopeFail clean([this] { slots_.clear(); });
        Tag tag = xml_.NextElement();
        if (tag.kind != TagKind::Start || !tag.name.starts_with("ROW")) Fail(StoreErrorCode::Malformed);
        ReadRow(tag);
        if (xml_.Offset() != element.size()) Fail(StoreErrorCode::Malformed);
        return row;
    }

private:
    void ReadDocument() {
        xml_.SkipBlanks();
        if (!xml_.AtTag()) Fail(StoreErrorCode::Malformed);
        Tag tag = xml_.NextElement();
        if (tag.kind != TagKind::Start && tag.kind != TagKind::Empty) Fail(StoreErrorCode::Malformed);
        bool root = false;
        if (tag.name == "DATAPACKET") {
            root = true;
            xml_.SkipAttributes(tag);
            if (tag.kind == TagKind::Empty) Fail(StoreErrorCode::Malformed);
            tag = xml_.NextElement();
        }
        if (tag.kind != TagKind::Start && tag.kind != TagKind::Empty) Fail(StoreErrorCode::Malformed);
        if (tag.name != "METADATA" && tag.name != "ROWDATA") Fail(StoreErrorCode::Malformed);
        // A document ends with its rows, and a root opened before them is closed after them; one
        // that stops before either was cut short and is refused, so that nothing is saved over it.
        bool haveMetadata = false;
        for (;;) {
            if (tag.name == "METADATA" && !haveMetadata) {
                ReadMetadata(tag);
                haveMetadata = true;
            } else if (tag.name == "ROWDATA") {
                if (packet_.fields.empty()) Fail(StoreErrorCode::Malformed);
                ReadRowData(tag);
                if (root) CloseRoot();
                break; // whatever follows is not read
            } else {
                xml_.SkipElement(tag);
            }
            tag = xml_.NextElement();
            if (tag.kind == TagKind::Eof || tag.kind == TagKind::End) Fail(StoreErrorCode::Malformed);
        }
    }

    [[noreturn]] void Fail(StoreErrorCode code) const { xml_.Fail(code); }

    // After the rows: elements up to the root's end tag are skipped; the end of the input before it
    // means the document was cut.
    void CloseRoot() {
        xml_.ForEachChild("DATAPACKET", [&](Tag& t) { xml_.SkipElement(t); });
    }

    void ReadMetadata(Tag& tag) {
        xml_.SkipAttributes(tag);
        if (tag.kind == TagKind::Empty) Fail(StoreErrorCode::Malformed);
        Tag fields = xml_.NextElement();
        if (fields.kind != TagKind::Start || fields.name != "FIELDS") Fail(StoreErrorCode::Malformed);
        ReadFields(fields, packet_.fields, fieldKeys_);
        xml_.ForEachChild("METADATA", [&](Tag& t) {
            if (t.name == "PARAMS")
                ReadTableParams(t);
            else
                xml_.SkipElement(t);
        });
    }

    void ReadFields(Tag& tag, std::vector<FieldDef>& fields, std::vector<std::string>& keys) {
        if (++tables_ > kMaxTables) Fail(StoreErrorCode::TooManyTables);
        xml_.SkipAttributes(tag);
        if (tag.kind == TagKind::Empty) return;
        xml_.ForEachChild("FIELDS", [&](Tag& t) {
            if (t.name == "FIELD") {
                std::string key;
                budget_.Charge(sizeof(FieldDef), xml_.Offset());
                fields.push_back(ReadField(t, key));
                keys.push_back(std::move(key));
            } else {
                xml_.SkipElement(t);
            }
        });
    }

    FieldDef ReadField(Tag& tag, std::string& rowKey) {
        FieldDef f;
        bool hasAttrName = false, hasTagName = false, hasFieldName = false, hasType = false, hasWidth = false;
        std::string attrName, tagName, fieldName;
        std::string_view typeName;
        const size_t at = xml_.Offset();
        xml_.ReadAttributes(tag, [&](std::string_view name, std::string_view raw) {
            if (name == "attrname") {
                hasAttrName = true;
                attrName = DecodeText(raw);
            } else if (name == "tagname") {
                hasTagName = true;
                tagName = DecodeText(raw);
            } else if (name == "fieldname") {
                hasFieldName = true;
                fieldName = DecodeText(raw);
            } else if (name == "fieldtype") {
                hasType = true;
                typeName = raw;
            } else if (name == "readonly") {
                f.flags.readOnly = IsTrueText(raw);
            } else if (name == "required") {
                f.flags.required = IsTrueText(raw);
            } else if (name == "hidden") {
                f.flags.hidden = IsTrueText(raw);
            } else if (name == "linkfield") {
                f.flags.linkField = IsTrueText(raw);
            } else {
                ApplyFieldParam(f, MakeParam(name, raw, ParamPlacement::Attribute), hasWidth);
            }
        });
        if (tag.kind == TagKind::Start) {
            xml_.ForEachChild("FIELD", [&](Tag& t) {
                if (t.name == "PARAM") {
                    ApplyFieldParam(f, ReadParamChild(t), hasWidth);
                } else if (t.name == "FIELDS") {
                    std::vector<std::string> nestedKeys;
                    ReadFields(t, f.nested, nestedKeys);
                } else {
                    xml_.SkipElement(t);
                }
            });
        }
        // A field that lacks its name, type or width fails where its attributes begin.
        if (!hasAttrName && !hasTagName) XmlTokenizer::FailAt(StoreErrorCode::Malformed, at);
        rowKey = hasAttrName ? attrName : tagName;
        f.name = hasFieldName ? fieldName : rowKey;
        if (!hasType || !PacketTypeFromName(typeName, f.type))
            XmlTokenizer::FailAt(StoreErrorCode::FieldType, at);
        if (f.type != PacketType::Nested) f.nested.clear(); // only a nested table has fields of its own
        const FieldKind kind = KindOf(f);
        if ((kind == FieldKind::String || kind == FieldKind::Bytes) && !hasWidth)
            XmlTokenizer::FailAt(StoreErrorCode::FieldWidth, at);
        return f;
    }

    // SUBTYPE, WIDTH, DECIMALS and CALCULATED set the field's own members; an unknown subtype and
    // every other parameter are kept in the order read.
    void ApplyFieldParam(FieldDef& f, PacketParam param, bool& hasWidth) {
        const std::string& name = param.name;
        if (name == "SUBTYPE") {
            const auto* text = std::get_if<std::string>(&param.value);
            if (text == nullptr || param.type != PacketType::String) Fail(StoreErrorCode::FieldWidth);
            const std::string_view known = CanonicalSubtype(*text);
            if (!known.empty()) {
                f.subtype = std::string(known);
                return;
            }
        } else if (name == "WIDTH") {
            hasWidth = true;
            f.width = FieldNumber(param);
            return;
        } else if (name == "DECIMALS") {
            f.decimals = FieldNumber(param);
            return;
        } else if (name == "CALCULATED") {
            f.flags.calculated = ParamAsInt(param) != 0;
            return;
        }
        f.params.push_back(std::move(param));
    }

    // A field's WIDTH or DECIMALS: a number from 0 to kMaxFieldNumber, never cut to fit.
    int FieldNumber(const PacketParam& p) const {
        const auto* number = std::get_if<std::int64_t>(&p.value);
        if (number == nullptr || *number < 0 || *number > kMaxFieldNumber) Fail(StoreErrorCode::FieldWidth);
        return static_cast<int>(*number);
    }

    static std::int64_t ParamAsInt(const PacketParam& p) noexcept {
        if (const auto* i = std::get_if<std::int64_t>(&p.value)) return *i;
        if (const auto* b = std::get_if<bool>(&p.value)) return *b ? 1 : 0;
        if (const auto* s = std::get_if<std::string>(&p.value)) {
            std::int64_t v = 0;
            return ParseLeadingInteger(*s, v) ? v : 0;
        }
        return 0;
    }

    // The type a parameter of this name is read in: known names have their own, MD_FIELDLINKS is a
    // signed list, anything else is text.
    static PacketType ParamTypeFor(std::string_view name) noexcept {
        struct Known {
            std::string_view name;
            PacketType type;
        };
        static constexpr Known kKnown[] = {
            {"UNIQUE_KEY", PacketType::UIntArray},
            {"DEFAULT_ORDER", PacketType::UIntArray},
            {"CHANGE_LOG", PacketType::UIntArray},
            {"SERVER_COL", PacketType::String},
            {"DATASET_DELTA", PacketType::Boolean},
            {"READONLY", PacketType::Boolean},
            {"SUBTYPE", PacketType::String},
            {"DECIMALS", PacketType::I2},
            {"WIDTH", PacketType::I2},
            {"LCID", PacketType::I2},
            {"AUTOINCVALUE", PacketType::I4},
            {"TABLENAME", PacketType::String},
            {"TYPENAME", PacketType::String},
            {"UPDATEMODE", PacketType::I2},
            {"MD_SEMANTICS", PacketType::UIntArray},
            {"CALCULATED", PacketType::Boolean},
            {"DELTA", PacketType::Boolean},
            {"PRIMARY_KEY", PacketType::UIntArray},
            {"MD_FIELDLINKS", PacketType::IntArray},
        };
        for (const auto& k : kKnown)
            if (k.name == name) return k.type;
        return PacketType::String;
    }

    PacketParam MakeParam(std::string_view name, std::string_view raw, ParamPlacement placement) {
        PacketParam p;
        p.name = DecodeText(name);
        p.type = ParamTypeFor(p.name);
        p.placement = placement;
        p.value = ParseParamValue(p.type, DecodeText(raw), p.name);
        return p;
    }

    PacketParam ReadParamChild(Tag& tag) {
        bool hasName = false, hasValue = false;
        std::string name, value;
        std::string_view typeName;
        bool hasType = false, roundtrip = false;
        xml_.ReadAttributes(tag, [&](std::string_view attr, std::string_view raw) {
            if (attr == "Name") {
                hasName = true;
                name = DecodeText(raw);
            } else if (attr == "Value") {
                hasValue = true;
                value = DecodeText(raw);
            } else if (attr == "Type") {
                hasType = true;
                typeName = raw;
            } else if (attr == "Roundtrip") {
                roundtrip = IsTrueText(raw);
            }
        });
        if (tag.kind == TagKind::Start) xml_.SkipContentOf(tag);
        if (!hasName || !hasValue) Fail(StoreErrorCode::Malformed);
        PacketParam p;
        p.name = std::move(name);
        p.type = PacketType::String;
        if (hasType && !PacketTypeFromName(typeName, p.type)) p.type = PacketType::String;
        if (p.name == "SUBTYPE" && p.type != PacketType::String) Fail(StoreErrorCode::FieldWidth);
        // A known name is read in its own type whatever the child declares.
        if (IsKnownParamName(p.name) || p.name == "MD_FIELDLINKS") p.type = ParamTypeFor(p.name);
        p.placement = ParamPlacement::Child;
        p.roundtrip = roundtrip;
        p.value = ParseParamValue(p.type, value, p.name);
        return p;
    }

    // A parameter value in its type. A number outside its type is refused (a field's WIDTH and
    // DECIMALS with the field-declaration error, any other with the out-of-range error); text that
    // holds no number reads as 0, or as an empty list. WIDTH and DECIMALS must be numbers.
    ParamValue ParseParamValue(PacketType type, std::string text, std::string_view name) const {
        const bool fieldNumber = name == "WIDTH" || name == "DECIMALS";
        const StoreErrorCode rangeError =
            fieldNumber ? StoreErrorCode::FieldWidth : StoreErrorCode::OutOfRange;
        if (IsIntegerStored(type)) {
            std::int64_t v = 0;
            const IntegerRead read = ReadInteger(text, type, v);
            if (read == IntegerRead::OutOfRange || (read == IntegerRead::NoNumber && fieldNumber))
                Fail(rangeError);
            return v;
        }
        switch (type) {
        case PacketType::Boolean:
            // "TRUE" as truth values are written, or "1" as CALCULATED is.
            return !text.empty() && (text[0] == 'T' || text[0] == 't' || (text[0] >= '1' && text[0] <= '9'));
        case PacketType::R8:
        case PacketType::R10: {
            double d = 0;
            ParseFloat(text, d);
            return d;
        }
        case PacketType::IntArray:
        case PacketType::UIntArray: {
            // Elements are 32-bit, as the binary form holds them.
            std::vector<std::int64_t> list;
            if (!ReadIntegerList(text, type == PacketType::IntArray ? PacketType::I4 : PacketType::UI4, list))
                Fail(rangeError);
            return list;
        }
        default:
            return text;
        }
    }

    void ReadTableParams(Tag& tag) {
        auto add = [&](PacketParam p) {
            if (p.name == "CHANGE_LOG") {
                const auto* list = std::get_if<std::vector<std::int64_t>>(&p.value);
                packet_.changeLog.clear();
                if (list != nullptr)
                    for (size_t i = 0; i + 3 <= list->size(); i += 3)
                        packet_.changeLog.push_back({static_cast<std::uint32_t>((*list)[i]),
                                                     static_cast<std::uint32_t>((*list)[i + 1]),
                                                     static_cast<std::uint32_t>((*list)[i + 2])});
                return;
            }
            if (p.name == "AUTOINCVALUE") {
                packet_.hasAutoIncValue = true;
                packet_.autoIncValue = static_cast<std::int32_t>(ParamAsInt(p));
                return;
            }
            packet_.params.push_back(std::move(p));
        };
        xml_.ReadAttributes(tag, [&](std::string_view name, std::string_view raw) {
            add(MakeParam(name, raw, ParamPlacement::Attribute));
        });
        if (tag.kind == TagKind::Empty) return;
        xml_.ForEachChild("PARAMS", [&](Tag& t) {
            if (t.name == "PARAM")
                add(ReadParamChild(t));
            else
                xml_.SkipElement(t);
        });
    }

    void ReadRowData(Tag& tag) {
        xml_.SkipAttributes(tag);
        if (tag.kind == TagKind::Empty) return;
        const size_t n = packet_.fields.size();
        kinds_.resize(n);
        for (size_t i = 0; i < n; ++i) {
            kinds_[i] = KindOf(packet_.fields[i]);
            keyIndex_.emplace(fieldKeys_[i], static_cast<int>(i));
        }
        xml_.ForEachChild("ROWDATA", [&](Tag& t) {
            if (!t.name.starts_with("ROW")) Fail(StoreErrorCode::Malformed);
            ReadRow(t);
            // The row's values are copies: the text they came from is not needed again.
            xml_.ReleaseRead();
        });
    }

    int FieldFor(std::string_view name, int hint) const {
        if (hint >= 0 && static_cast<size_t>(hint) < fieldKeys_.size() &&
            fieldKeys_[static_cast<size_t>(hint)] == name)
            return hint;
        const auto it = keyIndex_.find(name);
        return it == keyIndex_.end() ? -1 : it->second;
    }

    // The values of a row are decoded into a slot per field; a row that sets most fields keeps those
    // slots, one that sets few keeps only its values (and the slots are cleared for the next row).
    void ReadRow(Tag& tag) {
        const size_t n = packet_.fields.size();
        const size_t rowStart = xml_.Offset();
        // The tag's name follows its "<" directly.
        const size_t elementStart = rowStart - tag.name.size() - 1;
        if (slots_.size() != n) slots_.assign(n, FieldValue{});
        touched_.clear();
        std::uint8_t rowState = 0;
        int next = 0;
        xml_.ReadAttributes(tag, [&](std::string_view name, std::string_view raw) {
            const int i = FieldFor(name, next);
            if (i < 0) {
                if (name == "RowState") {
                    std::int64_t state = 0;
                    if (ReadInteger(raw, PacketType::UI1, state) == IntegerRead::OutOfRange)
                        Fail(StoreErrorCode::OutOfRange);
                    rowState = static_cast<std::uint8_t>(state);
                }
                return;
            }
            next = i + 1;
            FieldValue& slot = slots_[static_cast<size_t>(i)];
            if (IsNull(slot)) touched_.push_back(static_cast<std::uint32_t>(i));
            slot = DecodeValue(static_cast<size_t>(i), raw);
        });
        if (tag.kind == TagKind::Start) xml_.SkipContentOf(tag);
        // A value takes at most twice its text (wide text), so the row's text bounds what it holds.
        const bool dense = 2 * touched_.size() >= n;
        budget_.Charge(sink_ != nullptr
                           ? keptPerRow_
                           : sizeof(PacketRow) + (dense ? n : touched_.size()) * (sizeof(FieldValue) + 4) +
                                 2 * (xml_.Offset() - rowStart),
                       xml_.Offset());
        PacketRow& row = sink_ != nullptr ? (handed_ = PacketRow{}) : packet_.rows.emplace_back();
        row.rowState = rowState;
        if (dense) {
            row.values = RowValues::Dense(slots_);
            for (const std::uint32_t i : touched_)
                slots_[i] = FieldValue{};
        } else {
            entries_.clear();
            for (const std::uint32_t i : touched_) {
                if (!IsNull(slots_[i])) entries_.emplace_back(i, std::move(slots_[i]));
                slots_[i] = FieldValue{};
            }
            row.values.Assign(n, entries_);
        }
        if (sink_ != nullptr) (*sink_)(std::move(handed_), elementStart, xml_.Since(elementStart));
    }

    FieldValue DecodeValue(size_t i, std::string_view raw) {
        const FieldDef& f = packet_.fields[i];
        switch (kinds_[i]) {
        case FieldKind::String: {
            std::string text = DecodeText(raw);
            const auto width = static_cast<size_t>(f.width);
            if (text.size() > width) text.resize(width);
            return text;
        }
        case FieldKind::Memo:
            return DecodeText(raw);
        case FieldKind::WideString: {
            std::u16string text = DecodeWideText(raw);
            const auto width = static_cast<size_t>(f.width) / 2;
            if (text.size() > width) text.resize(width);
            return text;
        }
        case FieldKind::WideMemo:
            return DecodeWideText(raw);
        case FieldKind::Blob:
            return DecodeBase64(DecodeText(raw));
        case FieldKind::Bytes:
        case FieldKind::VarBytes: {
            // Line breaks written as character references must not feed their digits to the decoder.
            std::string bytes = DecodeBase64(DecodeText(raw));
            const auto width = static_cast<size_t>(f.width);
            if (bytes.size() > width) bytes.resize(width);
            return bytes;
        }
        case FieldKind::Decimal: {
            const DecimalReadResult r = ReadFileDecimal(raw, DecimalPrecision(f), f.decimals);
            if (r.status == DecimalReadResult::Status::DoesNotFit) Fail(StoreErrorCode::OutOfRange);
            if (r.status == DecimalReadResult::Status::Null) return {};
            return r.value;
        }
        case FieldKind::Nested:
        case FieldKind::Struct:
        case FieldKind::Array:
            return {};
        default:
            try {
                return ParseScalarValue(kinds_[i], f.type, raw);
            } catch (const EStoreError& e) {
                Fail(static_cast<StoreErrorCode>(e.ErrorCode())); // with the offset of the value
            }
        }
    }

    // A modified version that leaves out a long-text or binary value carries the value of the
    // version it replaced. These copies are the one part of a load that the file's size does not
    // bound, so they are charged to the budget before they are made.
    void ResolveUnchangedBlobs() {
        std::vector<bool> blob(kinds_.size());
        bool anyBlob = false;
        for (size_t i = 0; i < kinds_.size(); ++i) {
            blob[i] = IsBlobKind(kinds_[i]);
            anyBlob = anyBlob || blob[i];
        }
        if (!anyBlob || packet_.changeLog.empty()) return;
        const auto replaced = ReplacedVersions(packet_);
        for (size_t r = 0; r < packet_.rows.size(); ++r) {
            PacketRow& row = packet_.rows[r];
            if ((row.rowState & kRowModified) == 0 || replaced[r] == 0) continue;
            InheritLeftOutValues(row, packet_.rows[replaced[r] - 1], blob, budget_, xml_.Offset());
        }
    }

    XmlTokenizer xml_;
    int tables_ = 0;
    Datapacket packet_;
    std::vector<std::string> fieldKeys_;
    std::vector<FieldKind> kinds_;
    std::unordered_map<std::string_view, int> keyIndex_;
    std::vector<FieldValue> slots_;
    std::vector<std::uint32_t> touched_;
    std::vector<RowValues::Entry> entries_;
    LoadBudget budget_;
    const XmlRowReader::Sink* sink_ = nullptr; // rows go here instead of packet_.rows when set
    PacketRow handed_;                         // the row being handed to the sink
    size_t keptPerRow_ = 0;
};

} // namespace

void InheritLeftOutValues(PacketRow& row, const PacketRow& previous, const std::vector<bool>& blob,
                          LoadBudget& budget, std::size_t offset) {
    std::vector<std::pair<size_t, FieldView>> inherited;
    previous.values.ForEachValue([&](size_t i, const FieldView& value) {
        if (blob[i] && IsNull(row.values[i])) inherited.emplace_back(i, value);
    });
    for (const auto& [i, view] : inherited) {
        FieldValue value = ValueOf(view);
        budget.Charge(FieldValueBytes(value), offset);
        row.values.Set(i, std::move(value));
    }
}

struct XmlRowReader::Impl {
    Impl(XmlByteSource& source, std::size_t fileSize)
        : reader(source, fileSize) {}
    XmlReader reader;
};

XmlRowReader::XmlRowReader(XmlByteSource& source, std::size_t fileSize, std::size_t keptPerRow)
    : impl_(std::make_unique<Impl>(source, fileSize))
    , keptPerRow_(keptPerRow) {}

XmlRowReader::~XmlRowReader() = default;

void XmlRowReader::Scan(const Sink& sink) {
    impl_->reader.Scan(sink, keptPerRow_);
}

const Datapacket& XmlRowReader::Header() const noexcept {
    return impl_->reader.Header();
}

PacketRow XmlRowReader::DecodeRow(std::string_view element) {
    return impl_->reader.DecodeRow(element);
}

Datapacket ReadDatapacketXml(std::span<const char> bytes) {
    std::string_view text(bytes.data(), bytes.size());
    std::string converted;
    if (text.starts_with("\xEF\xBB\xBF")) {
        converted = Utf8ToCp1252(text.substr(3));
        text = converted;
    } else if (DeclaresUtf8(text) && IsValidUtf8Bmp(text)) {
        converted = Utf8ToCp1252(text);
        text = converted;
    }
    return XmlReader(text, bytes.size()).Read();
}

Datapacket ReadDatapacketXml(XmlByteSource& source, std::size_t fileSize) {
    return XmlReader(source, fileSize).Read();
}

} // namespace quorvel
