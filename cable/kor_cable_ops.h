// Cables and wires of a project, and their alignment with a master cable
// database.
//
// Works on the standard tables "KABEL" (cables) and "ADERN" (wires) of the
// folder "AUC_SYSTEM", found through the project's catalogue. What it relies on:
//   KABEL  index 0 the designation (its primary key), index 5 the wire count as
//          decimal text, code 80 the cable type, code 4 the value under which the
//          cable's wires are keyed for the alignment; the indexes of
//          kWireFromCable are copied into new wires.
//   ADERN  index 4 the wire number ("Ader"), 5 colour, 6 cross-section, 7 wire
//          type; the non-unique secondary key "KABEL_ADER" or "Kabel_Ader" over
//          the cable designation (the last of the two in key order is used for
//          listing and creating), "Kabel_Ader" for the alignment; codes 39 and
//          362 are the wire's two designation fields.
// The master cable database is another project that holds "KABEL" (primary key
// the cable type) and "ADERN" (secondary key "IDENT" over the cable type) under
// the levels that "project.ini" names in section "CableDataBase":
//   ProjectPath  the folder that holds the master project; a relative path is
//                taken relative to the project folder, so that a project and its
//                master database can be moved together
//   ProjectName  the master project's folder; ".pro" is appended unless the
//                joined path contains ".pro"
//   Name1..Name3 the level names (empty ones skipped)
// Paths may be written the Windows way: "\" and "/" both separate.
//
// Refusals (Exception):
//   "FormCable: Die Tabelle AUC_SYSTEM\<name> ist im Projekt <dir> nicht vorhanden."
//       (Open: the table is not catalogued or its data file is missing; both
//        tables are closed afterwards)
//   "FormCable: Die Aderzahl '<text>' des Kabels <cable> ist keine ganze Zahl."
//       (CreateWires: the wires appended before stay, the cable named gets none)
//   "FormCable: Die Ader <w> des Kabels <cable> konnte nicht angelegt werden."
//       (CreateWires: the wire table refused a record; its warning has been shown)
//   "FormCable: Die Stammkabeldatenbank muß im Projekt eingetragen sein!"
//       (Align: ProjectPath empty or missing)
//   "FormCable: Die Datei <dir>project.ini konnte nicht geöffnet werden."
//       (Align: the file exists but cannot be read)
//   "FormCable: Die Stammkabeldatenbank wurde nicht gefunden. Gesucht im Ordner: <dir>"
//       (Align: no catalogue in the master folder; a drive letter such as "D:"
//        names a folder of another system and is never found here)
//   "FormCable: In der Datei project.ini sind keine Ebenen der Stammkabeldatenbank
//        eingetragen (Name1 bis Name3)."
//   "FormCable: Die Tabelle <levels>\<table> der Stammkabeldatenbank <dir> ist nicht
//        vorhanden."
// Nothing of the project is written before these refusals of the alignment.
// Errors of the store pass through.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "store/kor_table.h"

