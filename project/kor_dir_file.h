// Project directory file: "Dir.ref", the catalogue of a project.
//
// A project is a directory that holds, besides a few named files, numbered files
// whose names are six decimal digits. The catalogue is a key file whose keys are
// paths of typed parts; every entry (node) has a number, and that number written
// "%6.6d" is the name of the project file that belongs to the entry. Entry 0 is
// the file's header node; "000000" stands for no entry.
//
//   type  part                      meaning                         numbered file
//   0     ("C",0,name)              folder                          -
//   1     ("C",1,name)              drawing                         the drawing
//   5     ("C",5,name)              table (time and long text in    -
//                                   "Dir.dat")
//   6     ("N",6,"0"), ("N",6,"1")  the table's data and key file   table / key file
//   7     ("C",7,"SCHEDULE")        the folder's schedule           TKorSchedule
//   8     ("C",8,"SYSTABLE")        the folder's system table       TKorSysTable
// Types 2 to 4 are not made here but are listed like any other.
//
// A path given as texts (folder names, then the name of the table or drawing)
// is encoded with ("C",0,text) for every text but the last, and ("C",5,last) for
// a table, ("C",1,last) for a drawing.
//
// Node layout: store/kor_key_table.h. The catalogue uses Evaluate (byte 61),
// which it sets to 0 on creating an entry and to 1 just before deleting a
// drawing; nothing reads it.
//
// Walk order: Left subtree, the subtree below Down, the entry, Right subtree.
// The result list of the key file is, for a catalogue, every entry in use in
// walk order. It is rebuilt on Open and by the first navigation after a change;
// the composite operations below leave it stale rather than rebuilding it per
// insertion (which would make building a large catalogue quadratic).
//
// Bookkeeping. UsedEntries holds the numbers of all entries in use, entry 0
// included, ascending, duplicates refused; it is filled on Open and kept by
// every allocation and release. CreatedEntries and ReleasedEntries collect what
// the last composite operation allocated or freed.
//
// Damage. Opening walks the whole tree once. An entry reached a second time (two
// links to one node, or a ring) is reported through the message sink
// (ShowErrorMessage) and not entered again, so the walk ends; the file stays
// open. A link to an entry outside the file refuses the file:
//   EKorKeyError "KorKeyFile: Die Indexdatei ist beschädigt. Der Eintrag <k>
//                 verweist auf den Eintrag <m> außerhalb der Datei!"
// and the object is closed. Rings met by the other walks raise the key file's
// damage error ("... Ein Baum enthält einen Ringverweis!"). Growing the file
// follows the free chain first: a ring there raises "... Die Kette der freien
// Einträge enthält einen Ringverweis!", a link outside the file the node
// table's range error for GetUp, and neither file has grown.
//
// Messages shown through the sink (the operation goes on unless said otherwise):
//   "Der Eintrag <n> existiert bereits. Scheinbar liegt hier eine\rDoppelbelegung in der Dir.ref vor!"
//       (Open: entry n is reached twice)
//   "Fehler: Der Eintrag <n> ist bereits in Dir.ref vorhanden!\rDieser Fehler ist schwerwiegend. Ein Weiterarbeiten führt zu inkonsistenten Daten."
//       (an insertion would take entry n from the free chain although it is in
//        use; then EKorKeyError "IntList: Ein Eintrag mit der Nummer <n> existiert
//        bereits!" is raised before anything is written: the insertion fails and
//        the file is as it was; RepairFreeChain mends the chain)
//   "Fehler: Der Eintrag <n> ist nicht in Dir.ref als belegt\rmarkiert. An dieser Stelle wurde ein leerer Eintrag gelöscht!"
//       (a deletion released entry n, which was not in use; the release is done,
//        the deletion completes, ReleasedEntries does not get n)
//
// Refusals of the key file (store/kor_key_file.h), of "Dir.dat"
// (project/kor_dir_dat.h), of the system table (project/kor_sys_table.h), of the
// drawing (drawing/kor_drawing.h) and of CopyFile (project/rvk_func.h) pass
// through.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "project/kor_dir_dat.h"
#include "store/kor_int_list.h"
#include "store/kor_key_file.h"

