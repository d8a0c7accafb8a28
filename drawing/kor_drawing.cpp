#include "drawing/kor_drawing.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "store/kor_crc.h"
#include "store/kor_error.h"
#include "store/kor_path.h"
#include "store/le.h"

namespace korin {
namespace {

namespace f = drawfmt;

// ---- Messages -------------------------------------------------------------

std::string InFile(const std::string& name) { return " Datei : " + name; }

Exception Truncated(const std::string& what, const std::string& name) {
    return Exception("KorDrawing: Die Datei ist zu kurz: " + what +
                     " reicht über das Dateiende hinaus." + InFile(name));
}
Exception BadSymbolLength(size_t i, uint32_t words, const std::string& name) {
    return Exception("KorDrawing: Symbol " + std::to_string(i) + " hat die ungültige Satzlänge " +
                     std::to_string(words) + "." + InFile(name));
}
Exception SymbolIndexMismatch(size_t i, const std::string& name) {
    return Exception("KorDrawing: Der Symbolindex stimmt bei Symbol " + std::to_string(i) +
                     " nicht mit den Satzlängen überein." + InFile(name));
}
Exception BadCodeLength(size_t j, uint32_t words, const std::string& name) {
    return Exception("KorDrawing: Code " + std::to_string(j) + " hat die ungültige Satzlänge " +
                     std::to_string(words) + "." + InFile(name));
}
Exception CodeIndexMismatch(size_t j, const std::string& name) {
    return Exception("KorDrawing: Der Codeindex stimmt bei Code " + std::to_string(j) +
                     " nicht mit den Satzlängen überein." + InFile(name));
}
Exception TooManyCodes(size_t i, uint32_t c, uint32_t m, const std::string& name) {
    return Exception("KorDrawing: Symbol " + std::to_string(i) + " hat mehr Codes (" +
                     std::to_string(c) + "), als die Datei enthält (M = " + std::to_string(m) +
                     ")." + InFile(name));
}
Exception CodeCountMismatch(uint64_t k, uint32_t m, const std::string& name) {
    return Exception("KorDrawing: Die Symbole haben zusammen " + std::to_string(k) +
                     " Codes, die Datei zählt M = " + std::to_string(m) + "." + InFile(name));
}
Exception IndexOverflow(bool codes, uint64_t words, const std::string& name) {
    return Exception(std::string("KorDrawing: Die ") +
                     (codes ? "Codes passen nicht in den Codeindex" : "Symbole passen nicht in den Symbolindex") +
                     " (" + std::to_string(words) + " Worte, höchstens 65535)." + InFile(name));
}
Exception NotWritten(const std::string& path) {
    return Exception("KorDrawing: Die Datei " + path + " konnte nicht geschrieben werden!");
}

// ---- Reading --------------------------------------------------------------

bool LooksLikeDrawing(const uint8_t* view, size_t size) {
    return view != nullptr && size >= static_cast<size_t>(f::kMinFileBytes) &&
           le::U16(view + f::kMarkAt) == f::kMark && le::U16(view + f::kVersionAt) == f::kVersion;
}

// A record area: `count` records from byte `base` on, each starting with its
// length in words, and an index of `count` cumulative word ends at `indexAt`.
// Checks every record against the file end, the smallest length and its index
// entry; returns the end of the area in words. Nothing is read before its
// bounds are known.
template <typename MinWords, typename Fail>
uint32_t CheckRecordArea(const uint8_t* view, size_t size, size_t indexAt, size_t base,
                         uint32_t count, MinWords minWords, Fail fail) {
    uint32_t end = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const size_t start = base + 2u * static_cast<size_t>(end);
        if (start > size || size - start < 4) fail.Truncated(i);
        const uint32_t words = le::U16(view + start);
        if (2u * static_cast<size_t>(words) > size - start) fail.Truncated(i);
        if (words < minWords(view + start)) fail.BadLength(i, words);
        const uint32_t entry = le::U16(view + indexAt + 2u * i);
        if (entry != end + words) fail.Mismatch(i);
        end = entry;
    }
    return end;
}

struct SymbolFailures {
    const std::string& name;
    [[noreturn]] void Truncated(size_t i) const {
        throw ::korin::Truncated("Symbol " + std::to_string(i), name);
    }
    [[noreturn]] void BadLength(size_t i, uint32_t w) const { throw BadSymbolLength(i, w, name); }
    [[noreturn]] void Mismatch(size_t i) const { throw SymbolIndexMismatch(i, name); }
};

struct CodeFailures {
    const std::string& name;
    [[noreturn]] void Truncated(size_t j) const {
        throw ::korin::Truncated("Code " + std::to_string(j), name);
    }
    [[noreturn]] void BadLength(size_t j, uint32_t w) const { throw BadCodeLength(j, w, name); }
    [[noreturn]] void Mismatch(size_t j) const { throw CodeIndexMismatch(j, name); }
};

uint32_t SymbolMinWords(const uint8_t* record) {
    return f::KindHasCodes(record[f::kSymKind]) ? f::kSymWithCodesMinBytes / 2 : f::kSymMinBytes / 2;
}

// ---- Writing --------------------------------------------------------------

std::string Trimmed(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return s.substr(b, e - b);
}

void PutU16At(std::vector<uint8_t>& out, size_t at, uint16_t v) { le::PutU16(out.data() + at, v); }
void AppendU32(std::vector<uint8_t>& out, uint32_t v) {
    const size_t at = out.size();
    out.resize(at + 4);
    le::PutU32(out.data() + at, v);
}

bool WriteAll(int fd, const uint8_t* p, size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

// Writes `bytes` to a new file beside `path`, flushes it and renames it over
// `path`, so that `path` holds either the old content or all of the new.
void ReplaceFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) throw NotWritten(path);
    struct stat old {};
    const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    const bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes.data(), bytes.size()) &&
                    ::fsync(fd) == 0;
    if (::close(fd) != 0 || !ok || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        throw NotWritten(path);
    }
    // The rename itself reaches the disk with the directory.
    if (SyncDirectoryOf(path) != 0) throw NotWritten(path);
}

}  // namespace

