#include "cable/kor_cable_ops.h"

#include <cerrno>
#include <cstdlib>
#include <map>

#include "project/kor_ini_file.h"
#include "project/kor_dir_file.h"
#include "store/kor_error.h"
#include "store/kor_path.h"

namespace korin {
namespace {

constexpr const char* kSystemLevel = "AUC_SYSTEM";
constexpr const char* kIniSection = "CableDataBase";
constexpr int32_t kCableType = 80;      // KABEL: the cable type in the master database
constexpr int32_t kCableWireKey = 4;    // KABEL: the value the wires are keyed under
constexpr int32_t kWireName = 39;       // ADERN: first designation field
constexpr int32_t kWireNumber = 362;    // ADERN: second designation field
constexpr int32_t kWireCountField = 5;  // KABEL index
constexpr int32_t kWireNumberField = 4; // ADERN index

// The progress bar for one run: range and step at the start, reset when the
// run ends, also by an exception.
class ProgressRun {
public:
    ProgressRun(IKorProgress* progress, int32_t total) : progress_(progress) {
        if (!progress_) return;
        progress_->SetRange(0, total);
        progress_->SetStep(10);
    }
    ~ProgressRun() {
        if (progress_) progress_->Reset();
    }
    void Step() {
        if (progress_) progress_->StepIt();
    }

private:
    IKorProgress* progress_;
};

// Closes a table when the scope ends.
struct CloseAtEnd {
    TKorTable& table;
    ~CloseAtEnd() { table.Close(); }
};

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool HasDriveLetter(const std::string& text) {
    return text.size() >= 2 && text[1] == ':' &&
           ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z'));
}

std::string JoinLevels(const std::vector<std::string>& levels) {
    std::string out;
    for (const std::string& level : levels) out += (out.empty() ? "" : "\\") + level;
    return out;
}

}  // namespace

std::string MasterProjectDirectory(const std::string& projectPath, const std::string& projectName) {
    std::string dir = projectPath + "\\" + projectName;
    for (char& c : dir)
        if (c == '/') c = '\\';
    if (dir.find(".pro") == std::string::npos) dir += ".pro";
    return dir + "\\";
}

std::string ResolveStoredDirectory(const std::string& projectDir, const std::string& stored) {
    std::string dir;
    // Runs of separators count as one (a ProjectPath ending in "\" is joined
    // with another), except the two of a network path at the start.
    for (char c : path::Native(stored))
        if (c != '/' || dir.size() < 2 || dir.back() != '/') dir += c;
    if (!dir.empty() && !IsSeparator(stored[0]) && !HasDriveLetter(stored)) dir = path::AsDirectory(projectDir) + dir;
    return path::AsDirectory(dir);
}

TKorMasterSettings ReadMasterSettings(const std::string& projectDir) {
    TKorIniFile ini;
    try {
        ini.Load(path::AsDirectory(projectDir) + "project.ini");
    } catch (const Exception&) {
        throw Exception("FormCable: Die Datei " + projectDir + "project.ini konnte nicht geöffnet werden.");
    }
    const std::string projectPath = ini.ReadString(kIniSection, "ProjectPath");
    if (projectPath.empty()) throw Exception("FormCable: Die Stammkabeldatenbank muß im Projekt eingetragen sein!");
    TKorMasterSettings settings;
    settings.directory = MasterProjectDirectory(projectPath, ini.ReadString(kIniSection, "ProjectName"));
    for (const char* key : {"Name1", "Name2", "Name3"}) {
        std::string name = ini.ReadString(kIniSection, key);
        if (!name.empty()) settings.levels.push_back(std::move(name));
    }
    return settings;
}

bool ParseWireCount(const std::string& text, int32_t& value) {
    const std::string t = TrimBlanks(text);
    size_t digits = t.empty() || (t[0] != '+' && t[0] != '-') ? 0 : 1;
    if (digits == t.size() || t.find_first_not_of("0123456789", digits) != std::string::npos) return false;
    errno = 0;
    const long long v = std::strtoll(t.c_str(), nullptr, 10);
    if (errno != 0 || v < INT32_MIN || v > INT32_MAX) return false;
    value = static_cast<int32_t>(v);
    return true;
}

// ---- the project's tables ----------------------------------------------------

void TKorCableOps::Open(TKorDirFile& dir) {
    Close();
    projectDir_ = dir.Project();
    OpenProjectTable(dir, "KABEL", cables_);
    try {
        OpenProjectTable(dir, "ADERN", wires_);
    } catch (...) {
        Close();
        throw;
    }
    ReloadCables();
}

void TKorCableOps::OpenProjectTable(TKorDirFile& dir, const std::string& name, TKorTable& table) {
    std::string dataFile, keyFile;
    const bool found = dir.TableFiles({kSystemLevel, name}, dataFile, keyFile) &&
                       path::FileExists(projectDir_ + dataFile);
    if (found) {
        table.SetProject(projectDir_);
        table.SetFileName(dataFile);
        table.SetKeyFileName(keyFile);
        table.Open();
    }
    if (!found || !table.IsOpen())
        throw Exception(std::string("FormCable: Die Tabelle ") + kSystemLevel + "\\" + name + " ist im Projekt " +
                        projectDir_ + " nicht vorhanden.");
}

void TKorCableOps::Close() {
    wires_.Close();
    cables_.Close();
    cableList_.clear();
}

void TKorCableOps::ReloadCables() {
    cableList_.clear();
    for (bool more = cables_.First(); more; more = cables_.Next()) cableList_.push_back(cables_.GetField(0));
}

std::string TKorCableOps::WireKeyName() const {
    std::string chosen;
    for (const TKorSecondaryKey& key : wires_.SecondaryKeys())
        if (key.name == "KABEL_ADER" || key.name == "Kabel_Ader") chosen = key.name;
    return chosen;
}

void TKorCableOps::WireSlots(const std::string& keyName, const std::string& cable, TIntegerList& slots) {
    slots.Clear();
    TKorKeyFile& keys = wires_.KeyFile();
    if (!wires_.IsOpen() || !keys.IsOpen()) return;
    const TKeyList parts{KeyPart('C', 0, "S_KEY"), KeyPart('N', 0, "0"), KeyPart('C', 0, keyName),
                         KeyPart('C', 0, cable)};
    if (keys.SetStart(parts)) keys.GetRecords(slots);
}

std::vector<TKorWireRow> TKorCableOps::Wires(const std::string& cable) {
    TIntegerList slots;
    WireSlots(WireKeyName(), cable, slots);
    std::vector<TKorWireRow> rows;
    rows.reserve(static_cast<size_t>(slots.Count()));
    for (int32_t i = 0; i < slots.Count(); ++i) {
        if (!wires_.GoToSlot(slots.Items(i))) continue;
        rows.push_back({wires_.GetField(4), wires_.GetField(5), wires_.GetField(6), wires_.GetField(7)});
    }
    return rows;
}

// ---- creating wires ------------------------------------------------------------

void TKorCableOps::AppendWire(int32_t wire, const std::string& cable) {
    std::vector<std::string> values(static_cast<size_t>(wires_.FieldCount()) + 1);
    const auto put = [&](int32_t index, std::string text) {
        if (static_cast<size_t>(index) < values.size()) values[static_cast<size_t>(index)] = std::move(text);
    };
    for (const auto& [wireIndex, cableIndex] : kWireFromCable) put(wireIndex, cables_.GetField(cableIndex));
    for (int32_t index : kWireZero) put(index, "0");
    put(kWireNumberField, std::to_string(wire));
    if (wires_.Append(values) < 0)
        throw Exception("FormCable: Die Ader " + std::to_string(wire) + " des Kabels " + cable +
                        " konnte nicht angelegt werden.");
}

int32_t TKorCableOps::CreateWires() {
    if (!IsOpen()) return 0;
    const std::string keyName = WireKeyName();
    ProgressRun progress(progress_, static_cast<int32_t>(cableList_.size()));
    int32_t appended = 0;
    TIntegerList slots;
    std::vector<bool> present;
    for (size_t i = 0; i < cableList_.size(); ++i) {
        const std::string& cable = cableList_[i];
        const std::string countText =
            cables_.FindByPrimary(cable) ? TrimBlanks(cables_.GetField(kWireCountField)) : std::string();
        if (!countText.empty()) {
            int32_t count = 0;
            if (!ParseWireCount(countText, count))
                throw Exception("FormCable: Die Aderzahl '" + countText + "' des Kabels " + cable +
                                " ist keine ganze Zahl.");
            WireSlots(keyName, cable, slots);
            if (slots.Count() > 0 && slots.Count() < count) {
                // Numbers already taken; a wire named otherwise takes none.
                present.assign(static_cast<size_t>(count) + 1, false);
                for (int32_t k = 0; k < slots.Count(); ++k) {
                    int32_t number = 0;
                    if (wires_.GoToSlot(slots.Items(k)) &&
                        ParseWireCount(wires_.GetField(kWireNumberField), number) && number >= 1 &&
                        number <= count)
                        present[static_cast<size_t>(number)] = true;
                }
                for (int32_t w = 1; w <= count; ++w)
                    if (!present[static_cast<size_t>(w)]) {
                        AppendWire(w, cable);
                        ++appended;
                    }
            } else if (slots.Count() == 0 && !TrimBlanks(cable).empty()) {
                for (int32_t w = 1; w <= count; ++w) {
                    AppendWire(w, cable);
                    ++appended;
                }
            }
        }
        if (i % 10 == 0) progress.Step();
    }
    return appended;
}

// ---- alignment with the master cable database ------------------------------------

void TKorCableOps::OpenMasterTable(const std::string& masterDir, std::vector<std::string> levels, const std::string& name, TKorTable& table) {
    levels.push_back(name);
    std::string dataFile, keyFile;
    bool found = false;
    {
        TKorDirFile dir;
        dir.SetProject(masterDir);
        if (dir.ProjectValid()) {
            dir.Open();
            found = dir.TableFiles(levels, dataFile, keyFile) && path::FileExists(masterDir + dataFile);
            dir.Close();
        }
    }
    if (found) {
        table.SetProject(masterDir);
        table.SetFileName(dataFile);
        table.SetKeyFileName(keyFile);
        table.Open();
    }
    if (!found || !table.IsOpen())
        throw Exception("FormCable: Die Tabelle " + JoinLevels(levels) + " der Stammkabeldatenbank " + masterDir +
                        " ist nicht vorhanden.");
}

int32_t TKorCableOps::Align() {
    if (!IsOpen()) return 0;
    const TKorMasterSettings settings = ReadMasterSettings(projectDir_);
    const std::string masterDir = ResolveStoredDirectory(projectDir_, settings.directory);
    // A drive letter names a folder of another system: never looked up here,
    // where "D:" would be taken as a folder below the working directory.
    if (HasDriveLetter(settings.directory) || !path::DirectoryExists(masterDir) ||
        !path::ExistsIgnoringCase(masterDir, "Dir.ref"))
        throw Exception("FormCable: Die Stammkabeldatenbank wurde nicht gefunden. Gesucht im Ordner: " + masterDir);
    if (settings.levels.empty())
        throw Exception("FormCable: In der Datei project.ini sind keine Ebenen der Stammkabeldatenbank "
                        "eingetragen (Name1 bis Name3).");
    CloseAtEnd closeCables{masterCables_};
    CloseAtEnd closeWires{masterWires_};
    OpenMasterTable(masterDir, settings.levels, "KABEL", masterCables_);
    OpenMasterTable(masterDir, settings.levels, "ADERN", masterWires_);

    ProgressRun progress(progress_, cables_.RecordCount());
    int32_t counted = 0, written = 0;
    for (bool more = cables_.First(); more; more = cables_.Next()) {
        if (++counted % 10 == 0) progress.Step();
        written += AlignCable(cables_.GetFieldById(kCableType), cables_.GetFieldById(kCableWireKey));
    }
    return written;
}

int32_t TKorCableOps::AlignCable(const std::string& cableType, const std::string& cableKey) {
    if (!masterCables_.FindByPrimary(cableType)) return 0;
    TIntegerList masterSlots, slots;
    if (!masterWires_.FindBySecondary("IDENT", {cableType}, masterSlots)) return 0;
    if (!wires_.FindBySecondary("Kabel_Ader", {cableKey}, slots)) return 0;

    // The first master wire of each code-362 value, in the order returned.
    std::map<std::string, int32_t> masterByNumber;
    for (int32_t i = 0; i < masterSlots.Count(); ++i)
        if (masterWires_.GoToSlot(masterSlots.Items(i)))
            masterByNumber.emplace(masterWires_.GetFieldById(kWireNumber), masterSlots.Items(i));

    const TKorFieldDefs& masterDefs = masterWires_.FieldDefs();
    int32_t written = 0;
    for (int32_t i = 0; i < slots.Count(); ++i) {
        if (!wires_.GoToSlot(slots.Items(i))) continue;
        const std::string name = wires_.GetFieldById(kWireName);
        const auto match = masterByNumber.find(TrimBlanks(name).empty() ? wires_.GetFieldById(kWireNumber) : name);
        if (match == masterByNumber.end() || !masterWires_.GoToSlot(match->second)) continue;
        for (int32_t f = 0; f < masterDefs.FieldCount(); ++f) {
            const int32_t id = masterDefs.FieldId(f);
            std::string value = masterWires_.GetField(f);
            int32_t target = id;
            if (id == kWireName) {
                target = kWireNumber;
                if (TrimBlanks(value).empty()) value = masterWires_.GetFieldById(kWireNumber);
            } else if (id == kWireNumber) {
                target = kWireName;
            }
            // A code the project's wires lack is not written.
            if (wires_.FieldDefs().IndexOfId(target) >= 0 && wires_.GetFieldById(target) != value)
                wires_.SetFieldById(target, value);
        }
        ++written;
    }
    return written;
}

}  // namespace korin
