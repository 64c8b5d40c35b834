#pragma once

#include "store/Packet.h"

#include <vector>

namespace quorvel::testing {

// The stored fields of the proposal's item table, as an organiser's file declares them: the one
// declaration that the tests and the benchmarks build their proposals on.
inline std::vector<FieldDef> ProposalItemFields() {
    struct Column {
        const char* name;
        PacketType type;
        bool readOnly;
        const char* subtype;
        int width;
        int decimals;
    };
    using T = PacketType;
    static constexpr Column kColumns[] = {
        {"id_item", T::I4, true, "Autoinc", 0, 0},
        {"unges", T::String, true, "FixedChar", 2, 0},
        {"sigla", T::String, true, "FixedChar", 2, 0},
        {"convit", T::I4, true, "", 0, 0},
        {"anoc", T::String, true, "FixedChar", 4, 0},
        {"numitem", T::I4, true, "", 0, 0},
        {"descr_lote", T::String, true, "", 60, 0},
        {"material", T::String, true, "", 14, 0},
        {"descr_item", T::String, true, "FixedChar", 120, 0},
        {"compl_descr", T::BinHex, false, "Text", 0, 0},
        {"valor", T::Fixed, false, "", 15, 4},
        {"marca", T::String, false, "", 30, 0},
        {"tipoprega", T::String, false, "FixedChar", 1, 0},
        {"razao_social", T::String, false, "", 80, 0},
        {"identif", T::String, false, "FixedChar", 20, 0},
        {"tipoempresa", T::String, false, "FixedChar", 1, 0},
        {"nuitem", T::I4, false, "", 0, 0},
        {"qtde", T::Fixed, true, "", 15, 3},
        {"preco_ini", T::Fixed, false, "", 15, 4},
        {"upsigl", T::String, false, "FixedChar", 2, 0},
        {"updesc", T::String, false, "FixedChar", 30, 0},
    };
    std::vector<FieldDef> fields;
    for (const Column& c : kColumns) {
        FieldDef& f = fields.emplace_back();
        f.name = c.name;
        f.type = c.type;
        f.flags.readOnly = c.readOnly;
        f.subtype = c.subtype;
        f.width = c.width;
        f.decimals = c.decimals;
    }
    return fields;
}

} // namespace quorvel::testing
