// Fuzz target: a project catalogue from arbitrary bytes.
//
// Input: two bytes (big-endian) give the length of the "Dir.ref" image, the
// image follows, and every further byte drives one operation: the check
// report, the repair of the free chain, path lookups, entry paths, listings,
// and the composite operations that create and delete entries. The project
// folder starts with the image and a short "Dir.dat" each time.
//
// Every outcome must be a result or a store exception: no crash, no hang, no
// access outside a mapping. After a repair, the report must show neither a ring
// nor an entry that is free but unlinked or in use but linked.
//
// When the corpus folder given on the command line is empty, it is seeded with
// catalogues built through the catalogue itself, sound and damaged.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "project/kor_dir_file.h"
#include "fuzz/fuzz_support.h"
#include "store/kor_error.h"
#include "store/kor_path.h"
#include "store/kor_ui.h"
#include "store/le.h"
#include "tests/drawing/drawing_gen.h"

namespace {

const std::string& ScratchDir() {
    static const std::string dir = FuzzScratchDir("korin-fuzz-dirref");
    return dir;
}

// A page drawing outside the project folder, the source of new drawings.
const std::string& SourcePage() {
    static const std::string file = [] {
        const std::string dir = ScratchDir().substr(0, ScratchDir().size() - 1) + "-src/";
        ::mkdir(dir.c_str(), 0755);
        const auto bytes = korin::testing::gen::Build(korin::testing::gen::RandomDrawing(7, 3, 3));
        std::ofstream(dir + "page.drw", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return dir + "page.drw";
    }();
    return file;
}

void WriteAll(const std::string& file, const uint8_t* data, size_t size) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

class QuietSink final : public korin::IKorMessageSink {
public:
    void ShowError(const std::string&) override {}
    bool AskYesNo(const std::string&) override { return false; }
};

struct Input {
    const uint8_t* p;
    size_t n;
    uint8_t Byte() { return n ? (--n, *p++) : 0; }
    bool More() const { return n > 0; }
};

std::vector<std::string> MakePath(Input& in) {
    static const char* const kTexts[] = {"AUC_SYSTEM", "PRO_DOKU", "MESSTELLE", "A", "B", "1", "10", ""};
    std::vector<std::string> path;
    const int texts = 1 + in.Byte() % 4;
    for (int i = 0; i < texts; ++i) path.push_back(kTexts[in.Byte() % 8]);
    return path;
}

void ClearScratch() {
    for (const std::string& name : korin::path::ListDirectory(ScratchDir()))
        korin::path::RemoveFile(ScratchDir() + name);
}

bool ReportIsClean(const std::vector<std::string>& lines) {
    bool inSection = false;
    for (const std::string& line : lines) {
        if (line.rfind("Achtung:", 0) == 0) return false;
        if (line.rfind("Nicht verlinkte", 0) == 0) {
            inSection = true;
            continue;
        }
        if (line.rfind("Nicht zum Projekt", 0) == 0) return true;
        if (inSection) return false;
    }
    return true;
}

void Drive(korin::TKorDirFile& cat, Input& in) {
    std::vector<std::string> lines;
    std::string a, b;
    switch (in.Byte() % 12) {
    case 0:
        cat.CheckReport(lines);
        break;
    case 1:
        cat.RepairFreeChain();
        cat.CheckReport(lines);
        FUZZ_CHECK(ReportIsClean(lines));
        break;
    case 2:
        cat.TableFiles(MakePath(in), a, b);
        break;
    case 3:
        cat.EntryPath(static_cast<int32_t>(in.Byte()) - 8, lines);
        cat.EntryType(in.Byte());
        break;
    case 4:
        cat.CreateEntry("long", korin::TableKey(MakePath(in)));
        break;
    case 5:
        cat.CreateTableEntries(MakePath(in), "text", a, b);
        break;
    case 6: {
        auto path = MakePath(in);
        cat.CreateScheduleEntries(path, a, b);
        break;
    }
    case 7:
        if (in.Byte() & 1)
            cat.DeleteTable(MakePath(in));
        else
            cat.DeleteFolder(MakePath(in));
        break;
    case 8: {
        cat.ListChildren(korin::FolderKey(MakePath(in)), in.Byte() % 9, lines);
        if (cat.SetStart(korin::FolderKey(MakePath(in)))) {
            cat.ListDrawingFiles(lines);
            cat.ListLevelTexts(lines);
            cat.ListLevel(lines);
        }
        break;
    }
    case 9: {
        std::vector<korin::TDirTreeEntry> tree;
        cat.ListTree(tree);
        for (bool ok = cat.First(); ok; ok = cat.Next()) {
        }
        break;
    }
    case 10: {
        auto path = MakePath(in);
        if (path.size() < 2) path.insert(path.begin(), "AUC_SYSTEM");
        cat.CreateDrawingEntry(SourcePage(), korin::DrawingKey(path));
        break;
    }
    default:
        cat.DeleteDrawing(MakePath(in));
        break;
    }
}

// Seeds an empty corpus folder with catalogues made by the catalogue itself.
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
    for (int variant = 0; variant < 6; ++variant) {
        ClearScratch();
        korin::TKorDirFile cat;
        cat.SetProject(ScratchDir());
        cat.CreateCatalogue();
        cat.Open();
        std::string a, b;
        for (int i = 0; i < 2 + variant * 3; ++i) {
            const std::string folder = "F" + std::to_string(i % 4);
            cat.CreateScheduleEntries({folder}, a, b);
            cat.CreateTableEntries({folder, "T" + std::to_string(i)}, "t", a, b);
            cat.CreateEntry("d", korin::DrawingKey({folder, "S" + std::to_string(i), "P"}));
        }
        if (variant >= 3) cat.DeleteTable({"F1", "T1"});
        cat.Close();
        std::ifstream in(ScratchDir() + "Dir.ref", std::ios::binary);
        std::vector<uint8_t> image((std::istreambuf_iterator<char>(in)), {});
        // Damage: a ring in the free chain, an entry in use linked as free.
        if (variant == 4) korin::le::PutI32(image.data() + 64 * (image.size() / 64 - 1) + 4, 30);
        if (variant == 5) korin::le::PutI32(image.data() + 4, 2);
        std::vector<uint8_t> input{static_cast<uint8_t>(image.size() >> 8), static_cast<uint8_t>(image.size())};
        input.insert(input.end(), image.begin(), image.end());
        for (int op = 0; op < 24; ++op) input.push_back(static_cast<uint8_t>(op * 37 + variant));
        WriteAll(dir + "/seed-" + std::to_string(variant), input.data(), input.size());
    }
    ClearScratch();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QuietSink sink;
    korin::SetMessageSink(&sink);
    for (int i = 1; i < *argc; ++i)
        if ((*argv)[i][0] != '-') Seed((*argv)[i]);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QuietSink sink;
    korin::SetMessageSink(&sink);
    if (size < 2) return 0;
    const size_t imageSize = std::min<size_t>(size - 2, size_t{data[0]} << 8 | data[1]);
    ClearScratch();
    WriteAll(ScratchDir() + "Dir.ref", data + 2, imageSize);
    const uint8_t dirDat[2 * korin::dirdat::kRecordSize] = {};
    WriteAll(ScratchDir() + "Dir.dat", dirDat, sizeof dirDat);
    Input in{data + 2 + imageSize, size - 2 - imageSize};

    korin::TKorDirFile cat;
    cat.SetProject(ScratchDir());
    try {
        cat.Open();
    } catch (const korin::Exception&) {
        FUZZ_CHECK(!cat.IsOpen() && !cat.DirDat().IsOpen());
        return 0;
    }
    FUZZ_CHECK(cat.DirDat().RecordCount() >= cat.Nodes().Count());
    for (int op = 0; op < 32 && in.More(); ++op) {
        try {
            Drive(cat, in);
        } catch (const korin::Exception&) {
            // A damaged catalogue is refused with a message; the object stays usable.
        }
        if (!cat.IsOpen()) break;
        FUZZ_CHECK(cat.DirDat().RecordCount() >= cat.Nodes().Count());
    }
    cat.Close();
    return 0;
}
