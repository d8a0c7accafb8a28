#include "project/kor_dir_file.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>

#include "store/kor_error.h"
#include "store/kor_path.h"
#include "store/kor_ui.h"
#include "store/le.h"

namespace korin {

// ---- key parts --------------------------------------------------------------------

std::string FolderPart(std::string_view name) { return KeyPart('C', dirref::kFolder, name); }
std::string DrawingPart(std::string_view name) { return KeyPart('C', dirref::kDrawing, name); }
std::string TablePart(std::string_view name) { return KeyPart('C', dirref::kTable, name); }
std::string DataFilePart() { return KeyPart('N', dirref::kTableFile, "0"); }
std::string KeyFilePart() { return KeyPart('N', dirref::kTableFile, "1"); }
std::string SchedulePart() { return KeyPart('C', dirref::kSchedule, "SCHEDULE"); }
std::string SysTablePart() { return KeyPart('C', dirref::kSysTable, "SYSTABLE"); }

TKeyList FolderKey(const std::vector<std::string>& folders) {
    TKeyList key;
    key.reserve(folders.size() + 2);
    for (const std::string& f : folders) key.push_back(FolderPart(f));
    return key;
}

TKeyList TableKey(const std::vector<std::string>& path) {
    if (path.empty()) return {};
    TKeyList key = FolderKey({path.begin(), path.end() - 1});
    key.push_back(TablePart(path.back()));
    return key;
}

TKeyList DrawingKey(const std::vector<std::string>& path) {
    if (path.empty()) return {};
    TKeyList key = FolderKey({path.begin(), path.end() - 1});
    key.push_back(DrawingPart(path.back()));
    return key;
}

// ---- construction and lifetime -------------------------------------------------

TKorDirFile::TKorDirFile() {
    SetFileName(dirref::kFileName);
    used_.SetSorted(true);
    used_.SetDuplicates(TDuplicates::Error);
}

TKorDirFile::~TKorDirFile() = default;

void TKorDirFile::RaiseWalkDamage(const TKorTreeWalk& walk) const {
    switch (walk.Found()) {
        case TKorTreeWalk::Damage::None:
            return;
        case TKorTreeWalk::Damage::Outside:
            RaiseDamaged("Der Eintrag " + std::to_string(walk.OutsideFrom()) + " verweist auf den Eintrag " +
                         std::to_string(walk.OutsideNode()) + " außerhalb der Datei!");
        case TKorTreeWalk::Damage::SelfLink:
        case TKorTreeWalk::Damage::Ring:
            break;
    }
    RaiseDamaged("Ein Baum enthält einen Ringverweis!");
}

void TKorDirFile::SetProject(const std::string& value) {
    TKorKeyFile::SetProject(value);
    dirDat_.SetProject(Project());
}

void TKorDirFile::Open() {
    Close();
    if (!FileName().empty() && !path::FileExists(FullPath())) {
        // A catalogue written on Windows may carry its name in other letter case.
        for (const std::string& entry : path::ListDirectory(Project())) {
            if (::strcasecmp(entry.c_str(), FileName().c_str()) == 0 &&
                path::FileExists(Project() + entry)) {
                SetFileName(entry);
                break;
            }
        }
    }
    try {
        TKorKeyFile::Open();  // rebuilds the result list: every entry in use, once
        // UsedEntries from the walk: ascending, so every number is appended.
        std::vector<int32_t> entries(MaterialList().Values());
        entries.push_back(0);
        std::sort(entries.begin(), entries.end());
        used_.Clear();
        for (const int32_t e : entries) used_.Add(e);
        const std::vector<int32_t> twice = duplicates_;
        for (const int32_t e : twice)
            ShowErrorMessage("Der Eintrag " + std::to_string(e) +
                             " existiert bereits. Scheinbar liegt hier eine\rDoppelbelegung in der "
                             "Dir.ref vor!");
        dirDat_.SetProject(Project());
        dirDat_.OpenCovering(Nodes().Count());
    } catch (...) {
        Close();
        throw;
    }
}

void TKorDirFile::Close() {
    dirDat_.Close();
    TKorKeyFile::Close();
    used_.Clear();
    lastFound_ = -1;
}

void TKorDirFile::CreateCatalogue() {
    Close();
    CreateNew(true);
    dirDat_.SetProject(Project());
    dirDat_.SetFileName(dirdat::kFileName);
    dirDat_.CreateNew(true);
}

// ---- result list ----------------------------------------------------------------

void TKorDirFile::RebuildResults(bool force) {
    if (!force) return;
    if (deferred_ > 0) {
        // Rebuilt by the first navigation after the composite operation.
        MaterialResults();
        SetStale(true);
        return;
    }
    RebuildNow();
}

void TKorDirFile::RebuildNow() {
    TIntegerList& results = MaterialResults();
    duplicates_.clear();
    if (IsOpen()) {
        const int32_t root = Nodes().GetDown(0);
        if (root != 0) {
            results.Reserve(static_cast<size_t>(used_.Count()));
            collecting_ = &results;
            try {
                CollectNodes(root);
            } catch (...) {
                collecting_ = nullptr;
                MaterialResults();
                throw;
            }
            collecting_ = nullptr;
        }
    }
    SetStale(false);
}

void TKorDirFile::CollectNodes(int32_t k) {
    if (collecting_ == nullptr) return;
    const std::vector<int32_t> again =
        Walk(k, Order::DownFirst, true, [&](int32_t e, int32_t) { collecting_->Add(e); });
    duplicates_.insert(duplicates_.end(), again.begin(), again.end());
}

const TIntegerList& TKorDirFile::Results() {
    if (Stale()) RebuildNow();
    return MaterialList();
}

void TKorDirFile::CollectTexts(int32_t k) {
    Walk(k, Order::SelfFirst, [&](int32_t e, int32_t) {
        Parts().push_back(Nodes().GetValue(e) + ", " + std::to_string(Nodes().GetType(e)));
    });
}

// ---- free entries -----------------------------------------------------------------

int32_t TKorDirFile::FreeCountUpTo(int32_t n) const {
    // Counted as the key file's growth counts them: "Dir.dat" grows by what
    // the catalogue will grow. A chain cut short by a link 0 does not count
    // its last node.
    const TKorKeyTable& nodes = Nodes();
    TKorChainWalk chain;
    chain.Start(nodes.GetNextFree(), nodes.Count());
    int32_t found = 0;
    while (chain.Next(nodes) > 0)
        if (++found > n) return n;
    switch (chain.Found()) {
        case TKorChainWalk::Damage::None:
            break;
        case TKorChainWalk::Damage::Outside:
            nodes.GetUp(chain.OutsideNode());  // raises the node table's range error
            [[fallthrough]];
        default:
            RaiseDamaged("Die Kette der freien Einträge enthält einen Ringverweis!");
    }
    return chain.ReachedEnd() ? found : std::max(0, found - 1);
}

void TKorDirFile::Grow(int32_t n) {
    if (n <= 0) return;
    const int32_t free = FreeCountUpTo(n);
    if (free >= n) return;
    // "Dir.dat" first: it must cover every node the catalogue can hand out.
    dirDat_.Grow(8 * n - free);
    TKorKeyFile::Grow(n);
}

bool TKorDirFile::InUse(int32_t entry) const {
    const std::vector<int32_t>& v = used_.Values();
    return std::binary_search(v.begin(), v.end(), entry);
}

void TKorDirFile::CheckFreeChain(int32_t n) const {
    // The entries AllocNode will take, in its order. The chain's tail beyond the
    // file's whole nodes is made by growth and holds nothing in use.
    const int32_t count = Nodes().Count();
    int32_t k = Nodes().GetNextFree();
    for (int32_t i = 0; i < n && k > 0 && k < count; ++i) {
        if (InUse(k)) {
            ShowErrorMessage("Fehler: Der Eintrag " + std::to_string(k) +
                             " ist bereits in Dir.ref vorhanden!\rDieser Fehler ist schwerwiegend. "
                             "Ein Weiterarbeiten führt zu inkonsistenten Daten.");
            throw EKorKeyError("IntList: Ein Eintrag mit der Nummer " + std::to_string(k) +
                               " existiert bereits!");
        }
        const int32_t up = Nodes().GetUp(k);
        k = up != 0 ? up : k + 1;
    }
}

int32_t TKorDirFile::NodesNeeded(const TKeyList& key) {
    // Follow the key as far as it exists; every further part takes a node.
    SetParts(key);
    int32_t node = Nodes().GetDown(0);
    int32_t matched = 0;
    int steps = 0;
    while (node != 0 && PartsLeft() > 0) {
        if (++steps > kMaxDepth) RaiseDamaged("Ein Baum enthält einen Ringverweis!");
        const int c = CompareNode(node);
        if (c < 0) {
            node = Nodes().GetLeft(node);
        } else if (c > 0) {
            node = Nodes().GetRight(node);
        } else {
            ++matched;
            if (PartsLeft() == 1) break;
            DropFrontPart();
            node = Nodes().GetDown(node);
            steps = 0;
        }
    }
    ClearParts();
    return static_cast<int32_t>(key.size()) - matched;
}

int32_t TKorDirFile::AllocNode(int32_t owner) {
    const int32_t next = Nodes().GetNextFree();
    if (next > 0 && InUse(next)) CheckFreeChain(1);  // shows the message and refuses
    const int32_t k = TKorKeyFile::AllocNode(owner);
    used_.Add(k);
    created_.Add(k);
    return k;
}

void TKorDirFile::FreeNode(int32_t k) {
    TKorKeyFile::FreeNode(k);
    const int32_t i = used_.IndexOf(k);
    if (i < 0) {
        // Raising here would leave the tree half relinked; the deletion completes.
        ShowErrorMessage("Fehler: Der Eintrag " + std::to_string(k) +
                         " ist nicht in Dir.ref als belegt\rmarkiert. An dieser Stelle wurde ein "
                         "leerer Eintrag gelöscht!");
        return;
    }
    used_.Delete(i);
    released_.Add(k);
}

bool TKorDirFile::AddKeys(TKeyList& list, int32_t dataIndex) {
    bool inserted = false;
    const bool outermost = deferred_ == 0;
    try {
        DeferResults defer(*this);
        size_t at = 0;
        while (at < list.size()) {
            TKeyList key;
            while (at < list.size() && list[at] != kKeySeparator) key.push_back(std::move(list[at++]));
            if (at < list.size()) ++at;
            if (key.empty()) continue;
            if (key.size() <= kMaxParts && IsOpen()) {
                const int32_t needed = NodesNeeded(key);
                // Checked before growing: growth only extends the chain's tail.
                if (needed > 0) CheckFreeChain(needed);
            }
            if (TKorKeyFile::AddKeys(key, dataIndex)) inserted = true;
        }
    } catch (...) {
        list.clear();
        SetStale(true);
        throw;
    }
    list.clear();
    if (outermost) {
        RebuildNow();
        PositionOnFirst();
    }
    SetInserted(inserted);
    return inserted;
}

int32_t TKorDirFile::Locate(const TKeyList& parts) {
    lastFound_ = -1;
    if (!IsOpen()) return -1;
    SetParts(parts);
    const int32_t found = FindParts();
    ClearParts();
    if (found > 0) lastFound_ = found;
    return lastFound_;
}

// ---- queries --------------------------------------------------------------------

int32_t TKorDirFile::EntryType(int32_t entry) const {
    if (!IsOpen() || entry < 1 || entry >= Nodes().Count() || !InUse(entry)) return -1;
    return Nodes().GetType(entry);
}

std::string TKorDirFile::EntryFileName(int32_t entry) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%6.6d", entry);
    return buf;
}

