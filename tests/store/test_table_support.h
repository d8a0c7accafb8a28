// Helpers of the table tests: tables in scratch folders, header words read from
// the file's bytes, recorded warnings and progress.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "store/kor_table.h"
#include "store/kor_ui.h"
#include "store/le.h"
#include "test_support.h"

namespace korin::testing {

class RecordingProgress : public IKorProgress {
public:
    void SetRange(int minimum, int maximum) override { calls.push_back("range " + std::to_string(minimum) + " " + std::to_string(maximum)); }
    void SetStep(int step) override { calls.push_back("step " + std::to_string(step)); }
    void StepIt() override { ++steps; }
    void Reset() override { calls.push_back("reset"); }
    std::vector<std::string> calls;
    int steps = 0;
};

inline TKorNewField Text(const std::string& name, int32_t size) { return {name, TKorFieldType::String, size}; }
inline TKorNewField Int(const std::string& name) { return {name, TKorFieldType::Integer, 0}; }
inline TKorNewField Small(const std::string& name) { return {name, TKorFieldType::SmallInt, 0}; }
inline TKorNewField Float(const std::string& name) { return {name, TKorFieldType::Float, 0}; }

// Creates "t.dat" and "t.key" in `dir` and opens them.
inline std::unique_ptr<TKorTable> MakeTable(const TempDir& dir, std::vector<TKorNewField> fields,
                                            int32_t primary = 1, const std::string& title = "T",
                                            const std::string& name = "t.dat", const std::string& key = "t.key") {
    auto t = std::make_unique<TKorTable>();
    t->SetProject(dir.Path());
    t->SetFileName(name);
    t->SetKeyFileName(key);
    t->SetFieldDefs(std::move(fields));
    t->SetPrimaryKeyField(primary);
    t->SetTitle(title);
    t->CreateNew(true);
    t->Open();
    return t;
}

// Opens an existing table of `dir`.
inline std::unique_ptr<TKorTable> OpenTable(const TempDir& dir, const std::string& name = "t.dat",
                                            const std::string& key = "t.key") {
    auto t = std::make_unique<TKorTable>();
    t->SetProject(dir.Path());
    t->SetFileName(name);
    t->SetKeyFileName(key);
    t->Open();
    return t;
}

// Slot and field texts of every record in the current key order.
using Row = std::pair<int32_t, std::vector<std::string>>;
inline std::vector<Row> Walk(TKorTable& t) {
    std::vector<Row> rows;
    for (bool more = t.First(); more; more = t.Next()) {
        std::vector<std::string> fields;
        for (int32_t i = 0; i < t.FieldCount(); ++i) fields.push_back(t.GetField(i));
        rows.emplace_back(t.CurrentSlot(), fields);
    }
    return rows;
}

// The slots of the key order only.
inline std::vector<int32_t> Slots(TKorTable& t) {
    std::vector<int32_t> slots;
    for (bool more = t.First(); more; more = t.Next()) slots.push_back(t.CurrentSlot());
    return slots;
}

inline int32_t I32At(const std::vector<uint8_t>& bytes, size_t offset) {
    return le::I32(bytes.data() + offset);
}

}  // namespace korin::testing
