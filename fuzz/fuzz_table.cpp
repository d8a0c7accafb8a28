// Opens arbitrary bytes as a table file (beside an empty key file) and walks,
// reads, finds, appends, edits, deletes, filters, re-indexes, adds a field and
// empties it. Every outcome must be a result or a store exception: no crash, no
// hang, no access outside the mapping.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "store/kor_error.h"
#include "store/kor_table.h"
#include "store/kor_ui.h"

namespace {

const std::string& ScratchDir() {
    static const std::string dir = FuzzScratchDir("korin-fuzz-table");
    return dir;
}

// Warnings are expected (key conflicts, full files); they are not printed.
class QuietSink : public korin::IKorMessageSink {
public:
    void ShowError(const std::string&) override {}
    bool AskYesNo(const std::string&) override { return false; }
};

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        if (size) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
}

std::string Text(const uint8_t* data, size_t size, size_t at, size_t length) {
    std::string s;
    for (size_t i = 0; i < length && size; ++i) s.push_back(static_cast<char>(data[(at + i) % size]));
    return s;
}

void Walk(korin::TKorTable& t) {
    int guard = 0;
    for (bool more = t.First(); more && guard < 5000; more = t.Next(), ++guard) {
        for (int32_t i = 0; i <= t.FieldCount(); ++i) (void)t.GetField(i);
        (void)t.IsActive();
    }
    for (bool more = t.Last(); more && guard < 10000; more = t.Prior(), ++guard) (void)t.GetField(0);
    (void)t.RecordCount();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QuietSink sink;
    korin::SetMessageSink(&sink);
    if (size < 1) return 0;
    // The first byte chooses whether the image is taken as it is or made to pass
    // the type check (tag at 200, more than 3250 bytes), so that most inputs reach
    // the header check and the records behind it.
    const uint8_t mode = data[0];
    std::vector<uint8_t> image(data + 1, data + size);
    if ((mode & 1) == 0) {
        if (image.size() < 3300) image.resize(3300, 0);
        std::memcpy(image.data() + 200, "TABLE", 6);
    }
    const std::string dir = ScratchDir();
    WriteFile(dir + "t.dat", image.data(), image.size());
    static const uint8_t emptyKeys[72] = {0, 0, 0, 0, 1};
    WriteFile(dir + "t.key", emptyKeys, sizeof emptyKeys);

    korin::TKorTable t;
    t.SetProject(dir);
    t.SetFileName("t.dat");
    t.SetKeyFileName("t.key");
    try {
        t.Open();
    } catch (const korin::Exception&) {
        if (!t.IsOpen()) return 0;
    }
    if (!t.IsOpen()) return 0;

    auto attempt = [&](auto&& step) {
        try {
            step();
        } catch (const korin::Exception&) {
        }
    };
    const int32_t n = t.FieldCount();
    attempt([&] { Walk(t); });
    attempt([&] { t.Reindex(); });
    attempt([&] { Walk(t); });
    for (int32_t s = 0; s < std::min(t.SlotCount(), 64); ++s) {
        attempt([&] {
            if (t.GoToSlot(s))
                for (int32_t i = 0; i < n; ++i) (void)t.GetField(i);
        });
    }
    for (int r = 0; r < 3; ++r) {
        attempt([&] {
            std::vector<std::string> values;
            for (int32_t i = 0; i < n; ++i) values.push_back(Text(data, size, static_cast<size_t>(r * 31 + i * 7), 1 + (i + r) % 5));
            (void)t.Append(values);
        });
    }
    attempt([&] { (void)t.FindByPrimary(Text(data, size, 3, 2)); });
    attempt([&] {
        korin::TIntegerList found;
        if (t.SecondaryKeyCount() > 0) (void)t.FindBySecondary(t.SecondaryKeyName(0), {Text(data, size, 5, 1)}, found);
    });
    attempt([&] {
        if (t.First()) t.EditField(mode % std::max(1, n), Text(data, size, 9, 3));
    });
    attempt([&] {
        if (t.First()) t.Delete();
    });
    attempt([&] { t.SetFilter(std::to_string(mode % 4) + " = \"" + Text(data, size, 11, 1) + "\""); });
    attempt([&] { Walk(t); });
    attempt([&] { t.SetFilter(""); });
    attempt([&] { t.DefineSecondaryKey("FZ", {t.FieldDefs().FieldName(0)}, (mode & 2) != 0); });
    attempt([&] { t.Reindex(); });
    attempt([&] { Walk(t); });
    attempt([&] {
        if (t.KeyFile().IsOpen()) (void)t.KeyFile().Verify();
    });
    if (mode & 4) attempt([&] { t.AddField("Neu", 1, mode % 9, 0, mode % 20, 0); });
    attempt([&] { Walk(t); });
    if (mode & 8) attempt([&] { t.Empty(); });
    attempt([&] { Walk(t); });
    return 0;
}