namespace korin {

namespace dirref {
inline const std::string kFileName = "Dir.ref";
constexpr int32_t kFolder = 0;
constexpr int32_t kDrawing = 1;
constexpr int32_t kTable = 5;
constexpr int32_t kTableFile = 6;
constexpr int32_t kSchedule = 7;
constexpr int32_t kSysTable = 8;
// EntryPath gives at most this many texts (an entry and six enclosing ones).
constexpr int32_t kMaxPathTexts = 7;
// The title block of a page drawing: the first symbol of this type; the codes
// that take the texts of the drawing's key.
constexpr int32_t kTitleBlockType = 9;
constexpr int32_t kCodeLevel1 = 60;
constexpr int32_t kCodeLevel2 = 61;
constexpr int32_t kCodePage = 62;
constexpr int32_t kCodeLevel3 = 63;
constexpr int32_t kCodeLevel4 = 64;
}  // namespace dirref

// Key parts of the catalogue.
std::string FolderPart(std::string_view name);    // ("C",0,name)
std::string DrawingPart(std::string_view name);   // ("C",1,name)
std::string TablePart(std::string_view name);     // ("C",5,name)
std::string DataFilePart();                       // ("N",6,"0")
std::string KeyFilePart();                        // ("N",6,"1")
std::string SchedulePart();                       // ("C",7,"SCHEDULE")
std::string SysTablePart();                       // ("C",8,"SYSTABLE")
// Every text a folder part.
TKeyList FolderKey(const std::vector<std::string>& folders);
// Folder parts, then ("C",5,last). Empty for an empty path.
TKeyList TableKey(const std::vector<std::string>& path);
// Folder parts, then ("C",1,last). Empty for an empty path.
TKeyList DrawingKey(const std::vector<std::string>& path);

// One line of the catalogue listed depth first (ListTree).
struct TDirTreeEntry {
    int32_t entry = 0;
    int32_t depth = 0;  // 0 for the top level
    int32_t type = 0;
    std::string name;
};

class TKorDirFile : public TKorKeyFile {
public:
    // FileName "Dir.ref"; UsedEntries sorted with duplicates refused.
    TKorDirFile();
    ~TKorDirFile() override;

    // As the key file (any existing directory); "Dir.dat" follows.
    void SetProject(const std::string& value) override;
    // Opens the catalogue as a key file (a "Dir.ref" in other letter case is
    // taken), walks it into the result list and UsedEntries (damage above), then
    // opens "Dir.dat" of the same Project: a missing one is created and a short
    // one extended with zero records, so that it covers every node. A failure
    // leaves both closed.
    void Open() override;
    // Closes "Dir.dat", then the catalogue.
    void Close() override;

    // Creates a new, empty catalogue (72 bytes, first free entry 1) and a new
    // "Dir.dat" (one record of zeros) in Project, replacing existing ones. The
    // object stays closed.
    void CreateCatalogue();

    // Inserts every key of the list (consumed), each with DIndex = dataIndex on
    // its last part. Before a key is inserted the file grows as needed and the
    // free entries the key will take are checked against UsedEntries (see
    // Messages). Outside a composite operation the result list is rebuilt once at
    // the end and positioned on its first entry.
    bool AddKeys(TKeyList& list, int32_t dataIndex) override;
    // The entry number of the key's last part, or -1 (absent, or not open). Kept
    // in LastFound.
    int32_t Locate(const TKeyList& parts) override;

    TKorDirDat& DirDat() { return dirDat_; }
    const TIntList& UsedEntries() const { return used_; }
    const TIntList& CreatedEntries() const { return created_; }
    const TIntList& ReleasedEntries() const { return released_; }
    int32_t LastFound() const { return lastFound_; }

