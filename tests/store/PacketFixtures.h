#pragma once

#include "store/Packet.h"
#include "support/ProposalFields.h"

#include <string>

namespace quorvel::testing {

inline constexpr const char* kItemTableFieldsXml =
    "<FIELDS>"
    "<FIELD attrname=\"id_item\" fieldtype=\"i4\" readonly=\"true\" SUBTYPE=\"Autoinc\"/>"
    "<FIELD attrname=\"unges\" fieldtype=\"string\" readonly=\"true\" SUBTYPE=\"FixedChar\" WIDTH=\"2\"/>"
    "<FIELD attrname=\"sigla\" fieldtype=\"string\" readonly=\"true\" SUBTYPE=\"FixedChar\" WIDTH=\"2\"/>"
    "<FIELD attrname=\"convit\" fieldtype=\"i4\" readonly=\"true\"/>"
    "<FIELD attrname=\"anoc\" fieldtype=\"string\" readonly=\"true\" SUBTYPE=\"FixedChar\" WIDTH=\"4\"/>"
    "<FIELD attrname=\"numitem\" fieldtype=\"i4\" readonly=\"true\"/>"
    "<FIELD attrname=\"descr_lote\" fieldtype=\"string\" readonly=\"true\" WIDTH=\"60\"/>"
    "<FIELD attrname=\"material\" fieldtype=\"string\" readonly=\"true\" WIDTH=\"14\"/>"
    "<FIELD attrname=\"descr_item\" fieldtype=\"string\" readonly=\"true\" SUBTYPE=\"FixedChar\" "
    "WIDTH=\"120\"/>"
    "<FIELD attrname=\"compl_descr\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\"/>"
    "<FIELD attrname=\"valor\" fieldtype=\"fixed\" DECIMALS=\"4\" WIDTH=\"15\"/>"
    "<FIELD attrname=\"marca\" fieldtype=\"string\" WIDTH=\"30\"/>"
    "<FIELD attrname=\"tipoprega\" fieldtype=\"string\" SUBTYPE=\"FixedChar\" WIDTH=\"1\"/>"
    "<FIELD attrname=\"razao_social\" fieldtype=\"string\" WIDTH=\"80\"/>"
    "<FIELD attrname=\"identif\" fieldtype=\"string\" SUBTYPE=\"FixedChar\" WIDTH=\"20\"/>"
    "<FIELD attrname=\"tipoempresa\" fieldtype=\"string\" SUBTYPE=\"FixedChar\" WIDTH=\"1\"/>"
    "<FIELD attrname=\"nuitem\" fieldtype=\"i4\"/>"
    "<FIELD attrname=\"qtde\" fieldtype=\"fixed\" readonly=\"true\" DECIMALS=\"3\" WIDTH=\"15\"/>"
    "<FIELD attrname=\"preco_ini\" fieldtype=\"fixed\" DECIMALS=\"4\" WIDTH=\"15\"/>"
    "<FIELD attrname=\"upsigl\" fieldtype=\"string\" SUBTYPE=\"FixedChar\" WIDTH=\"2\"/>"
    "<FIELD attrname=\"updesc\" fieldtype=\"string\" SUBTYPE=\"FixedChar\" WIDTH=\"30\"/>"
    "</FIELDS>";

inline constexpr const char* kDeclaration = "<?xml version=\"1.0\" standalone=\"yes\"?>  ";

// A packet of the item table with one row per item: id_item, numitem, descr_item, qtde (3 places)
// and preco_ini (4 places, NULL when `price` is negative).
inline PacketRow ItemRow(const std::vector<FieldDef>& fields, int id, const std::string& descr,
                         std::int64_t qtdeUnits, std::int64_t priceUnits) {
    PacketRow row;
    row.values.resize(fields.size());
    row.values.Set(0, std::int64_t{id});
    row.values.Set(5, std::int64_t{id});
    row.values.Set(8, descr);
    row.values.Set(17, TDecimal::FromUnits(qtdeUnits, 3));
    if (priceUnits >= 0) row.values.Set(18, TDecimal::FromUnits(priceUnits, 4));
    return row;
}

inline Datapacket ReadXml(const std::string& text) {
    return ReadDatapacketXml(std::span<const char>(text.data(), text.size()));
}

} // namespace quorvel::testing
