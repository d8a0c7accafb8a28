#include "project/kor_recovery.h"

#include "project/kor_dir_file.h"
#include "store/kor_error.h"
#include "store/kor_path.h"
#include "store/kor_table.h"
#include "store/kor_ui.h"

namespace korin {
namespace {

// Collects the catalogue's messages (an entry reached twice) as findings
// instead of showing them while the audit runs.
class CollectingSink : public IKorMessageSink {
public:
    CollectingSink() { previous_ = SetMessageSink(this); }
    ~CollectingSink() override { SetMessageSink(previous_); }
    void ShowError(const std::string& text) override { texts.push_back(text); }
    bool AskYesNo(const std::string& text) override {
        texts.push_back(text);
        return false;
    }
    std::vector<std::string> texts;

private:
    IKorMessageSink* previous_ = nullptr;
};

std::string Joined(const std::vector<std::string>& path) {
    std::string text;
    for (const std::string& part : path) text += (text.empty() ? "" : "/") + part;
    return text;
}

std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n') c = ' ';
    return text;
}

}  // namespace

std::string AuditTable(TKorTable& table) {
    if (!table.IsOpen()) return "Die Tabelle ist nicht geöffnet.";
    if (!table.KeyFile().IsOpen()) return "Die Indexdatei ist nicht geöffnet.";
    if (const std::string fault = table.KeyFile().Verify(); !fault.empty()) return "Indexdatei: " + OneLine(fault);
    const int32_t slots = table.SlotCount();
    int32_t inUse = 0;
    for (int32_t s = 0; s < slots; ++s)
        if (table.GoToSlot(s) && table.IsActive()) ++inUse;
    int32_t entries = 0;
    for (bool more = table.First(); more && !table.Eof(); more = table.Next()) {
        const int32_t s = table.CurrentSlot();
        if (s < 0 || s >= slots || !table.IsActive())
            return "Der Index nennt den Datensatz " + std::to_string(s) + ", der nicht belegt ist.";
        if (++entries > slots) break;
    }
    if (entries != inUse)
        return "Der Index nennt " + std::to_string(entries) + " Datensätze, belegt sind " + std::to_string(inUse) +
               ".";
    if (table.HeaderRecordCount() != inUse)
        return "Der Tabellenkopf zählt " + std::to_string(table.HeaderRecordCount()) + " Datensätze, belegt sind " +
               std::to_string(inUse) + ".";
    return {};
}

void TKorRecovery::Audit(const std::string& dir) {
    findings_.clear();
    dir_ = path::AsDirectory(dir);
    if (!path::ExistsIgnoringCase(dir_, dirref::kFileName)) return;
    using Repair = TKorRecoveryFinding::Repair;
    auto add = [&](std::string text, Repair repair = Repair::None, std::vector<std::string> path = {}) {
        findings_.push_back({OneLine(std::move(text)), repair, std::move(path)});
    };

    CollectingSink sink;
    TKorDirFile cat;
    cat.SetProject(dir_);
    try {
        cat.Open();
    } catch (const Exception& e) {
        add(std::string("Dir.ref: ") + e.what());
        return;
    }
    if (!cat.IsOpen()) {
        add("Dir.ref: Der Katalog kann nicht geöffnet werden.");
        return;
    }
    for (const std::string& text : sink.texts) add("Dir.ref: " + text);
    if (const std::string fault = cat.Verify(); !fault.empty()) add("Dir.ref: " + fault);

    // The check's damage sections; free entries and foreign files are no damage
    // (a removal may leave a file behind).
    std::vector<std::string> lines;
    cat.CheckReport(lines);
    bool damage = false;
    for (const std::string& line : lines) {
        if (line.rfind("Nicht verlinkte", 0) == 0) {
            damage = true;
            continue;
        }
        if (line.rfind("Nicht zum Projekt", 0) == 0) break;
        if (damage || line.rfind("Achtung: In Dir.Ref", 0) == 0) add("Dir.ref: " + line, Repair::FreeChain);
    }

    std::vector<TDirTreeEntry> tree;
    cat.ListTree(tree);
    std::vector<std::string> path;
    for (const TDirTreeEntry& e : tree) {
        cat.EntryPath(e.entry, path);
        if (e.type == dirref::kDrawing) {
            if (!path::FileExists(dir_ + TKorDirFile::EntryFileName(e.entry)))
                add("Zeichnung " + Joined(path) + ": Die Datei " + TKorDirFile::EntryFileName(e.entry) + " fehlt.",
                    Repair::DeleteDrawing, path);
        } else if (e.type == dirref::kSchedule || e.type == dirref::kSysTable) {
            if (!path::FileExists(dir_ + TKorDirFile::EntryFileName(e.entry)))
                add(Joined(path) + ": Die Datei " + TKorDirFile::EntryFileName(e.entry) + " fehlt.");
        } else if (e.type == dirref::kTable) {
            std::string dataFile, keyFile;
            if (!cat.TableFiles(path, dataFile, keyFile)) continue;
            const std::string name = "Tabelle " + Joined(path) + ": ";
            if (!path::FileExists(dir_ + dataFile)) {
                add(name + "Die Datei " + dataFile + " fehlt.");
                continue;
            }
            if (!path::FileExists(dir_ + keyFile)) {
                add(name + "Die Indexdatei " + keyFile + " fehlt.", Repair::Reindex, path);
                continue;
            }
            TKorTable table;
            table.SetProject(dir_);
            table.SetFileName(dataFile);
            table.SetKeyFileName(keyFile);
            try {
                table.Open();
                if (const std::string fault = AuditTable(table); !fault.empty())
                    add(name + fault, Repair::Reindex, path);
            } catch (const Exception& e) {
                add(name + e.what(), table.IsOpen() ? Repair::Reindex : Repair::None, path);
            }
        }
    }
}

