#include "msr/msr_levels.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "msr/msr_project.h"
#include "project/kor_ini_file.h"
#include "store/kor_error.h"
#include "store/kor_path.h"

namespace korin::msr {
namespace {

const char* const kSection = "RVK";
const std::array<const char*, 4> kKeys{"LevelCount", "Level1", "Level2", "Level3"};

// Which stored level a box shows, -1 when the count does not show it.
int32_t LevelOfBox(int32_t count, int32_t box) {
    if (count == 5 && box >= 1 && box <= 3) return box - 1;
    if (count == 4 && box >= 2 && box <= 3) return box - 2;
    if (count == 3 && box == 3) return 0;
    return -1;
}

std::string Blank(std::string text) { return TrimBlanks(text).empty() ? kEmptyLevel : text; }

std::vector<std::string> ReadLines(const std::string& file) {
    std::vector<std::string> lines;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool IsSection(const std::string& line, std::string& name) {
    const std::string t = TrimBlanks(line);
    if (t.size() < 2 || t.front() != '[' || t.back() != ']') return false;
    name = t.substr(1, t.size() - 2);
    return true;
}

bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

std::string TMsrLevels::Box(int32_t b) const {
    const int32_t l = LevelOfBox(count, b);
    return l < 0 ? std::string() : level[static_cast<size_t>(l)];
}

void TMsrLevels::SetBox(int32_t b, const std::string& text) {
    const int32_t l = LevelOfBox(count, b);
    if (l >= 0) level[static_cast<size_t>(l)] = text;
}

bool TMsrLevels::Valid() const {
    if (count < 3 || count > 5) return false;
    for (int32_t b = 6 - count; b <= 3; ++b)
        if (TrimBlanks(Box(b)).empty()) return false;
    return true;
}

TMsrLevels ReadLevels(const std::string& dir) {
    TMsrLevels levels;
    TKorIniFile ini;
    ini.Load(path::AsDirectory(dir) + kIniFile);
    try {
        levels.count = std::stoi(TrimBlanks(ini.ReadString(kSection, kKeys[0])));
    } catch (const std::exception&) {
        levels.count = 0;
    }
    for (size_t i = 1; i < kKeys.size(); ++i) levels.level[i - 1] = ini.ReadString(kSection, kKeys[i]);
    return levels;
}

void WriteLevels(const std::string& dir, const TMsrLevels& levels) {
    const std::string file = path::AsDirectory(dir) + kIniFile;
    std::vector<std::string> lines = ReadLines(file);
    const std::array<std::string, 4> values{std::to_string(levels.count), levels.level[0], levels.level[1],
                                            levels.level[2]};
    std::vector<std::string> out;
    std::string section;
    bool inRvk = false, written = false;
    auto emit = [&] {
        for (size_t i = 0; i < kKeys.size(); ++i) out.push_back(std::string(kKeys[i]) + "=" + values[i]);
        written = true;
    };
    for (const std::string& line : lines) {
        std::string name;
        if (IsSection(line, name)) {
            if (inRvk && !written) emit();
            inRvk = SameText(name, kSection);
            out.push_back(line);
            continue;
        }
        if (inRvk) {
            const size_t eq = line.find('=');
            if (eq != std::string::npos) {
                const std::string key = TrimBlanks(line.substr(0, eq));
                bool ours = false;
                for (const char* k : kKeys) ours = ours || SameText(key, k);
                if (ours) continue;
            }
        }
        out.push_back(line);
    }
    if (inRvk && !written) emit();
    if (!written) {
        if (!out.empty() && !out.back().empty()) out.push_back("");
        out.push_back(std::string("[") + kSection + "]");
        emit();
    }
    std::string text;
    for (const std::string& line : out) text += line + "\r\n";
    const std::string temp = file + ".tmp";
    {
        std::ofstream o(temp, std::ios::binary | std::ios::trunc);
        o << text;
        o.flush();
        if (!o) throw Exception(kLogSource + ": Die Datei " + file + " konnte nicht geschrieben werden!");
    }
    if (std::rename(temp.c_str(), file.c_str()) != 0) {
        path::RemoveFile(temp);
        throw Exception(kLogSource + ": Die Datei " + file + " konnte nicht geschrieben werden!");
    }
}

std::string ResolveBox(const std::string& text, const TKorTable& mpoint, TKorTable& unit) {
    if (text.size() < 2 || text.front() != '<' || text.back() != '>') return text;
    const std::string inner = text.substr(1, text.size() - 2);
    const size_t colon = inner.find(':');
    if (colon == std::string::npos) return text;
    const std::string table = inner.substr(0, colon);
    const std::string name = inner.substr(colon + 1);
    if (table == "MESSTELLE") return mpoint.GetFieldByName(name);
    if (table == "ANLAGE") {
        if (!unit.IsOpen() || !unit.FindByPrimary(mpoint.GetFieldById(field::kPlant))) return text;
        return unit.GetFieldByName(name);
    }
    return text;
}

std::vector<std::string> PageNames(const TMsrLevels& levels, const TKorTable& mpoint, TKorTable& unit,
                                   int32_t page) {
    std::vector<std::string> names;
    for (int32_t b = 6 - levels.count; b <= 3; ++b) names.push_back(Blank(ResolveBox(levels.Box(b), mpoint, unit)));
    names.push_back(Blank(mpoint.GetFieldById(field::kDesignation)));
    names.push_back(std::to_string(page));
    return names;
}

std::vector<std::string> LevelItems(const TKorTable& unit, const TKorTable& mpoint) {
    std::vector<std::string> items;
    if (unit.IsOpen() && unit.FieldCount() > 7)
        for (int32_t i = 6; i < unit.FieldCount(); ++i) items.push_back("<ANLAGE:" + unit.FieldDefs().FieldName(i) + ">");
    if (mpoint.IsOpen())
        for (int32_t i = 0; i < mpoint.FieldCount(); ++i) {
            const int32_t id = mpoint.FieldDefs().FieldId(i);
            if (id == 12101 || id == 12102 || id == field::kOriginal || id == field::kOrigPath || id == field::kDrawing)
                continue;
            items.push_back("<MESSTELLE:" + mpoint.FieldDefs().FieldName(i) + ">");
        }
    return items;
}

}  // namespace korin::msr