void TKorDirFile::EntryPath(int32_t entry, std::vector<std::string>& parts) const {
    parts.clear();
    if (!IsOpen()) return;
    std::vector<std::string> upward;
    TKorChainWalk chain;
    chain.Start(entry);
    for (int32_t e = chain.Next(Nodes()); e > 0; e = chain.Next(Nodes())) {
        upward.push_back(Nodes().GetValue(e));
        if (static_cast<int32_t>(upward.size()) > dirref::kMaxPathTexts) return;
    }
    if (chain.Found() != TKorChainWalk::Damage::None) return;
    parts.assign(upward.rbegin(), upward.rend());
}

bool TKorDirFile::TableFiles(const std::vector<std::string>& path, std::string& dataFile,
                             std::string& keyFile) {
    dataFile.clear();
    keyFile.clear();
    TKeyList key = TableKey(path);
    if (key.empty()) return false;
    key.push_back(DataFilePart());
    if (Locate(key) < 0) return false;
    dataFile = LastFoundFileName();
    key.back() = KeyFilePart();
    if (Locate(key) < 0) return false;
    keyFile = LastFoundFileName();
    return true;
}

void TKorDirFile::ListChildren(const TKeyList& keyParts, int32_t type, std::vector<std::string>& names) {
    names.clear();
    if (!IsOpen()) return;
    int32_t level = 0;
    if (keyParts.empty()) {
        level = Nodes().GetDown(0);
    } else {
        const int32_t found = Locate(keyParts);
        if (found < 0) return;
        level = Nodes().GetDown(found);
    }
    Walk(level, Order::Level, [&](int32_t e, int32_t) {
        if (Nodes().GetType(e) == type) names.push_back(Nodes().GetValue(e));
    });
}

