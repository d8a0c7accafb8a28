// The catalogue's consistency report and the repair of its free chain.
//
// Both work on a list W of one integer per whole node (N = file size / 64):
// W[i] = i for an entry not in use, -1 for one in use (and for the header), -2
// for one in use that the free chain links as free.
#include <algorithm>
#include <numeric>

#include "project/kor_dir_file.h"
#include "store/kor_path.h"
#include "store/le.h"

namespace korin {

namespace {

constexpr int32_t kUsed = -1;
constexpr int32_t kUsedButLinked = -2;
constexpr int32_t kFileNameDigits = 6;

// The texts as one comma-separated text: a text holding a blank, a comma or a
// double quote is enclosed in double quotes, inner quotes doubled.
std::string CommaText(const std::vector<std::string>& texts) {
    std::string out;
    for (size_t i = 0; i < texts.size(); ++i) {
        if (i) out.push_back(',');
        const std::string& t = texts[i];
        if (t.find_first_of(" ,\"") == std::string::npos) {
            out += t;
            continue;
        }
        out.push_back('"');
        for (const char c : t) {
            if (c == '"') out.push_back('"');
            out.push_back(c);
        }
        out.push_back('"');
    }
    return out;
}

bool IsNumberedFileName(const std::string& name) {
    return name.size() == kFileNameDigits &&
           std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

void TKorDirFile::CheckReport(std::vector<std::string>& lines) {
    lines.clear();
    if (!IsOpen()) return;
    const TIntegerList& results = Results();
    const int32_t n = FileSize() / keynode::kSize;
    std::vector<int32_t> w(static_cast<size_t>(n));
    std::iota(w.begin(), w.end(), 0);
    for (const int32_t e : results.Values())
        if (e >= 0 && e < n) w[static_cast<size_t>(e)] = kUsed;

    lines.push_back("Freie Einträge:");
    for (int32_t i = 0; i < n; ++i)
        if (w[static_cast<size_t>(i)] > 0) lines.push_back(EntryFileName(i));

    // The free chain, from the header's first free entry to the first
    // never-used one (or a link 0, or one outside the file). The report
    // follows it for N steps at most: a chain that takes them all is a ring,
    // and the entries met a second time in those steps change their marks.
    if (n > 0) w[0] = kUsed;
    int64_t steps = 0;
    TKorChainWalk chain;
    chain.Start(Nodes().GetNextFree(), n);
    while (steps < n) {
        const int32_t e = chain.Next(Nodes());
        if (e < 0) break;
        int32_t& mark = w[static_cast<size_t>(e)];
        mark = mark != kUsed ? kUsed : kUsedButLinked;
        ++steps;
    }
    if (steps >= n) {
        lines.push_back("Achtung: In Dir.Ref existiert ein Ringverweis der freiene Einträge!");
        lines.push_back("Das hat verheerende Wirkung, wenn neue Einträge angelegt werden.");
        lines.push_back(
            "Die Datei muß repariert werden, bevor mit dem Projekt weitergearbeitet werden kann.");
    }

    lines.push_back("Nicht verlinkte freie Einträge und belegte Einträge, die als frei markiert sind:");
    std::vector<std::string> path;
    for (int32_t i = 0; i < n; ++i) {
        const int32_t mark = w[static_cast<size_t>(i)];
        if (mark >= 1) {
            EntryPath(i, path);
            lines.push_back(EntryFileName(i) + ": Alter Eintrag: " + CommaText(path));
        } else if (mark == kUsedButLinked) {
            EntryPath(i, path);
            lines.push_back(EntryFileName(i) + ": Dieser Eintrag ist belegt: " + CommaText(path));
        }
    }

    // Numbered files of the project directory that no entry owns; names other
    // than six decimal digits ("Dir.ref", names with an extension) never count.
    std::vector<int32_t> files;
    for (const std::string& name : path::ListDirectory(Project()))
        if (IsNumberedFileName(name)) files.push_back(std::stoi(name));
    std::sort(files.begin(), files.end());
    std::vector<uint8_t> owned(files.size(), 0);
    for (const int32_t entry : results.Values()) {
        const int32_t type = Nodes().GetType(entry);
        if (type != dirref::kDrawing && type != dirref::kTableFile && type != dirref::kSchedule &&
            type != dirref::kSysTable)
            continue;
        auto it = std::lower_bound(files.begin(), files.end(), entry);
        if (it != files.end() && *it == entry) owned[static_cast<size_t>(it - files.begin())] = 1;
    }
    lines.push_back("Nicht zum Projekt gehörende Dateien:");
    for (size_t i = 0; i < files.size(); ++i)
        if (!owned[i] && files[i] > 0) lines.push_back(EntryFileName(files[i]));
}

void TKorDirFile::RepairFreeChain() {
    if (!IsOpen()) return;
    const TIntegerList& results = Results();
    const int32_t n = FileSize() / keynode::kSize;
    std::vector<uint8_t> used(static_cast<size_t>(n), 0);
    for (const int32_t e : results.Values())
        if (e >= 0 && e < n) used[static_cast<size_t>(e)] = 1;
    if (n > 0) used[0] = 1;

    // The chain ends at the first never-used node n, whose own link is cleared:
    // allocation then goes on behind the file's last entry instead of taking the
    // entry after the last free one, which may be in use.
    const int64_t highWaterUp = static_cast<int64_t>(n) * keynode::kSize + keynode::kUp;
    if (highWaterUp + 4 <= FileSize()) le::PutI32(View() + highWaterUp, 0);
    // Links first, the header's chain head last.
    int32_t first = n;
    int32_t previous = 0;
    for (int32_t i = 1; i < n; ++i) {
        if (used[static_cast<size_t>(i)]) continue;
        if (previous == 0)
            first = i;
        else
            Nodes().SetUp(previous, i);
        previous = i;
    }
    if (previous != 0) Nodes().SetUp(previous, n);
    Nodes().SetNextFree(first);
}

}  // namespace korin
