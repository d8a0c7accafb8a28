#include "msr/msr_project.h"

#include <algorithm>

#include "store/kor_error.h"
#include "store/kor_path.h"

namespace korin::msr {

const std::vector<std::string>& PathOfUnit() {
    static const std::vector<std::string> p{"AUC_SYSTEM", "ANLAGE"};
    return p;
}
const std::vector<std::string>& PathOfMeasurePoints() {
    static const std::vector<std::string> p{"AUC_SYSTEM", "MESSTELLE"};
    return p;
}
const std::vector<std::string>& PathOfFunctions() {
    static const std::vector<std::string> p{"AUC_SYSTEM", "FUNKTIONSGRUPPEN"};
    return p;
}
const std::vector<std::string>& PathOfInstruments() {
    static const std::vector<std::string> p{"AUC_SYSTEM", "INSTRUMENTIERUNG"};
    return p;
}
const std::vector<std::string>& PathOfDrawings() {
    static const std::vector<std::string> p{"AUC_SYSTEM", "ZEICHNUNGEN"};
    return p;
}
const std::vector<std::string>& PathOfCables() {
    static const std::vector<std::string> p{"AUC_SYSTEM", "KABEL"};
    return p;
}
const std::vector<std::string>& PathOfWires() {
    static const std::vector<std::string> p{"AUC_SYSTEM", "ADERN"};
    return p;
}
const std::vector<std::string>& PathOfTerminals() {
    static const std::vector<std::string> p{"AUC_SYSTEM", "PRO_DOKU", "KLEMMEN"};
    return p;
}
const std::vector<std::string>& PathOfReferences() {
    static const std::vector<std::string> p{"AUC_SYSTEM", "PRO_DOKU", "MSR_REF"};
    return p;
}

int32_t FieldWidthById(const TKorTable& table, int32_t id) {
    const int32_t i = table.FieldDefs().IndexOfId(id);
    return i < 0 ? 0 : table.FieldDefs().FieldWidth(i);
}

std::vector<int32_t> SecondarySlots(TKorTable& table, const std::string& key, const std::vector<std::string>& values) {
    TIntegerList found;
    std::vector<int32_t> slots;
    if (table.FindBySecondary(key, values, found)) slots.assign(found.Values().begin(), found.Values().end());
    return slots;
}

TMsrProject::TMsrProject(const std::string& dir) {
    catalogue_.SetProject(dir);
    if (!catalogue_.ProjectValid() || !path::ExistsIgnoringCase(path::AsDirectory(dir), dirref::kFileName))
        throw EKorKeyError("KorKeyFile: Datei konnte nicht geöffnet werden. Datei : " + catalogue_.FileName());
    catalogue_.Open();
    dir_ = catalogue_.Project();
    OpenTables();
}

TMsrProject::~TMsrProject() {
    CloseTables();
    catalogue_.Close();
}

bool TMsrProject::OpenTable(const std::vector<std::string>& path, TKorTable& table) {
    table.Close();
    std::string dataFile, keyFile;
    if (!catalogue_.TableFiles(path, dataFile, keyFile)) return false;
    if (!path::FileExists(dir_ + dataFile)) return false;
    table.SetProject(dir_);
    table.SetFileName(dataFile);
    table.SetKeyFileName(keyFile);
    table.Open();
    return table.IsActive() || table.IsOpen();
}

void TMsrProject::OpenTables() {
    OpenTable(PathOfUnit(), unit);
    OpenTable(PathOfMeasurePoints(), mpoint);
    OpenTable(PathOfFunctions(), function);
    OpenTable(PathOfInstruments(), inst);
    OpenTable(PathOfDrawings(), drawing);
    OpenTable(PathOfCables(), cable);
    OpenTable(PathOfWires(), wire);
    OpenTable(PathOfTerminals(), con);
    OpenTable(PathOfReferences(), ref);
}

void TMsrProject::CloseTables() {
    for (TKorTable* t : {&unit, &mpoint, &function, &inst, &drawing, &cable, &wire, &con, &ref}) t->Close();
}

std::vector<std::string> TMsrProject::Designations() {
    std::vector<std::string> names;
    if (!mpoint.IsOpen()) return names;
    names.reserve(static_cast<size_t>(std::max(0, mpoint.HeaderRecordCount())));
    for (bool ok = mpoint.First(); ok; ok = mpoint.Next())
        names.push_back(mpoint.GetFieldById(field::kDesignation));
    return names;
}

}  // namespace korin::msr
