#include "msr/msr_adapt.h"

#include "store/kor_error.h"
#include "store/kor_path.h"

namespace korin::msr {
namespace {

struct TNewField {
    const char* name;
    int32_t id;
    int32_t width;
};

constexpr TNewField kMeasurePointFields[] = {
    {"ORIGINAL", field::kOriginal, 137},    {"ORIGPATH", field::kOrigPath, 137},
    {"DRAWING", field::kDrawing, 137},      {"Funktionsgruppe", field::kFunctionGroup, 32},
    {"ME_Kennung", field::kKind, 8},        {"Ort_E_Tech", field::kLocation, 32},
    {"Planart", field::kPlanType, 20},      {"InstrFlags", field::kInstrFlags, 10},
};

constexpr TNewField kWireFields[] = {
    {"Location", 20023, 32},
    {"Bezeichner_Stelle", field::kDesignation, 32},
};

int32_t AddMissing(TKorTable& table, const TNewField* begin, const TNewField* end) {
    int32_t added = 0;
    for (const TNewField* f = begin; f != end; ++f) {
        if (table.FieldDefs().IndexOfId(f->id) >= 0) continue;
        table.AddField(f->name, f->id, f->width, 0, 0, 0);
        ++added;
    }
    return added;
}

bool HasKey(const TKorTable& table, const std::string& name) {
    for (int32_t i = 0; i < table.SecondaryKeyCount(); ++i)
        if (table.SecondaryKeyName(i) == name) return true;
    return false;
}

}  // namespace

TAdaptResult AdaptTables(TMsrProject& project, const std::function<void(const std::string&)>& status) {
    auto say = [&](const std::string& text) {
        if (status) status(text);
    };
    TAdaptResult result;
    say("Tabelle Messtelle wird angepaßt!");
    if (project.mpoint.IsOpen()) {
        say("Tabelle wird erweitert!");
        result.mpointFields = AddMissing(project.mpoint, std::begin(kMeasurePointFields), std::end(kMeasurePointFields));
        say("");
    }
    if (project.wire.IsOpen()) {
        say("Tabelle Adern wird angepaßt!");
        result.wireFields = AddMissing(project.wire, std::begin(kWireFields), std::end(kWireFields));
        if (!HasKey(project.wire, "ProjektAder")) {
            project.wire.DefineSecondaryKey("ProjektAder", {"Bezeichner_Stelle", "Location", "Ader"});
            project.wire.Reindex();
            result.wireKey = true;
        }
    }
    EnsureReferenceList(project, result);
    say("");
    return result;
}

void EnsureReferenceList(TMsrProject& project, TAdaptResult& result) {
    TKorDirFile& dir = project.Catalogue();
    const std::vector<std::string>& path = PathOfReferences();
    std::string dataFile, keyFile;
    if (!dir.TableFiles(path, dataFile, keyFile)) {
        const std::vector<std::string> folder(path.begin(), path.end() - 1);
        std::string schedule, sysTable;
        dir.CreateScheduleEntries(folder, schedule, sysTable);
        if (!dir.CreateTableEntries(path, "Referenzliste verknuepfter Messtellen", dataFile, keyFile))
            dir.TableFiles(path, dataFile, keyFile);
    }
    if (dataFile.empty() || keyFile.empty()) return;
    TKorTable& ref = project.ref;
    ref.Close();
    if (!path::FileExists(project.Dir() + dataFile)) {
        ref.SetProject(project.Dir());
        ref.SetFileName(dataFile);
        ref.SetKeyFileName(keyFile);
        ref.SetFieldDefs({{"Loop#600", TKorFieldType::String, 32},
                          {"MSR_No#601", TKorFieldType::String, 2},
                          {"MSR_Add#602", TKorFieldType::String, 32},
                          {"Link#603", TKorFieldType::String, 32}});
        ref.SetPrimaryKeyField(0);
        ref.SetTitle("MSR_REF");
        ref.TextLines() = {path[0], path[1]};
        ref.CreateNew(true);
        TKorKeyFile keys;
        keys.SetProject(project.Dir());
        keys.SetFileName(keyFile);
        keys.CreateNew(true);
        result.refCreated = true;
    }
    project.OpenTable(path, ref);
    if (ref.IsOpen() && ref.SecondaryKeyCount() == 0) {
        ref.DefineSecondaryKey("MSR_Add", {"MSR_Add"});
        ref.DefineSecondaryKey("Loop", {"Loop"});
        ref.DefineSecondaryKey("Link", {"Link"});
        ref.DefineSecondaryKey("Binding", {"Loop", "MSR_Add"});
        ref.DefineSecondaryKey("LoopNo", {"Loop", "MSR_No"});
        ref.Reindex();
        result.refKeys = true;
    }
}

}  // namespace korin::msr
