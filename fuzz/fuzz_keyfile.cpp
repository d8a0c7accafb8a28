// Opens arbitrary bytes as a key file and drives navigation, locate, insert and
// delete from the rest of the input. Every outcome must be a result or a store
// exception: no crash, no hang, no access outside the mapping.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz/fuzz_support.h"
#include "store/kor_error.h"
#include "store/kor_key_file.h"

namespace {

const std::string& ScratchDir() {
    static const std::string dir = FuzzScratchDir("korin-fuzz-keyfile");
    return dir;
}

// Reads the driving bytes after the file image.
struct Input {
    const uint8_t* p;
    size_t n;
    uint8_t Byte() { return n ? (--n, *p++) : 0; }
    bool More() const { return n > 0; }
};

korin::TKeyList MakeKey(Input& in) {
    korin::TKeyList key;
    const int parts = 1 + in.Byte() % 4;
    for (int i = 0; i < parts; ++i) {
        const uint8_t type = in.Byte() % 5 == 0 ? 80 : in.Byte() % 3;
        std::string text(1, static_cast<char>('0' + in.Byte() % 12));
        if (in.Byte() & 1) text += static_cast<char>(in.Byte());
        key.push_back(korin::KeyPart('C', type, text));
    }
    return key;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    // The first two bytes give the length of the file image.
    const size_t imageSize = std::min<size_t>(size - 2, (size_t{data[0]} << 8 | data[1]) * 8);
    const std::string dir = ScratchDir();
    const std::string file = dir + "k.idx";
    if (FILE* f = std::fopen(file.c_str(), "wb")) {
        std::fwrite(data + 2, 1, imageSize, f);
        std::fclose(f);
    }
    Input in{data + 2 + imageSize, size - 2 - imageSize};
    korin::TKorKeyFile kf;
    kf.SetProject(dir);
    kf.SetFileName("k.idx");
    try {
        kf.Open();
    } catch (const korin::Exception&) {
        return 0;
    }
    for (int op = 0; op < 64 && in.More(); ++op) {
        try {
            switch (in.Byte() % 10) {
            case 0: {
                auto key = MakeKey(in);
                kf.AddKeys(key, in.Byte());
                break;
            }
            case 1: {
                auto key = MakeKey(in);
                kf.DeleteKeys(key);
                break;
            }
            case 2:
                kf.Locate(MakeKey(in));
                break;
            case 3:
                for (bool ok = kf.First(); ok; ok = kf.Next()) {
                }
                break;
            case 4:
                for (bool ok = kf.Last(); ok; ok = kf.Prior()) {
                }
                break;
            case 5:
                kf.SetSelection(MakeKey(in), in.Byte() & 1);
                break;
            case 6:
                kf.GoTo(in.Byte());
                kf.RecordCount();
                break;
            case 7: {
                korin::TIntegerList list;
                if (kf.SetStart(MakeKey(in))) kf.GetRecords(list);
                kf.GetIndexValues(list);
                break;
            }
            case 8: {
                std::vector<std::string> lines;
                kf.SetStart({});
                kf.ListLevel(lines);
                break;
            }
            default:
                kf.Verify();
                kf.ResetSelection();
                break;
            }
        } catch (const korin::Exception&) {
            // A damaged file is refused with a message; the object stays usable.
        }
    }
    kf.Close();
    return 0;
}
