// Recovery after a program died while it held a project (project/kor_project_lock.h).
//
// The audit reads the whole project and changes nothing:
//   - the catalogue "Dir.ref": the key file audit (store/kor_key_file.h Verify),
//     the damage and free-chain sections of its check (CheckReport), and every
//     drawing, table or folder file that an entry names but that is missing;
//   - every table of the catalogue (AuditTable).
// It says what it found, one German line per finding, and offers the repairs
// that exist: RepairFreeChain for the catalogue's free chain, Reindex for a
// table whose key file disagrees with its records, deleting the entry of a
// drawing whose file is missing. Nothing is repaired until Repair is called.
#pragma once

#include <string>
#include <vector>

namespace korin {

class TKorTable;

// Audit of an open table: the key file audit; every entry of the primary key
// naming a slot in use; as many entries as slots in use, and as the header
// counts. Empty when sound, else the first fault found (German). Reads every
// slot and every entry once; the table's position is not kept.
std::string AuditTable(TKorTable& table);

struct TKorRecoveryFinding {
    enum class Repair { None, FreeChain, Reindex, DeleteDrawing };
    std::string text;                // what was found
    Repair repair = Repair::None;    // what is offered
    std::vector<std::string> path;  // the table or drawing concerned
};

class TKorRecovery {
public:
    // Audits the project in `dir` (with "Dir.ref"); a folder without a
    // catalogue gives no findings.
    void Audit(const std::string& dir);
    const std::vector<TKorRecoveryFinding>& Findings() const { return findings_; }
    bool Clean() const { return findings_.empty(); }
    // What was found, then the repairs offered ("Angebotene Reparatur: ..."),
    // one line each; "Keine Schäden gefunden." when clean.
    std::vector<std::string> ReportLines() const;
    // Carries out every offered repair, returns one line per repair done and
    // audits again: Findings then holds what is left.
    std::vector<std::string> Repair();

private:
    std::string dir_;
    std::vector<TKorRecoveryFinding> findings_;
};

}  // namespace korin
