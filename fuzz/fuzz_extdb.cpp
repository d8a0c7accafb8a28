// Arbitrary bytes as an Access database, a Paradox table (and its blob file)
// and a dBase table, read through extdb/ as the import reads them: in a child
// process, every table with every row. Whatever the libraries do with the
// bytes, this process gets the tables or one of the source's German refusals,
// nothing else.
#include <cstdint>
#include <cstdio>
#include <string>

#include "extdb/ext_isolated.h"
#include "fuzz_support.h"
#include "store/kor_error.h"

namespace {

void ReadAll(const std::string& path, korin::extdb::TExtFormat format) {
    try {
        auto source = korin::extdb::OpenSourceIsolated(path, format);
        for (const auto& name : source->TableNames()) {
            auto table = source->OpenTable(name);
            std::vector<korin::extdb::TExtValue> row;
            int64_t rows = 0;
            while (table->NextRow(row)) {
                FUZZ_CHECK(row.size() == table->Fields().size());
                ++rows;
            }
        }
    } catch (const korin::Exception& e) {
        FUZZ_CHECK(std::string(e.what()).rfind("ExtDB: ", 0) == 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string dir = FuzzScratchDir("fuzz_extdb");
    const std::pair<const char*, korin::extdb::TExtFormat> kinds[] = {
        {"t.mdb", korin::extdb::TExtFormat::Access},
        {"t.db", korin::extdb::TExtFormat::Paradox},
        {"t.dbf", korin::extdb::TExtFormat::DBase},
    };
    for (const auto& [name, format] : kinds) {
        const std::string path = dir + name;
        // The Paradox table finds the same bytes as its blob file (t.mb).
        for (const std::string& file : {path, format == korin::extdb::TExtFormat::Paradox ? dir + "t.mb" : path})
            if (std::FILE* f = std::fopen(file.c_str(), "wb")) {
                std::fwrite(data, 1, size, f);
                std::fclose(f);
            }
        ReadAll(path, format);
    }
    return 0;
}