TKorDrawing::~TKorDrawing() = default;

void TKorDrawing::SetProject(const std::string& value) {
    SetProjectDirectory(value);
}

bool TKorDrawing::CheckContent() {
    return LooksLikeDrawing(View(), static_cast<size_t>(FileSize() < 0 ? 0 : FileSize()));
}

void TKorDrawing::ClearModel() {
    header_.fill(0);
    crc_ = 0;
    symbolCount_ = 0;
    codeCount_ = 0;
    trailer_.clear();
    trailer_.shrink_to_fit();
    symbols_.Clear();
}

void TKorDrawing::Open() {
    ClearModel();
    TKorMMF::Open();
    if (!IsOpen()) return;  // no such file: an empty drawing
    // The drawing is only read here: the mapping goes without a flush.
    try {
        ReadModel(View(), static_cast<size_t>(FileSize()));
    } catch (...) {
        ClearModel();
        ReleaseUnwritten();
        throw;
    }
    ReleaseUnwritten();
}

void TKorDrawing::Close() {
    symbols_.Clear();
    TKorMMF::Close();
}

// Three passes over the view, each only reading what the one before has shown
// to lie inside the file: the symbol records against their index, the code
// records against theirs, then the symbols with exactly their code records.
void TKorDrawing::ReadModel(const uint8_t* view, size_t size) {
    const std::string& name = FileName();
    std::memcpy(header_.data(), view, f::kHeaderBytes);
    crc_ = le::U32(view + f::kCrcAt);

    const uint32_t n = le::U32(view + f::kCountAt);
    const size_t symbolsAt = f::kSymbolIndexAt + 2u * static_cast<size_t>(n);
    if (symbolsAt > size) throw Truncated("der Symbolindex", name);
    const uint32_t symbolWords = CheckRecordArea(view, size, f::kSymbolIndexAt, symbolsAt, n,
                                                 SymbolMinWords, SymbolFailures{name});

    const size_t afterSymbols = symbolsAt + 2u * static_cast<size_t>(symbolWords);
    if (size - afterSymbols < static_cast<size_t>(f::kReservedBytes + f::kCodeCountBytes))
        throw Truncated("der Codeindex", name);
    const uint32_t m = le::U32(view + afterSymbols + f::kReservedBytes);
    const size_t codeIndexAt = afterSymbols + f::kReservedBytes + f::kCodeCountBytes;
    if (size - codeIndexAt < 2u * static_cast<size_t>(m)) throw Truncated("der Codeindex", name);
    const size_t codesAt = codeIndexAt + 2u * static_cast<size_t>(m);
    const uint32_t codeWords =
        CheckRecordArea(view, size, codeIndexAt, codesAt, m,
                        [](const uint8_t*) { return uint32_t{f::kCodeMinBytes / 2}; },
                        CodeFailures{name});

    // Code end in bytes after the first `k` code records (entry k−1 of the index).
    const auto codeEnd = [&](uint64_t k) -> size_t {
        return k == 0 ? codesAt : codesAt + 2u * le::U16(view + codeIndexAt + 2u * (k - 1));
    };
    symbols_.Reserve(n);
    uint64_t k = 0;  // codes owned by the symbols read so far
    size_t at = symbolsAt;
    for (uint32_t i = 0; i < n; ++i) {
        const size_t bytes = 2u * le::U16(view + at);
        const std::span<const uint8_t> record(view + at, bytes);
        uint32_t c = 0;
        if (f::KindHasCodes(view[at + f::kSymKind])) {
            c = le::U16(view + at + f::kSymCodeCount);
            if (k + c > m) throw TooManyCodes(i, c, m, name);
        }
        const size_t from = codeEnd(k), to = codeEnd(k + c);
        symbols_.Add(record, std::span<const uint8_t>(view + from, to - from));
        k += c;
        at += bytes;
    }
    if (k != m) throw CodeCountMismatch(k, m, name);

    const size_t trailerAt = codesAt + 2u * static_cast<size_t>(codeWords);
    trailer_.assign(view + trailerAt, view + size);
    symbolCount_ = n;
    codeCount_ = m;
}

