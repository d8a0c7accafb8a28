// The tables of a demo project as data: the eleven standard tables and the two
// tables of the master cable database, with field ids, names, widths, types,
// primary key fields and secondary keys.
//
// Every field is defined as "Name#id", so ids never depend on field order. The
// positions matter too: the cable module addresses KABEL and ADERN by position
// (KABEL 0 designation, 5 wire count; ADERN 0 cable, 4 "Ader", 5 "Farbe",
// 6 "Aderquerschnitt", 7 "Adertyp"; wire creation copies KABEL positions 0, 1,
// 2, 4, 5, 6, 9, 10, 11, 12, 25–28 into ADERN 0, 2, 3, 1, 8, 6, 12, 13, 15, 16,
// 24–27), page generation writes ZEICHNUNGEN by position 0–13, and everything
// else goes by id. Names that filters use ("Bezeichner_Anlage",
// "Bezeichner_Stelle", "Loop", "BezSt") are spelled exactly; every field that
// takes part in a key is at most 32 characters wide, because a key part keeps
// only 32.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/kor_table.h"

namespace korin::demo {

struct TFieldDef {
    std::string name;
    int32_t id = 0;
    TKorFieldType type = TKorFieldType::String;
    int32_t size = 0;  // text fields only

    // "Name#id", the definition a new table file is created from.
    std::string Definition() const { return name + "#" + std::to_string(id); }
    // The width the new file gives the field: texts their size, small
    // integers 6, floats 10.
    int32_t Width() const;
};

struct TKeyDef {
    std::string name;
    bool unique = false;
    std::vector<std::string> fields;  // field names, in key order
};

struct TTableDef {
    std::string name;                  // the table's name, last text of its path
    std::vector<std::string> folders;  // catalogue folders above it, top first
    std::string longText;              // description in "Dir.dat"
    std::vector<TFieldDef> fields;
    int32_t primaryKey = 0;            // 1-based field number, 0 = none
    std::vector<TKeyDef> keys;

    // Folders followed by the table name.
    std::vector<std::string> Path() const;
    // 0-based position of the field, -1 when absent (names compared exactly).
    int32_t IndexOf(std::string_view fieldName) const;
    int32_t IndexOfId(int32_t id) const;
    // The definitions for TKorTable::SetFieldDefs.
    std::vector<TKorNewField> NewFields() const;
};

// Which MSR additions the project tables carry.
enum class TSchemaVariant {
    // With the eight MESSTELLE fields and the ADERN key "ProjektAder" that the
    // page creation window would otherwise add when it opens.
    Adapted,
    // Without them (and the project then has no MSR_REF), so that the table
    // adaptation has work to do and can be watched.
    Unadapted,
};

// The standard tables in the order the data module opens them: MESSTELLE,
// ANLAGE, ADERN, FUNKTIONSGRUPPEN, INSTRUMENTIERUNG, KABEL, SIGNALPFADE,
// SIGNALREPRESENTATION, ZEICHNUNGEN, MSR_REF, KLEMMEN. The unadapted variant
// leaves MSR_REF out.
std::vector<TTableDef> StandardTables(TSchemaVariant variant = TSchemaVariant::Adapted);
// KABEL and ADERN of the master cable database, in folder "AUC_SYSTEM".
std::vector<TTableDef> MasterTables();

// The standard table of that name (adapted variant); throws std::out_of_range.
const TTableDef& StandardTable(std::string_view name);
const TTableDef& MasterTable(std::string_view name);

// The MESSTELLE fields added by the table adaptation, by id, in the order it
// adds them.
inline constexpr int32_t kAdaptedMeasurePointIds[] = {20020, 20021, 20022, 20026, 20024, 3, 76, 20029};

}  // namespace korin::demo
