// The sample data of a demo project, generated from a seed.
//
// The data hang together the way the MSR functions, the cable module and the
// fixed views expect:
//   - every measure point belongs to a plant; its designation (12135) is the
//     plant (1), which holds no ".", followed directly by the measure point
//     part (2), which begins with "." — "A10" + ".TIC101";
//   - its processing function, function group and plan type are those of one
//     typical of the original project, so automatic assignment finds its pages;
//     its function group number is the key of a FUNKTIONSGRUPPEN record of its
//     plant whose group text equals its function group;
//   - the instrumentation holds one record per instrument of its typical
//     (Instr_Kennung = designation + "-" + instrument), the terminals one per
//     terminal drawn (Klemmen_ID = designation-strip-number), the cables one
//     per cable of the typical, with the typical's location, so that the page
//     fill finds instruments, terminals and wires from the codes on the pages;
//   - cable types are keys of the master cable table; some cables have their
//     wires (some of those already aligned with the master data), the others
//     wait for wire creation, and one spare cable has no wire count;
//   - ORIGINAL, ORIGPATH, DRAWING, InstrFlags, ZEICHNUNGEN and MSR_REF are
//     empty: page generation fills them.
// Every value fits its field's width; every key value has at most 32
// characters and designations consist of letters, digits and ".".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "demo/demo_schema.h"

namespace korin::demo {

struct TDataOptions {
    uint32_t seed = 1;
    int32_t measurePoints = 36;
    TSchemaVariant variant = TSchemaVariant::Adapted;
};

struct TTableData {
    TTableDef def;
    std::vector<std::vector<std::string>> rows;  // one text per field, in field order

    // The value of a row's field by name; throws std::out_of_range.
    const std::string& Value(size_t row, std::string_view field) const;
};

struct TSampleData {
    std::vector<TTableData> project;  // the standard tables, in their order
    std::vector<TTableData> master;   // master KABEL and ADERN

    // Throws std::out_of_range for a table that is not there.
    const TTableData& Project(std::string_view name) const;
    const TTableData& Master(std::string_view name) const;
};

// Throws std::invalid_argument for a measure point count below 1 or above
// 200000.
TSampleData GenerateSampleData(const TDataOptions& options);

// The number of plants for a count of measure points: about half the square
// root, so a few dozen measure points share three plants and 10000 share 50.
int32_t PlantCount(int32_t measurePoints);

}  // namespace korin::demo
