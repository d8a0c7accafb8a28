#include "cli/catalogue_args.h"

#include "cli/command.h"
#include "project/kor_dir_file.h"
#include "store/kor_error.h"
#include "store/kor_table.h"

namespace korintool {

std::vector<std::string> SplitCataloguePath(const std::string& text, bool allowEmpty) {
    std::vector<std::string> texts;
    if (text.empty()) {
        if (allowEmpty) return texts;
        throw UsageError("empty PATH");
    }
    size_t from = 0;
    while (true) {
        const size_t slash = text.find('/', from);
        texts.push_back(text.substr(from, slash == std::string::npos ? std::string::npos : slash - from));
        if (slash == std::string::npos) return texts;
        from = slash + 1;
    }
}

void OpenCatalogueTable(const std::string& dir, const std::string& pathText, korin::TKorTable& table,
                        bool keyFileMayFail) {
    const auto path = SplitCataloguePath(pathText);
    korin::TKorDirFile cat;
    cat.SetProject(dir);
    if (!cat.ProjectValid())
        throw korin::EKorKeyError("KorKeyFile: Datei konnte nicht geöffnet werden. Datei : " + cat.FileName());
    cat.Open();
    std::string dataFile, keyFile;
    if (!cat.TableFiles(path, dataFile, keyFile))
        throw korin::Exception("Die Tabelle " + pathText + " gibt es im Projekt nicht!");
    table.SetProject(cat.Project());
    table.SetFileName(dataFile);
    table.SetKeyFileName(keyFile);
    try {
        table.Open();
    } catch (const korin::Exception&) {
        if (!keyFileMayFail || !table.IsOpen()) throw;
    }
    if (!table.IsOpen()) throw korin::EKorMMFError("KorMMF: Konnte Datei nicht öffnen. Datei : " + dataFile);
}

void PrintTableInfo(korin::TKorTable& table) {
    PrintLine({"title", table.Title()});
    PrintLine({"records", std::to_string(table.HeaderRecordCount())});
    PrintLine({"slots", std::to_string(table.SlotCount())});
    PrintLine({"freehead", std::to_string(table.FreeHead())});
    PrintLine({"primary", std::to_string(table.PrimaryKeyField())});
    const korin::TKorFieldDefs& defs = table.FieldDefs();
    for (int32_t i = 0; i < defs.FieldCount(); ++i)
        PrintLine({"field", std::to_string(i), std::to_string(defs.FieldId(i)), defs.FieldName(i),
                   std::to_string(defs.FieldWidth(i)), std::to_string(defs.FieldType(i)),
                   std::to_string(defs.FieldDecimals(i))});
    for (int32_t k = 0; k < table.SecondaryKeyCount(); ++k) {
        std::string numbers;
        for (int32_t j = 0; j < table.SecondaryKeyFieldCount(k); ++j) {
            if (j) numbers += ",";
            numbers += std::to_string(table.SecondaryKeyFieldIndex(k, j) + 1);
        }
        PrintLine({"key", std::to_string(k), table.SecondaryKeyName(k), table.SecondaryKeyUnique(k) ? "1" : "0",
                   numbers});
    }
}

}  // namespace korintool
