// TDM: the standard tables of the open project, shared by the modules.
//
// Eleven pairs of a table and its dataset, each opened on first use by its
// catalogue path and left open until CloseAllTables (the main window calls it
// when it closes). A project without a path, or with a missing data file, leaves
// the pair closed without a message; errors of the table file pass through.
// A table that is still open keeps its project when another project is opened;
// callers that need the new project close the tables first.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace korin {

class IKorHost;
class TKorDataSet;
class TKorTable;

class TDM {
public:
    // The standard tables, in the order CloseAllTables closes them.
    enum Table {
        MPoint,   // AUC_SYSTEM / MESSTELLE
        Unit,     // AUC_SYSTEM / ANLAGE
        Wire,     // AUC_SYSTEM / ADERN
        Func,     // AUC_SYSTEM / FUNKTIONSGRUPPEN
        Instr,    // AUC_SYSTEM / INSTRUMENTIERUNG
        Cable,    // AUC_SYSTEM / KABEL
        Signal,   // AUC_SYSTEM / SIGNALPFADE
        SignRep,  // AUC_SYSTEM / SIGNALREPRESENTATION
        Drawing,  // AUC_SYSTEM / ZEICHNUNGEN
        MSRRef,   // AUC_SYSTEM / PRO_DOKU / MSR_REF
        Conn,     // AUC_SYSTEM / PRO_DOKU / KLEMMEN
        Count
    };

    explicit TDM(IKorHost& host);
    ~TDM();
    TDM(const TDM&) = delete;
    TDM& operator=(const TDM&) = delete;

    static const std::vector<std::string>& Path(Table t);

    TKorTable& KorTab(Table t) { return *tables_[t]; }
    TKorDataSet& KorDataSet(Table t) { return *datasets_[t]; }

    // Opens the pair when the table is not open yet; when it is, only makes sure
    // the dataset is active.
    void Open(Table t);
    void OpenMPoint() { Open(MPoint); }
    void OpenUnit() { Open(Unit); }
    void OpenWire() { Open(Wire); }
    void OpenFunc() { Open(Func); }
    void OpenInstr() { Open(Instr); }
    void OpenCable() { Open(Cable); }
    void OpenSignal() { Open(Signal); }
    void OpenSignRep() { Open(SignRep); }
    void OpenDrawing() { Open(Drawing); }
    void OpenMSRRef() { Open(MSRRef); }
    void OpenConn() { Open(Conn); }

    // Table not open: it gets the project directory; when OpenProjectTable
    // succeeds the dataset is opened, else it is closed. Table open and dataset
    // closed: the dataset is opened.
    void EnsureOpen(TKorTable& table, TKorDataSet& dataset);
    // The table's catalogue lookup as OpenProjectTable (shell/project_table.h)
    // does it with the project tree's catalogue.
    bool OpenProjectTable(const std::vector<std::string>& path, TKorTable& table, bool force);
    // Closes every dataset and then its table, in the order of Table.
    void CloseAllTables();

private:
    IKorHost& host_;
    std::vector<std::string> path_;  // the path being looked up
    std::array<std::unique_ptr<TKorTable>, Count> tables_;
    std::array<std::unique_ptr<TKorDataSet>, Count> datasets_;
};

}  // namespace korin
