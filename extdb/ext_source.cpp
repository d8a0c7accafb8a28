// Format guessing, the common refusals and the text helpers of the readers.
#include "extdb/ext_source.h"

#include <iconv.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "extdb/ext_readers.h"
#include "store/kor_error.h"

namespace korin::extdb {

namespace {

const char* FormatWord(TExtFormat format) {
    switch (format) {
        case TExtFormat::Access: return "keine Access-Datenbank";
        case TExtFormat::Paradox: return "keine Paradox-Tabelle";
        case TExtFormat::DBase: return "keine dBase-Tabelle";
        case TExtFormat::SQLite: return "keine SQLite-Datenbank";
        default: return "in keinem unterstützten Format";
    }
}

std::string LowerExtension(const std::string& path) {
    auto slash = path.find_last_of('/');
    auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

// Days from 1.1.1970 for a date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, int64_t& m, int64_t& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = yoe + era * 400;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp + (mp < 10 ? 3 : -9);
    y += m <= 2;
}

}  // namespace

void ThrowNotOfFormat(const std::string& path, TExtFormat format) {
    throw Exception("ExtDB: Die Datei " + path + " ist " + FormatWord(format) + "!");
}

void ThrowDamaged(const std::string& path) { throw Exception("ExtDB: Die Datei " + path + " ist beschädigt!"); }

void ThrowNoTable(const std::string& name, const std::string& path) {
    throw Exception("ExtDB: Die Tabelle " + name + " existiert nicht in " + path + "!");
}

int32_t IExtTable::FieldIndex(const std::string& name) const {
    const auto& fields = Fields();
    for (size_t i = 0; i < fields.size(); ++i)
        if (SameName(fields[i].name, name)) return static_cast<int32_t>(i);
    return -1;
}

TExtFormat GuessFormat(const std::string& path) {
    const std::string ext = LowerExtension(path);
    if (ext == ".mdb") return TExtFormat::Access;
    if (ext == ".db") return TExtFormat::Paradox;
    if (ext == ".dbf") return TExtFormat::DBase;
    if (ext == ".sqlite" || ext == ".sqlite3" || ext == ".db3") return TExtFormat::SQLite;
    std::ifstream in(path, std::ios::binary);
    char head[32] = {};
    in.read(head, sizeof head);
    if (in.gcount() >= 16 && std::memcmp(head, "SQLite format 3", 16) == 0) return TExtFormat::SQLite;
    if (in.gcount() >= 20 && std::memcmp(head + 4, "Standard Jet DB", 15) == 0) return TExtFormat::Access;
    return TExtFormat::Auto;
}

std::unique_ptr<IExtSource> OpenSource(const std::string& path, TExtFormat format) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        throw Exception("ExtDB: Die Datei " + path + " existiert nicht!");
    if (format == TExtFormat::Auto) format = GuessFormat(path);
    switch (format) {
        case TExtFormat::Access: return OpenAccessSource(path);
        case TExtFormat::Paradox: return OpenParadoxSource(path);
        case TExtFormat::DBase: return OpenDBaseSource(path);
        case TExtFormat::SQLite: return OpenSQLiteSource(path);
        default: throw Exception("ExtDB: Der Dateityp von " + path + " wird nicht unterstützt!");
    }
}

std::vector<std::string> SortedTableNames(IExtSource& source) {
    auto names = source.TableNames();
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

std::string OleDateText(double days) {
    if (!std::isfinite(days) || days < -693593.0 || days > 2958466.0) return {};
    // The whole part counts days from 30.12.1899, the fraction is the time of
    // day whatever the sign ("-1.25" is 29.12.1899 06:00).
    double whole = std::trunc(days);
    int64_t seconds = std::llround(std::fabs(days - whole) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        whole += days < 0 ? -1 : 1;
    }
    int64_t y = 0, m = 0, d = 0;
    CivilFromDays(DaysFromCivil(1899, 12, 30) + static_cast<int64_t>(whole), y, m, d);
    if (y < 1 || y > 9999) return {};
    char buf[40];
    if (whole == 0 && seconds != 0) {
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", int(seconds / 3600), int(seconds / 60 % 60),
                      int(seconds % 60));
    } else if (seconds == 0) {
        std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", int(d), int(m), int(y));
    } else {
        std::snprintf(buf, sizeof buf, "%02d.%02d.%04d %02d:%02d:%02d", int(d), int(m), int(y),
                      int(seconds / 3600), int(seconds / 60 % 60), int(seconds % 60));
    }
    return buf;
}

std::string ToUtf8(const std::string& bytes, const char* charset) {
    iconv_t cd = ::iconv_open("UTF-8", charset);
    if (cd == reinterpret_cast<iconv_t>(-1)) return bytes;
    std::string out;
    out.reserve(bytes.size() * 2);
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char buf[512];
    while (inLeft > 0) {
        char* o = buf;
        size_t oLeft = sizeof buf;
        size_t r = ::iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buf, o);
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            out += '?';
            ++in;
            --inLeft;
        }
    }
    ::iconv_close(cd);
    return out;
}

bool IsValidUtf8(const std::string& s) {
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n = 0;
        if (c < 0x80) n = 0;
        else if (c >= 0xC2 && c <= 0xDF) n = 1;
        else if (c >= 0xE0 && c <= 0xEF) n = 2;
        else if (c >= 0xF0 && c <= 0xF4) n = 3;
        else return false;
        if (s.size() - i <= n) return false;
        for (size_t k = 1; k <= n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n + 1;
    }
    return true;
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string BaseName(const std::string& path) {
    auto slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    auto dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string DoubleText(double value) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

}  // namespace korin::extdb
