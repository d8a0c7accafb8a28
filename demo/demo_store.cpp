#include "demo/demo_store.h"

#include <filesystem>
#include <string_view>

#include "demo/demo_ini.h"
#include "project/kor_dir_file.h"
#include "store/kor_error.h"
#include "store/kor_key_file.h"
#include "store/kor_table.h"

namespace korin::demo {
namespace {

// The catalogue of a project folder, open for the duration of one step.
class TCatalogue {
public:
    explicit TCatalogue(const std::string& dir) {
        dir_.SetProject(dir);
        if (!dir_.ProjectValid()) throw Exception("Demo: Der Ordner " + dir + " existiert nicht!");
        dir_.Open();
        if (!dir_.IsOpen()) throw Exception("Demo: Der Katalog in " + dir + " konnte nicht geöffnet werden!");
    }
    ~TCatalogue() { dir_.Close(); }
    TCatalogue(const TCatalogue&) = delete;
    TCatalogue& operator=(const TCatalogue&) = delete;
    TKorDirFile* operator->() { return &dir_; }
    TKorDirFile& operator*() { return dir_; }

private:
    TKorDirFile dir_;
};

void FillTable(const std::string& dir, const std::string& dataFile, const std::string& keyFile,
               const TTableData& data) {
    const TTableDef& def = data.def;
    TKorTable table;
    table.SetProject(dir);
    table.SetFileName(dataFile);
    table.SetKeyFileName(keyFile);
    table.SetFieldDefs(def.NewFields());
    table.SetPrimaryKeyField(def.primaryKey);
    table.SetTitle(def.name);
    table.TextLines() = def.folders;
    table.CreateNew(true);
    {
        TKorKeyFile keys;
        keys.SetProject(table.Project());
        keys.SetFileName(keyFile);
        keys.CreateNew(true);
    }
    table.Open();
    if (!table.IsOpen()) throw Exception("Demo: Die Tabelle " + def.name + " konnte nicht geöffnet werden!");
    for (const TKeyDef& key : def.keys) table.DefineSecondaryKey(key.name, key.fields, key.unique);
    for (size_t i = 0; i < data.rows.size(); ++i) {
        if (table.Append(data.rows[i]) < 0) {
            table.Close();
            throw Exception("Demo: Die Tabelle " + def.name + " hat den Datensatz " + std::to_string(i + 1) +
                            " (" + data.rows[i].front() + ") abgewiesen!");
        }
    }
    table.Close();
}

}  // namespace

void CreateProjectFolder(const std::string& dir) {
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (!std::filesystem::is_directory(dir)) throw Exception("Demo: Der Ordner " + dir + " konnte nicht angelegt werden!");
    TKorDirFile catalogue;
    catalogue.SetProject(dir);
    catalogue.CreateCatalogue();
}

void WriteTables(const std::string& dir, const std::vector<TTableData>& tables) {
    struct TFiles {
        std::string data, key;
    };
    std::vector<TFiles> files(tables.size());
    std::string project;
    {
        TCatalogue catalogue(dir);
        project = catalogue->Project();
        for (size_t i = 0; i < tables.size(); ++i) {
            const TTableDef& def = tables[i].def;
            std::string schedule, sysTable;
            // False when the folder has its schedule already.
            catalogue->CreateScheduleEntries(def.folders, schedule, sysTable);
            if (!catalogue->CreateTableEntries(def.Path(), def.longText, files[i].data, files[i].key))
                throw Exception("Demo: Die Tabelle " + def.name + " ist schon im Katalog!");
        }
    }
    for (size_t i = 0; i < tables.size(); ++i) FillTable(project, files[i].data, files[i].key, tables[i]);
}

std::vector<TOriginalPage> WriteOriginals(const std::string& dir, const std::string& level,
                                          const std::vector<TTypical>& typicals) {
    std::vector<TOriginalPage> pages;
    TCatalogue catalogue(dir);
    const std::string project = catalogue->Project();
    catalogue->CreateEntry("Typicals der Demo", {FolderPart(level)});
    for (const TTypical& typical : typicals) {
        catalogue->CreateEntry(typical.description, {FolderPart(level), FolderPart(typical.name)});
        for (size_t p = 0; p < typical.pages.size(); ++p) {
            const std::string file = catalogue->CreateEntry(
                typical.description,
                {FolderPart(level), FolderPart(typical.name), DrawingPart(std::to_string(p + 1))});
            if (file == "000000")
                throw Exception("Demo: Die Seite " + std::to_string(p + 1) + " von " + typical.name +
                                " konnte nicht angelegt werden!");
            const std::vector<uint8_t> bytes = EncodePage(BuildPage(typical, p));
            WriteFileReplacing(project + file, std::string(bytes.begin(), bytes.end()));
            pages.push_back({&typical, p, file});
        }
    }
    return pages;
}

}  // namespace korin::demo
