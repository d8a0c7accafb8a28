// Fuzz target: opening and saving page drawings.
//
// The input is written as a drawing file and opened. A refused file must be left
// as it was. An opened one gets some of its code texts changed (texts taken from
// the input, NULs and over-long texts included) and is saved; the saved file
// must carry a valid CRC, read back to the same model, and save again to the
// same bytes. Any other exception, a sanitizer report or a broken invariant is a
// finding.
//
// When the corpus folder given on the command line is empty, it is seeded with
// generated pages (tests/drawing/drawing_gen.h), so that mutations start from
// files that pass the structure checks.
#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "drawing/kor_drawing.h"
#include "fuzz/fuzz_support.h"
#include "store/kor_error.h"
#include "store/le.h"
#include "tests/drawing/drawing_gen.h"

namespace {

const std::string& ScratchDir() {
    static const std::string dir = FuzzScratchDir("korin-fuzz-drawing");
    return dir;
}

std::vector<uint8_t> ReadAll(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), {});
}

void WriteAll(const std::string& file, const uint8_t* data, size_t size) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    FUZZ_CHECK(static_cast<bool>(out));
}

void SameModel(const korin::TKorDrawing& a, const korin::TKorDrawing& b) {
    FUZZ_CHECK(a.Symbols().Count() == b.Symbols().Count());
    FUZZ_CHECK(a.Trailer() == b.Trailer());
    FUZZ_CHECK(std::equal(a.Header().begin(), a.Header().begin() + korin::drawfmt::kCrcAt, b.Header().begin()));
    for (int32_t i = 0; i < a.Symbols().Count(); ++i) {
        const korin::TKorDrawSym& x = *a.SymbolAt(i);
        const korin::TKorDrawSym& y = *b.SymbolAt(i);
        FUZZ_CHECK(x.RawRecord() == y.RawRecord());
        FUZZ_CHECK(x.Kind() == y.Kind() && x.SymbolType() == y.SymbolType() && x.Name() == y.Name());
        FUZZ_CHECK(x.CodeCount() == y.CodeCount());
        for (int32_t c = 0; c < x.CodeCount(); ++c) {
            FUZZ_CHECK(x.CodeNumberAt(c) == y.CodeNumberAt(c));
            FUZZ_CHECK(x.WordAAt(c) == y.WordAAt(c) && x.WordBAt(c) == y.WordBAt(c));
            FUZZ_CHECK(x.CodeTextAt(c) == y.CodeTextAt(c));
        }
    }
}

// Seeds an empty corpus folder with generated pages of several shapes.
void Seed(const std::string& dir) {
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
    if (DIR* d = ::opendir(dir.c_str())) {
        bool empty = true;
        while (dirent* e = ::readdir(d))
            if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) empty = false;
        ::closedir(d);
        if (!empty) return;
    }
    namespace gen = korin::testing::gen;
    for (uint32_t seed = 1; seed <= 24; ++seed) {
        gen::Drawing page = gen::RandomDrawing(seed, 1 + static_cast<int>(seed * 7 % 40), 1 + seed % 5);
        if (seed % 4 == 0) page.reserved = seed;
        if (seed % 5 == 0) page.symbols[0].codes[0].extraWords = 2;
        if (seed % 6 == 0) page.symbols[0].codes[1].padFill = 0xA5;
        if (seed % 7 == 0) page.trailer.clear();
        if (seed % 3 == 0) page.validCrc = false;
        const auto bytes = gen::Build(page);
        WriteAll(dir + "/seed-" + std::to_string(seed), bytes.data(), bytes.size());
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    for (int i = 1; i < *argc; ++i)
        if ((*argv)[i][0] != '-') Seed((*argv)[i]);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string name = "000001";
    const std::string file = ScratchDir() + name;
    WriteAll(file, data, size);
    const std::vector<uint8_t> input(data, data + size);

    korin::TKorDrawing d;
    d.SetProject(ScratchDir());
    d.SetFileName(name);
    try {
        d.Open();
    } catch (const korin::Exception&) {
        FUZZ_CHECK(d.Symbols().Count() == 0 && !d.IsOpen());
        FUZZ_CHECK(ReadAll(file) == input);
        return 0;
    }
    FUZZ_CHECK(!d.IsOpen());
    FUZZ_CHECK(d.Symbols().Count() == static_cast<int32_t>(d.SymbolCount()));
    for (int32_t i = 0; i < d.Symbols().Count(); ++i) {
        korin::TKorDrawSym& s = *d.SymbolAt(i);
        FUZZ_CHECK(s.RawRecord().size() == 2u * static_cast<size_t>(s.RecordWords()));
        for (int32_t c = 0; c < s.CodeCount(); ++c) {
            FUZZ_CHECK(s.CodeTextAt(c).size() <= 139);
            const int32_t number = s.CodeNumberAt(c);
            FUZZ_CHECK(number >= 0 && number <= 0xFFFF && s.HasCode(number));
            int32_t first = 0;
            while (s.CodeNumberAt(first) != number) ++first;
            FUZZ_CHECK(first <= c && s.GetCode(number) == s.CodeTextAt(first));
        }
        // Texts from the input, at a place chosen by it: a NUL, a long run and
        // an empty text all occur.
        if (s.CodeCount() > 0 && size > 40) {
            const size_t from = (static_cast<size_t>(i) * 31) % size;
            const size_t len = data[from] % 2 ? (static_cast<size_t>(data[from]) * 3) % 200 : 0;
            const std::string text(reinterpret_cast<const char*>(data) + from,
                                   std::min(len, size - from));
            s.SetCodeTextAt(static_cast<int32_t>(data[(from + 1) % size]) % s.CodeCount(), text);
        }
    }

    bool saved = false;
    try {
        saved = d.Save();
    } catch (const korin::Exception& e) {
        // Only a code area past the 16-bit index may be refused, and then the
        // file stays as it was.
        FUZZ_CHECK(std::strstr(e.what(), "passen nicht in den") != nullptr);
        FUZZ_CHECK(ReadAll(file) == input);
        return 0;
    }
    FUZZ_CHECK(saved == (d.Symbols().Count() > 0));
    if (!saved) {
        FUZZ_CHECK(ReadAll(file) == input);
        return 0;
    }
    const std::vector<uint8_t> written = ReadAll(file);
    FUZZ_CHECK(written == d.BuildImage());
    FUZZ_CHECK(korin::le::U32(written.data() + korin::drawfmt::kCrcAt) ==
          korin::TKorDrawing::ImageCrc(written.data(), written.size()));

    korin::TKorDrawing back;
    back.SetProject(ScratchDir());
    back.SetFileName(name);
    back.Open();  // a file this system wrote must open
    SameModel(d, back);
    FUZZ_CHECK(back.Save());
    FUZZ_CHECK(ReadAll(file) == written);
    return 0;
}