void TKorDirFile::ListLevelTexts(std::vector<std::string>& texts) {
    if (!IsOpen()) return;
    Walk(StartNode(), Order::Level, [&](int32_t e, int32_t) { texts.push_back(dirDat_.GetText(e)); });
}

void TKorDirFile::ListDrawingFiles(std::vector<std::string>& names) {
    if (!IsOpen()) return;
    Walk(StartNode(), Order::SelfFirst, [&](int32_t e, int32_t) {
        if (Nodes().GetType(e) == dirref::kDrawing) names.push_back(EntryFileName(e));
    });
}

void TKorDirFile::ListTree(std::vector<TDirTreeEntry>& lines) {
    lines.clear();
    if (!IsOpen()) return;
    Walk(Nodes().GetDown(0), Order::SelfFirst, true, [&](int32_t e, int32_t depth) {
        lines.push_back({e, depth, Nodes().GetType(e), Nodes().GetValue(e)});
    });
}

void TKorDirFile::GetUsedEntries(TIntList& list) const {
    list.Clear();
    for (const int32_t e : used_.Values()) list.Add(e);
}

void TKorDirFile::SetEntryValid(int32_t entry, bool valid) {
    Nodes().SetEvaluate(entry, valid ? 0 : 1);
}

int32_t TKorDirFile::EntryEvaluate(int32_t entry) const {
    if (!IsOpen() || entry < 1 || entry >= Nodes().Count()) return -1;
    return View()[static_cast<int64_t>(entry) * keynode::kSize + keynode::kEvaluate];
}

}  // namespace korin
