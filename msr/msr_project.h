// The project as the MSR functions see it: its catalogue and the nine tables
// the page creation works on, found through the catalogue by their level paths.
//
//   unit        "AUC_SYSTEM","ANLAGE"               measure point  "AUC_SYSTEM","MESSTELLE"
//   function    "AUC_SYSTEM","FUNKTIONSGRUPPEN"      instrumentation "AUC_SYSTEM","INSTRUMENTIERUNG"
//   drawing     "AUC_SYSTEM","ZEICHNUNGEN"          cable          "AUC_SYSTEM","KABEL"
//   wire        "AUC_SYSTEM","ADERN"                terminal       "AUC_SYSTEM","PRO_DOKU","KLEMMEN"
//   reference   "AUC_SYSTEM","PRO_DOKU","MSR_REF"
//
// A table that is not catalogued, or whose data file is missing, stays closed;
// every operation checks the tables it needs. Measure point fields are
// addressed by their ids (msr::field below).
//
// Refusal of the constructor (the object is not usable afterwards):
//   EKorKeyError "KorKeyFile: Datei konnte nicht geöffnet werden. Datei : Dir.ref"
//     (the folder holds no catalogue); errors of the catalogue and of the
//     tables pass through.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "project/kor_dir_file.h"
#include "store/kor_table.h"

namespace korin::msr {

namespace field {
constexpr int32_t kPlant = 1;
constexpr int32_t kSecondTitle = 2;
constexpr int32_t kLocation = 3;
constexpr int32_t kPlanType = 76;
constexpr int32_t kRange = 550;
constexpr int32_t kFunctionKey = 12107;
constexpr int32_t kProcessing = 12110;
constexpr int32_t kDesignation = 12135;
constexpr int32_t kTask = 12139;
constexpr int32_t kRemark = 20015;
constexpr int32_t kOriginal = 20020;
constexpr int32_t kOrigPath = 20021;
constexpr int32_t kDrawing = 20022;
constexpr int32_t kKind = 20024;
constexpr int32_t kFunctionGroup = 20026;
constexpr int32_t kInstrFlags = 20029;
}  // namespace field

// The source name of the log lines of page creation.
inline const std::string kLogSource = "ModMSRCreatePages";

class TMsrProject {
public:
    // Opens the catalogue of `dir` and every table that is there.
    explicit TMsrProject(const std::string& dir);
    ~TMsrProject();
    TMsrProject(const TMsrProject&) = delete;
    TMsrProject& operator=(const TMsrProject&) = delete;

    // The project directory with its trailing separator.
    const std::string& Dir() const { return dir_; }
    TKorDirFile& Catalogue() { return catalogue_; }

    TKorTable unit, mpoint, function, inst, drawing, cable, wire, con, ref;

    // Opens the table at the level path when it is catalogued and its data file
    // exists (the key file is created when missing); closes it first.
    bool OpenTable(const std::vector<std::string>& path, TKorTable& table);
    // Opens all nine (MSR_REF only when it exists; see msr_adapt.h).
    void OpenTables();
    void CloseTables();

    // The designations of every measure point in primary key order (the
    // measure point grid without a filter).
    std::vector<std::string> Designations();

private:
    std::string dir_;
    TKorDirFile catalogue_;
};

// Level paths of the tables.
const std::vector<std::string>& PathOfUnit();
const std::vector<std::string>& PathOfMeasurePoints();
const std::vector<std::string>& PathOfFunctions();
const std::vector<std::string>& PathOfInstruments();
const std::vector<std::string>& PathOfDrawings();
const std::vector<std::string>& PathOfCables();
const std::vector<std::string>& PathOfWires();
const std::vector<std::string>& PathOfTerminals();
const std::vector<std::string>& PathOfReferences();

// The width of the field with that id, 0 when the table has none.
int32_t FieldWidthById(const TKorTable& table, int32_t id);

// The slots of the records under a secondary key with these values, copied:
// editing a record moves the table's own lists.
std::vector<int32_t> SecondarySlots(TKorTable& table, const std::string& key, const std::vector<std::string>& values);

}  // namespace korin::msr