bool TKorDrawing::MayWrite() const {
    const std::string& name = FileName();
    const std::string whole = Trimmed(name);
    if (whole.empty() || whole == "000000") return false;
    const std::string lastSix = Trimmed(name.size() > 6 ? name.substr(name.size() - 6) : name);
    if (lastSix == "000000") return false;
    return symbols_.Count() != 0;
}

std::vector<uint8_t> TKorDrawing::BuildImage() const {
    const size_t n = static_cast<size_t>(symbols_.Count());
    std::vector<uint8_t> out;
    out.reserve(f::kHeaderBytes + 4 + 2 * n + 8 + trailer_.size() + 64 * n);
    out.assign(header_.begin(), header_.end());
    AppendU32(out, static_cast<uint32_t>(n));

    const size_t symbolIndexAt = out.size();
    out.resize(out.size() + 2 * n);
    uint64_t words = 0;
    for (size_t i = 0; i < n; ++i) {
        const TKorDrawSym& s = *symbols_.Get(static_cast<int32_t>(i));
        words += static_cast<uint64_t>(s.RecordWords());
        if (words > f::kMaxIndexWords) throw IndexOverflow(false, words, FileName());
        PutU16At(out, symbolIndexAt + 2 * i, static_cast<uint16_t>(words));
        out.insert(out.end(), s.RawRecord().begin(), s.RawRecord().end());
    }

    uint64_t m = 0;
    for (size_t i = 0; i < n; ++i) m += static_cast<uint64_t>(symbols_.Get(static_cast<int32_t>(i))->CodeCount());
    AppendU32(out, 0);  // the reserved word
    AppendU32(out, static_cast<uint32_t>(m));

    // The code index runs across all symbols; it is filled while the records
    // are appended behind it.
    const size_t codeIndexAt = out.size();
    out.resize(out.size() + 2 * m);
    size_t entry = 0;
    words = 0;
    for (size_t i = 0; i < n; ++i) {
        const TKorDrawSym& s = *symbols_.Get(static_cast<int32_t>(i));
        for (int32_t c = 0; c < s.CodeCount(); ++c) {
            words += static_cast<uint64_t>(s.CodeRecordWords(c));
            if (words > f::kMaxIndexWords) throw IndexOverflow(true, words, FileName());
            PutU16At(out, codeIndexAt + 2 * entry++, static_cast<uint16_t>(words));
        }
        s.AppendCodeBytes(out);
    }

    out.insert(out.end(), trailer_.begin(), trailer_.end());
    le::PutU32(out.data() + f::kCrcAt, ImageCrc(out.data(), out.size()));
    return out;
}

bool TKorDrawing::Save() {
    if (!MayWrite()) return false;
    const std::vector<uint8_t> image = BuildImage();
    ReplaceFile(FullPath(), image);
    std::memcpy(header_.data() + f::kCrcAt, image.data() + f::kCrcAt, 4);
    crc_ = le::U32(image.data() + f::kCrcAt);
    return true;
}

uint32_t TKorDrawing::ImageCrc(const uint8_t* bytes, size_t size) {
    return size <= static_cast<size_t>(f::kCrcFrom) ? 0 : Crc32(bytes + f::kCrcFrom, size - f::kCrcFrom);
}

void TKorDrawing::RecomputeCrc() {
    if (!IsOpen() || View() == nullptr) return;
    const uint32_t crc = ImageCrc(View(), static_cast<size_t>(FileSize()));
    le::PutU32(View() + f::kCrcAt, crc);
    le::PutU32(header_.data() + f::kCrcAt, crc);
    crc_ = crc;
}

bool TKorDrawing::CheckCrc(uint32_t& stored, uint32_t& computed) {
    if (!path::FileExists(FullPath()))
        throw Exception("KorDrawing: Datei nicht gefunden." + InFile(FileName()));
    int fh = -1;
    size_t mh = 0;
    uint8_t* view = MapFile(0, fh, mh);
    const bool drawing = LooksLikeDrawing(view, mh);
    if (drawing) {
        stored = le::U32(view + f::kCrcAt);
        computed = ImageCrc(view, mh);
    }
    ReleaseHandles(fh, mh, view);
    if (!drawing)
        throw EKorMMFError(
            "KorMMF: Konnte Datei nicht öffnen.\rInhalt stimmt nicht mit Dateityp überein. Datei : " +
            FileName());
    return stored == computed;
}

}  // namespace korin