namespace korin {

class TKorDirFile;

// One row of the wire grid.
struct TKorWireRow {
    std::string wire;     // ADERN index 4
    std::string colour;   // index 5
    std::string section;  // index 6
    std::string type;     // index 7
};

// Where the master cable database lies, as "project.ini" names it.
struct TKorMasterSettings {
    std::string directory;            // Windows form: "\" separators, trailing "\"
    std::vector<std::string> levels;  // the non-empty Name1..Name3, in order
};

// ProjectPath + "\" + ProjectName with every "/" made "\", ".pro" appended
// unless ".pro" occurs anywhere in it, and a trailing "\".
std::string MasterProjectDirectory(const std::string& projectPath, const std::string& projectName);

// The folder a stored Windows path names on this system, with a trailing "/":
// "\" becomes "/", a path that is neither absolute ("/...", "\\server") nor
// begins with a drive letter ("D:") is taken relative to `projectDir`; runs of
// separators after the first two characters count as one. A drive
// letter is kept as it is (such a folder does not exist here).
std::string ResolveStoredDirectory(const std::string& projectDir, const std::string& stored);

// Reads section "CableDataBase" of `projectDir` + "project.ini" (refusals of the
// alignment above).
TKorMasterSettings ReadMasterSettings(const std::string& projectDir);

// The wire count of a cable as a number: optional sign and decimal digits after
// trimming; false for any other text or a value outside 32 bits.
bool ParseWireCount(const std::string& text, int32_t& value);

class TKorCableOps {
public:
    // Wire field index <- cable field index, for every new wire.
    static constexpr std::array<std::pair<int32_t, int32_t>, 14> kWireFromCable{{{0, 0},
                                                                                  {1, 4},
                                                                                  {2, 1},
                                                                                  {3, 2},
                                                                                  {6, 6},
                                                                                  {8, 5},
                                                                                  {12, 9},
                                                                                  {13, 10},
                                                                                  {15, 11},
                                                                                  {16, 12},
                                                                                  {24, 25},
                                                                                  {25, 26},
                                                                                  {26, 27},
                                                                                  {27, 28}}};
    // Wire field indexes that a new wire gets as "0".
    static constexpr std::array<int32_t, 5> kWireZero{11, 18, 19, 22, 23};

    TKorCableOps() = default;
    TKorCableOps(const TKorCableOps&) = delete;
    TKorCableOps& operator=(const TKorCableOps&) = delete;

    // Not owned; may be null. CreateWires and Align drive it: range 0 .. number
    // of cables, step 10, reset at the end (also when they raise).
    void SetProgress(IKorProgress* progress) { progress_ = progress; }

    // Opens KABEL and ADERN of the project whose open catalogue is `dir` (its
    // Project is the project folder) and reads the cable list. Closes both first.
    void Open(TKorDirFile& dir);
    void Close();
    bool IsOpen() const { return cables_.IsOpen() && wires_.IsOpen(); }
    const std::string& ProjectDir() const { return projectDir_; }

    // The designations of every cable (KABEL index 0) in key order, as read by
    // Open or the last ReloadCables.
    const std::vector<std::string>& Cables() const { return cableList_; }
    void ReloadCables();

    // "KABEL_ADER" or "Kabel_Ader", whichever comes last among the wire table's
    // secondary keys; empty when it has neither.
    std::string WireKeyName() const;
    // The wires keyed under the designation, in key order.
    std::vector<TKorWireRow> Wires(const std::string& cable);

    // "Adern erzeugen": for every listed cable with a wire count n, appends the
    // wires 1..n that the cable lacks, unless it has n wires or more already.
    // Wires whose number is not a whole number take no number but count. Returns
    // the number of wires appended.
    int32_t CreateWires();

    // "Adern mit Stammkabeldatenbank abgleichen": for every cable whose type the
    // master database knows, each project wire (keyed by the cable's code 4
    // under "Kabel_Ader") takes every field of the first master wire of that
    // type whose code 362 equals the project wire's designation (its code 39,
    // or code 362 when 39 is empty), by code; master 39 goes to 362 (master 362
    // when 39 is empty) and master 362 to 39. Returns the number of project
    // wires written. The master tables are open only meanwhile.
    int32_t Align();

    TKorTable& CableTable() { return cables_; }
    TKorTable& WireTable() { return wires_; }

private:
    void OpenProjectTable(TKorDirFile& dir, const std::string& name, TKorTable& table);
    void OpenMasterTable(const std::string& masterDir, std::vector<std::string> levels, const std::string& name,
                         TKorTable& table);
    void WireSlots(const std::string& keyName, const std::string& cable, TIntegerList& slots);
    void AppendWire(int32_t wire, const std::string& cable);
    int32_t AlignCable(const std::string& cableType, const std::string& cableKey);

    TKorTable cables_;
    TKorTable wires_;
    TKorTable masterCables_;
    TKorTable masterWires_;
    std::vector<std::string> cableList_;
    std::string projectDir_;
    IKorProgress* progress_ = nullptr;
};

}  // namespace korin