    // ---- queries -----------------------------------------------------------------
    // Every entry in use, in walk order (rebuilt first when stale).
    const TIntegerList& Results();
    // The entry's Type when it is in use (entry 0 is not), else -1.
    int32_t EntryType(int32_t entry) const;
    // "%6.6d" of the number.
    static std::string EntryFileName(int32_t entry);
    std::string LastFoundFileName() const { return EntryFileName(lastFound_); }
    // The Names of the entry and its enclosing entries (following Up), top first.
    // Empty when the entry has 7 or more enclosing entries, when the chain leaves
    // the file, for entry 0 and when closed.
    void EntryPath(int32_t entry, std::vector<std::string>& parts) const;
    // The file names of the table's data file entry and key file entry. Both are
    // emptied first; false when either is not found (dataFile may then be set).
    bool TableFiles(const std::vector<std::string>& path, std::string& dataFile, std::string& keyFile);
    // The Names, in key order, of the entries of the given Type on the level
    // below the key (the empty key: the top level). Empty when the key is absent.
    void ListChildren(const TKeyList& keyParts, int32_t type, std::vector<std::string>& names);
    // The long texts of the level at StartNode, in key order.
    void ListLevelTexts(std::vector<std::string>& texts);
    // From StartNode in the order Left, the entry, Down, Right: the file names
    // of the drawings (Type 1).
    void ListDrawingFiles(std::vector<std::string>& names);
    // Every entry in use, depth first: each level in key order, an entry's
    // children right after it. An entry reached twice is listed once.
    void ListTree(std::vector<TDirTreeEntry>& lines);
    // Clears the list and copies UsedEntries into it.
    void GetUsedEntries(TIntList& list) const;
    // Evaluate of the entry := 0 when valid, else 1.
    void SetEntryValid(int32_t entry, bool valid);
    // Evaluate of the entry (0 or 1 as this file writes it); -1 outside the file.
    int32_t EntryEvaluate(int32_t entry) const;

    // ---- composite operations ---------------------------------------------------------
    // Inserts the key (DIndex 0). When a node was allocated: the key's entry n
    // gets the local time and the long text (at most 80 characters) in "Dir.dat"
    // and Evaluate 0. Returns n's file name, "000000" when nothing was created.
    // Clears CreatedEntries first.
    std::string CreateEntry(const std::string& longText, TKeyList keyParts);
    // False, changing nothing, when the folder's schedule entry exists.
    // Otherwise creates the folder's ("C",7,"SCHEDULE") and ("C",8,"SYSTABLE")
    // entries (empty long texts) and, when both were made, creates their files new
    // on disk (system table, then schedule; existing files are replaced); true.
    bool CreateScheduleEntries(const std::vector<std::string>& folderPath, std::string& scheduleFile,
                               std::string& sysTableFile);
    // False, changing nothing, when the table's data file entry exists.
    // Otherwise creates the data file and key file entries, writes the time and
    // long text for the table entry and, when the folder has a schedule, enters
    // the table into the folder's system table; true. The table's files are not
    // created here.
    bool CreateTableEntries(const std::vector<std::string>& path, const std::string& longText,
                            std::string& dataFile, std::string& keyFile);
    // Deletes the table's data and key file (those that exist) and their
    // entries, takes the table out of the folder's system table when the folder
    // has a schedule, and deletes the table key. Clears ReleasedEntries first.
    void DeleteTable(const std::vector<std::string>& path);
    // Deletes the folder's schedule and system table (files and entries) and
    // every table of the folder as DeleteTable does. Sub-folders and drawings stay.
    // Clears ReleasedEntries first; afterwards it holds every entry released.
    void DeleteFolder(const std::vector<std::string>& folderPath);
    // keyParts: encoded, the last one the drawing's ("C",1,name). Creates the
    // entry (long text: the drawing's name); when one was made, replaces its
    // project file by a copy of sourceFile, writes the key texts into the title
    // block (the first symbol of type 9):
    //   60 = text 1, 61 = text 2, and by the number of parts
    //   3: 62 = text 3, 63 = 64 = ""     4: 63 = text 3, 64 = "", 62 = text 4
    //   5: 63 = text 3, 64 = text 4, 62 = text 5     otherwise 62 = 63 = 64 = ""
    // (codes the title block does not carry are not added) and saves the drawing
    // with a fresh CRC. Returns the file name, "000000" when nothing was created.
    std::string CreateDrawingEntry(const std::string& sourceFile, const TKeyList& keyParts);
    // Evaluate of the drawing's entry := 1, its file deleted when it exists, its
    // key deleted. Clears ReleasedEntries first.
    void DeleteDrawing(const std::vector<std::string>& path);