std::vector<std::string> TKorRecovery::ReportLines() const {
    std::vector<std::string> lines;
    if (findings_.empty()) return {"Keine Schäden gefunden."};
    bool chain = false;
    std::vector<std::string> offers;
    for (const TKorRecoveryFinding& f : findings_) {
        lines.push_back(f.text);
        switch (f.repair) {
            case TKorRecoveryFinding::Repair::FreeChain:
                if (!chain) offers.push_back("Angebotene Reparatur: Dir.ref: Freie Einträge neu verketten");
                chain = true;
                break;
            case TKorRecoveryFinding::Repair::Reindex:
                offers.push_back("Angebotene Reparatur: Tabelle " + Joined(f.path) + ": Indexdatei neu erstellen");
                break;
            case TKorRecoveryFinding::Repair::DeleteDrawing:
                offers.push_back("Angebotene Reparatur: Zeichnung " + Joined(f.path) + ": Eintrag löschen");
                break;
            case TKorRecoveryFinding::Repair::None:
                break;
        }
    }
    lines.insert(lines.end(), offers.begin(), offers.end());
    return lines;
}

std::vector<std::string> TKorRecovery::Repair() {
    std::vector<std::string> done;
    using Kind = TKorRecoveryFinding::Repair;
    TKorDirFile cat;
    cat.SetProject(dir_);
    {
        CollectingSink sink;
        cat.Open();
    }
    bool chain = false;
    for (const TKorRecoveryFinding& f : findings_) {
        switch (f.repair) {
            case Kind::FreeChain:
                if (!chain) {
                    cat.RepairFreeChain();
                    done.push_back("Dir.ref: Freie Einträge neu verkettet.");
                }
                chain = true;
                break;
            case Kind::Reindex: {
                std::string dataFile, keyFile;
                if (!cat.TableFiles(f.path, dataFile, keyFile)) break;
                TKorTable table;
                table.SetProject(dir_);
                table.SetFileName(dataFile);
                table.SetKeyFileName(keyFile);
                try {
                    table.Open();
                } catch (const EKorTabError&) {
                    // A key file that cannot be opened: the table stays open and
                    // the rebuild replaces it.
                }
                if (!table.IsOpen()) break;
                table.Reindex();
                table.Close();
                done.push_back("Tabelle " + Joined(f.path) + ": Indexdatei neu erstellt.");
                break;
            }
            case Kind::DeleteDrawing:
                cat.DeleteDrawing(f.path);
                done.push_back("Zeichnung " + Joined(f.path) + ": Eintrag gelöscht.");
                break;
            case Kind::None:
                break;
        }
    }
    cat.Close();
    // What is left is learnt anew: one repair may mend the findings of another
    // (the key file audit of a mended free chain).
    Audit(dir_);
    return done;
}

}  // namespace korin
