#include "project/kor_ini_file.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>

#include "store/kor_error.h"
#include "store/kor_path.h"

namespace korin {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trimmed(const std::string& text, size_t from, size_t to) {
    while (from < to && IsBlank(text[from])) ++from;
    while (to > from && IsBlank(text[to - 1])) --to;
    return text.substr(from, to - from);
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

}  // namespace

bool TKorIniFile::Load(const std::string& file) {
    sections_.clear();
    const std::string native = path::Native(file);
    struct stat st {};
    if (::stat(native.c_str(), &st) != 0 && errno == ENOENT) return false;
    const auto fail = [&] { return Exception("KorIni: Die Datei " + file + " konnte nicht gelesen werden."); };
    if (!S_ISREG(st.st_mode)) throw fail();
    FILE* in = std::fopen(native.c_str(), "rb");
    if (!in) throw fail();
    std::string text;
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) text.append(buffer, n);
    const bool bad = std::ferror(in) != 0;
    std::fclose(in);
    if (bad) throw fail();
    Parse(text);
    return true;
}

void TKorIniFile::Parse(const std::string& text) {
    sections_.clear();
    size_t at = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    Section* current = nullptr;
    Section ignored;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        size_t stop = end;
        if (stop > at && text[stop - 1] == '\r') --stop;
        const std::string line = Trimmed(text, at, stop);
        at = end + 1;
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            const size_t close = line.find(']');
            const std::string name = Trimmed(line, 1, close == std::string::npos ? line.size() : close);
            // A second section of a known name is read into a scratch section
            // and dropped: only the first one counts.
            current = &ignored;
            ignored.values.clear();
            bool known = false;
            for (const Section& s : sections_) known = known || SameName(s.name, name);
            if (!known) {
                sections_.push_back({name, {}});
                current = &sections_.back();
            }
            continue;
        }
        const size_t eq = line.find('=');
        if (!current || eq == std::string::npos) continue;
        std::string key = Trimmed(line, 0, eq);
        bool known = false;
        for (const auto& kv : current->values) known = known || SameName(kv.first, key);
        if (!known) current->values.emplace_back(std::move(key), Trimmed(line, eq + 1, line.size()));
    }
}

const std::pair<std::string, std::string>* TKorIniFile::Find(const std::string& section,
                                                             const std::string& key) const {
    for (const Section& s : sections_) {
        if (!SameName(s.name, section)) continue;
        for (const auto& kv : s.values)
            if (SameName(kv.first, key)) return &kv;
        return nullptr;
    }
    return nullptr;
}

std::string TKorIniFile::ReadString(const std::string& section, const std::string& key,
                                    const std::string& fallback) const {
    const auto* kv = Find(section, key);
    return kv ? kv->second : fallback;
}

bool TKorIniFile::ValueExists(const std::string& section, const std::string& key) const {
    return Find(section, key) != nullptr;
}

}  // namespace korin