    // ---- check and repair (project/kor_dir_check.cpp) ----------------------------
    // The consistency report, N = file size / 64:
    //   "Freie Einträge:"                              every entry not in use
    //   three ring lines when the free chain takes N steps or more
    //   "Nicht verlinkte freie Einträge und belegte Einträge, die als frei markiert sind:"
    //       "nnnnnn: Alter Eintrag: " + path   (free, not on the chain)
    //       "nnnnnn: Dieser Eintrag ist belegt: " + path   (in use, on the chain)
    //   "Nicht zum Projekt gehörende Dateien:"          six-digit names in the
    //       project directory that no entry of type 1, 6, 7 or 8 owns, ascending
    // (path: EntryPath as comma text). Empty when closed.
    void CheckReport(std::vector<std::string>& lines);
    // Links every entry not in use, ascending, into the free chain, which ends at
    // the first never-used entry (file size / 64), so that allocation continues
    // behind the file's last entry; that entry's own link is cleared. Used
    // entries are not touched. Does nothing when closed.
    void RepairFreeChain();

protected:
    void Grow(int32_t n) override;
    int32_t AllocNode(int32_t owner) override;
    void FreeNode(int32_t k) override;
    // Parts gets one line per entry of the subtree at k, Name + ", " + Type, in
    // the order Left, the entry, Down, Right.
    void CollectTexts(int32_t k) override;
    // Appends every entry of the subtree at k, in walk order, to the result list
    // being rebuilt.
    void CollectNodes(int32_t k) override;
    void RebuildResults(bool force) override;

    using Order = TKorTreeWalk::Order;
    // Calls visit(entry, depth) for the tree at root in the given order (depth:
    // the Down links between the entry and root's level). With once, every
    // entry is entered once and the entries reached again by further links
    // are returned, in the order met; without, a ring raises the ring error.
    // A link outside the file raises the damage error above.
    template <typename Visit>
    std::vector<int32_t> Walk(int32_t root, Order order, bool once, Visit&& visit) const;
    template <typename Visit>
    void Walk(int32_t root, Order order, Visit&& visit) const {
        Walk(root, order, false, visit);
    }

    // While one of these lives, insertions and deletions leave the result list
    // stale instead of rebuilding it.
    class DeferResults {
    public:
        explicit DeferResults(TKorDirFile& f) : f_(f) { ++f_.deferred_; }
        ~DeferResults() { --f_.deferred_; }
        DeferResults(const DeferResults&) = delete;
        DeferResults& operator=(const DeferResults&) = delete;

    private:
        TKorDirFile& f_;
    };

private:
    void RebuildNow();
    // Free entries on the chain, counted until n are known (the high-water node
    // does not count).
    int32_t FreeCountUpTo(int32_t n) const;
    // Refuses (message and error) when one of the next `n` entries of the free
    // chain is in use.
    void CheckFreeChain(int32_t n) const;
    // How many nodes inserting the key will allocate.
    int32_t NodesNeeded(const TKeyList& key);
    bool InUse(int32_t entry) const;
    void DeleteEntryFile(int32_t entry) const;
    void DeleteKey(TKeyList key);
    void DeleteTableEntries(const std::vector<std::string>& path);
    void WriteTitleBlock(const std::string& fileName, const TKeyList& keyParts) const;
    // Raises for the damage a walk found (nothing when none): a link outside
    // the file with the catalogue's message, a ring or a node linked to itself
    // with the key file's ring error.
    void RaiseWalkDamage(const TKorTreeWalk& walk) const;

    TKorDirDat dirDat_;
    TIntList used_;
    TIntList created_;
    TIntList released_;
    int32_t lastFound_ = -1;
    int deferred_ = 0;
    TIntegerList* collecting_ = nullptr;  // the result list while it is rebuilt
    std::vector<int32_t> duplicates_;     // entries reached twice by the last rebuild
};

}  // namespace korin

// ---- template definitions ---------------------------------------------------

namespace korin {

template <typename Visit>
std::vector<int32_t> TKorDirFile::Walk(int32_t root, Order order, bool once, Visit&& visit) const {
    TKorTreeWalk walk(order, once ? TKorTreeWalk::Repeats::Skip : TKorTreeWalk::Repeats::Ring);
    walk.Start(Nodes(), root);
    for (int32_t e = walk.Next(Nodes()); e >= 0; e = walk.Next(Nodes())) visit(e, walk.Depth());
    RaiseWalkDamage(walk);
    return walk.Repeated();
}

}  // namespace korin
