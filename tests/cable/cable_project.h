// A small project with the cable module's two tables, and a master cable
// database beside it, built with the store's own classes.
#pragma once

#include <string>
#include <vector>

#include "project/kor_dir_file.h"
#include "store/kor_path.h"
#include "store/kor_table.h"
#include <utility>

namespace korin::testing {

using Rows = std::vector<std::vector<std::string>>;

// Creates AUC_SYSTEM/<name> in the project `dir` with text fields
// "Name#id:width", the given primary key field (1-based, 0 none), secondary
// keys (name, field names) and records.
inline void MakeTable(const std::string& dir, const std::string& name,
                      const std::vector<std::pair<std::string, int>>& fields, int primary,
                      const std::vector<std::pair<std::string, std::vector<std::string>>>& keys, const Rows& rows) {
    TKorDirFile cat;
    cat.SetProject(dir);
    if (!path::FileExists(dir + "Dir.ref")) cat.CreateCatalogue();
    cat.Open();
    std::string schedule, sysTable, data, key;
    cat.CreateScheduleEntries({"AUC_SYSTEM"}, schedule, sysTable);
    cat.CreateTableEntries({"AUC_SYSTEM", name}, "", data, key);
    cat.Close();
    TKorTable t;
    t.SetProject(dir);
    t.SetFileName(data);
    t.SetKeyFileName(key);
    std::vector<TKorNewField> defs;
    for (const auto& [n, width] : fields) defs.push_back({n, TKorFieldType::String, width});
    t.SetFieldDefs(defs);
    t.SetPrimaryKeyField(primary);
    t.CreateNew(true);
    t.Open();
    for (const auto& [keyName, keyFields] : keys) t.DefineSecondaryKey(keyName, keyFields);
    if (!keys.empty()) t.Reindex();
    for (const auto& row : rows) t.Append(row);
    t.Close();
}

// KABEL: designation, type, plant, function, measure point, wire count.
inline void MakeCables(const std::string& dir, const Rows& rows) {
    MakeTable(dir, "KABEL",
              {{"Kabel#4", 32}, {"Kabeltyp#80", 32}, {"Anlage#1", 20}, {"Funktion#603", 20},
               {"Stelle#12135", 32}, {"Aderzahl#605", 4}},
              1, {}, rows);
}

inline const std::vector<std::pair<std::string, int>> kWireFields{
    {"Kabel#4", 32},       {"Stelle#12135", 32},    {"Kabeltyp#80", 32}, {"Anlage#1", 20},
    {"Ader#362", 10},      {"Farbe#605", 20},       {"Quer#606", 10},    {"Adertyp#607", 20},
    {"Aderzahl#608", 4},   {"Aderbez#39", 20},      {"Potential#610", 4}, {"Reserve#611", 2}};

inline void MakeWires(const std::string& dir, const Rows& rows,
                      const std::vector<std::pair<std::string, std::vector<std::string>>>& keys = {
                          {"Kabel_Ader", {"Kabel", "Ader"}}}) {
    MakeTable(dir, "ADERN", kWireFields, 0, keys, rows);
}

// A wire row of kWireFields: cable, wire number, code 39.
inline std::vector<std::string> Wire(const std::string& cable, const std::string& number,
                                     const std::string& name = "") {
    return {cable, "", "", "", number, "", "", "", "", name, "", ""};
}

}  // namespace korin::testing
