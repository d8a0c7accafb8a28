// The import's logic: mapping life, reading rows, conversion to CP850, and the
// structure of a new table from a source table.
#include "tables/table_import.h"

#include <iconv.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "extdb/ext_isolated.h"
#include "extdb/ext_readers.h"
#include "project/kor_dir_file.h"
#include "store/kor_error.h"

namespace korin {

namespace {

constexpr int32_t kMaxTextSize = 137;
constexpr int32_t kDefaultTextSize = 20;
constexpr size_t kMaxKeyFields = 20;

bool FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string Trimmed(const std::string& s) { return TrimBlanks(s); }

bool SameNameNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// A source field name as a store field name: CP850, "#" not taken for an id.
std::string StoreName(TOemConverter& oem, const std::string& name) {
    bool changed = false;
    std::string s = oem.ToOem(name, changed);
    std::replace(s.begin(), s.end(), '#', '_');
    return s;
}

}  // namespace

// ---- code pages --------------------------------------------------------------

TOemConverter::TOemConverter() : cd_(::iconv_open("CP850", "UTF-8")) {}

TOemConverter::~TOemConverter() {
    if (cd_ != reinterpret_cast<void*>(-1)) ::iconv_close(static_cast<iconv_t>(cd_));
}

std::string TOemConverter::ToOem(const std::string& utf8, bool& changed) {
    bool ascii = true;
    for (char c : utf8)
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii) return utf8;
    std::string out;
    out.reserve(utf8.size());
    auto cd = static_cast<iconv_t>(cd_);
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char buf[256];
    while (inLeft > 0) {
        char* o = buf;
        size_t oLeft = sizeof buf;
        const size_t r = ::iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buf, o);
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            // One character that CP850 lacks (or a broken sequence): skip its bytes.
            changed = true;
            out += '?';
            size_t skip = 1;
            while (skip < inLeft && (static_cast<unsigned char>(in[skip]) & 0xC0) == 0x80) ++skip;
            in += skip;
            inLeft -= skip;
        }
    }
    return out;
}

std::string OemToUtf8(const std::string& oem) { return extdb::ToUtf8(oem, "CP850"); }

TSourceOpener DefaultSourceOpener() {
    return [](const std::string& path) { return extdb::OpenSourceIsolated(path); };
}

// ---- structure ----------------------------------------------------------------

TCreateDefinition DefinitionFromSource(const extdb::IExtTable& source, bool firstFieldKey) {
    using extdb::TExtFieldKind;
    TOemConverter oem;
    TCreateDefinition def;
    std::vector<std::string> names;
    for (const auto& f : source.Fields()) {
        TKorNewField nf;
        nf.name = StoreName(oem, f.name);
        names.push_back(nf.name);
        switch (f.kind) {
            case TExtFieldKind::SmallInt: nf.type = TKorFieldType::SmallInt; nf.size = f.size; break;
            case TExtFieldKind::Integer: nf.type = TKorFieldType::Integer; nf.size = f.size; break;
            case TExtFieldKind::Word: nf.type = TKorFieldType::Word; nf.size = f.size; break;
            case TExtFieldKind::Float: nf.type = TKorFieldType::Float; nf.size = f.size; break;
            default:
                nf.type = TKorFieldType::String;
                nf.size = f.size < 1 ? kDefaultTextSize : std::min(f.size, kMaxTextSize);
                break;
        }
        def.fields.push_back(std::move(nf));
    }
    auto fieldNumber = [&](const std::string& name) {
        for (size_t i = 0; i < source.Fields().size(); ++i)
            if (source.Fields()[i].name == name) return static_cast<int32_t>(i + 1);
        return 0;
    };
    for (const auto& idx : source.Indexes()) {
        if (idx.primary) {
            if (def.primaryKeyField == 0 && !idx.fields.empty()) def.primaryKeyField = fieldNumber(idx.fields[0]);
            continue;
        }
        TKorSecondaryKey key;
        bool changed = false;
        key.name = oem.ToOem(idx.name, changed).substr(0, 32);
        key.unique = idx.unique;
        for (const auto& f : idx.fields)
            if (int32_t n = fieldNumber(f); n > 0 && key.fields.size() < kMaxKeyFields) key.fields.push_back(n);
        if (!key.fields.empty() && !Trimmed(key.name).empty() && def.secondaryKeys.size() < 20)
            def.secondaryKeys.push_back(std::move(key));
    }
    if (def.primaryKeyField == 0 && firstFieldKey && !def.fields.empty()) def.primaryKeyField = 1;
    return def;
}

bool CreateFromAccess(TKorTable& table, const std::string& databaseFile, const std::string& tableName,
                      const TSourceOpener& opener) {
    if (!FileExists(databaseFile)) return false;
    auto source = opener(databaseFile);
    auto ext = source->OpenTable(tableName);
    const TCreateDefinition def = DefinitionFromSource(*ext, table.FirstFieldKey);
    TKorTable::CheckNewFields(def.fields);
    table.SetFieldDefs(def.fields);
    table.SetPrimaryKeyField(def.primaryKeyField);
    table.CreateNew(true);
    table.Open();
    try {
        for (const auto& key : def.secondaryKeys) {
            std::vector<std::string> fieldNames;
            for (int32_t n : key.fields) fieldNames.push_back(table.FieldDefs().FieldName(n - 1));
            table.DefineSecondaryKey(key.name, fieldNames, key.unique);
        }
    } catch (...) {
        table.Close();
        throw;
    }
    table.Close();
    return true;
}

bool DirectImport(TKorDirFile& catalogue, const std::vector<std::string>& path, const std::string& databaseFile,
                  const std::string& tableName, std::string& dataFile, std::string& keyFile,
                  const TSourceOpener& opener) {
    if (path.size() < 2) return false;
    // The source is read before the catalogue changes, so that a bad source
    // leaves no empty entry behind.
    if (!FileExists(databaseFile)) return false;
    opener(databaseFile)->OpenTable(tableName);
    const std::vector<std::string> folder(path.begin(), path.end() - 1);
    std::string scheduleFile, sysTableFile;
    if (catalogue.CreateScheduleEntries(folder, scheduleFile, sysTableFile) &&
        (scheduleFile == "000000" || sysTableFile == "000000"))
        return false;
    if (!catalogue.CreateTableEntries(path, "", dataFile, keyFile)) return false;
    if (dataFile == "000000" || keyFile == "000000") return false;
    TKorTable table;
    table.SetProject(catalogue.Project());
    table.SetFileName(dataFile);
    table.SetKeyFileName(keyFile);
    table.SetTitle(path.back());
    table.TextLines() = folder;
    try {
        CreateFromAccess(table, databaseFile, tableName, opener);
    } catch (...) {
        catalogue.DeleteTable(path);
        throw;
    }
    return true;
}

// ---- mapping ------------------------------------------------------------------

TTableImport::TTableImport(TKorTable& table, std::string projectDir, TImpMapOwner owner, TSourceOpener opener)
    : table_(table), map_(std::move(projectDir)), owner_(std::move(owner)), opener_(std::move(opener)) {}

void TTableImport::LoadMapping() {
    if (!table_.IsOpen()) throw Exception("Import: Die Tabelle " + owner_.table + " ist nicht geöffnet!");
    map_.EnsureExists();
    map_.Load();
    sourceDb_.clear();
    sourceTable_.clear();
    auto owned = map_.Owned(owner_);
    if (!owned.empty()) {
        sourceDb_ = map_.Rows()[owned[0]].exDBName;
        sourceTable_ = map_.Rows()[owned[0]].exTabName;
    }
    const auto& defs = table_.FieldDefs();
    const int32_t n = table_.FieldCount();
    bool changed = false;
    std::vector<int32_t> gone;
    for (size_t i : owned) {
        const std::string& name = map_.Rows()[i].korName;
        bool found = false;
        for (int32_t f = 0; f < n && !found; ++f) found = TImpMap::SameText(defs.FieldName(f), name);
        if (!found) gone.push_back(map_.Rows()[i].indexNo);
    }
    for (int32_t indexNo : gone) changed = map_.Delete(indexNo) || changed;
    owned = map_.Owned(owner_);
    for (int32_t f = 0; f < n; ++f) {
        const std::string name = defs.FieldName(f);
        bool found = false;
        for (size_t i : owned) found = found || TImpMap::SameText(map_.Rows()[i].korName, name);
        if (found) continue;
        TImpMapRow row;
        row.level1 = owner_.level1;
        row.level2 = owner_.level2;
        row.level3 = owner_.level3;
        row.korTabName = owner_.table;
        row.korName = name;
        row.code = defs.FieldId(f);
        row.fieldLen = defs.FieldWidth(f);
        row.fieldType = defs.FieldType(f);
        map_.Insert(std::move(row));
        changed = true;
    }
    if (changed) {
        map_.Save();
    } else if (!map_.IndexFilesCurrent()) {
        // Index files of an older version, or of a write that was cut off:
        // written anew where the folder allows it; the table alone serves.
        try {
            map_.Save();
        } catch (const Exception&) {
        }
    }
}

std::vector<TImpMapRow> TTableImport::Mapping() const {
    std::vector<TImpMapRow> rows;
    for (size_t i : map_.Owned(owner_)) rows.push_back(map_.Rows()[i]);
    return rows;
}

std::vector<std::string> TTableImport::SourceFieldNames() const {
    std::vector<std::string> names;
    if (sourceTable_.empty() || !FileExists(sourceDb_)) return names;
    auto table = opener_(sourceDb_)->OpenTable(sourceTable_);
    for (const auto& f : table->Fields()) names.push_back(f.name);
    return names;
}

void TTableImport::ChooseSource(const std::string& database, const std::string& table) {
    sourceDb_ = database;
    sourceTable_ = table;
    map_.SetSource(owner_, database, table);
    map_.Save();
}

bool TTableImport::SetSourceField(const std::string& korName, const std::string& sourceField) {
    for (size_t i : map_.Owned(owner_)) {
        if (!TImpMap::SameText(map_.Rows()[i].korName, korName)) continue;
        map_.Row(i).exName = Trimmed(sourceField);
        map_.Save();
        return true;
    }
    return false;
}

void TTableImport::MapByName() {
    const auto names = SourceFieldNames();
    TOemConverter oem;
    for (size_t i : map_.Owned(owner_)) {
        std::string chosen;
        for (const auto& n : names)
            if (SameNameNoCase(StoreName(oem, n).substr(0, 20), Trimmed(map_.Rows()[i].korName))) chosen = n;
        map_.Row(i).exName = chosen;
    }
    map_.Save();
}

// ---- reading --------------------------------------------------------------------

TImportReport TTableImport::Read(IKorProgress* progress, const std::function<bool()>& cancelled) {
    if (!table_.IsOpen()) throw Exception("Import: Die Tabelle " + owner_.table + " ist nicht geöffnet!");
    if (Trimmed(sourceTable_).empty() || Trimmed(sourceDb_).empty())
        throw Exception("Import: Für die Tabelle " + owner_.table + " ist keine Quelltabelle gewählt!");
    auto source = opener_(sourceDb_);
    auto ext = source->OpenTable(sourceTable_);

    // Mapping row i: its source field's position and its target field's index.
    struct TLink {
        int32_t source;
        int32_t target;
    };
    std::vector<TLink> links;
    const auto& defs = table_.FieldDefs();
    const int32_t n = table_.FieldCount();
    for (const auto& row : Mapping()) {
        const std::string exName = Trimmed(row.exName);
        if (exName.empty()) continue;
        const int32_t s = ext->FieldIndex(exName);
        if (s < 0)
            throw Exception("ExtDB: Das Feld " + exName + " existiert nicht in der Tabelle " + sourceTable_ + "!");
        int32_t t = -1;
        for (int32_t f = 0; f < n && t < 0; ++f)
            if (TImpMap::SameText(defs.FieldName(f), row.korName)) t = f;
        if (t >= 0) links.push_back({s, t});
    }

    const int32_t primary = table_.PrimaryKeyField();
    const TKorSecondaryKey* unique = nullptr;
    if (primary <= 0)
        for (const auto& key : table_.SecondaryKeys())
            if (key.unique) {
                unique = &key;
                break;
            }

    TImportReport report;
    TOemConverter oem;
    const int64_t total = ext->RowCount();
    if (progress) {
        progress->SetRange(0, static_cast<int>(std::max<int64_t>(total, 0)));
        progress->SetStep(10);
    }
    std::vector<std::string> values(static_cast<size_t>(n));
    std::vector<extdb::TExtValue> row;
    std::vector<bool> keep(links.size());  // per link: a binary value, the field is left alone
    int64_t count = 0;
    try {
        while (true) {
            if (cancelled && cancelled()) {
                report.cancelled = true;
                break;
            }
            if (!ext->NextRow(row)) break;
            std::fill(values.begin(), values.end(), std::string());
            for (size_t l = 0; l < links.size(); ++l) {
                const TLink& link = links[l];
                keep[l] = static_cast<size_t>(link.source) < row.size() && row[static_cast<size_t>(link.source)].binary;
                if (keep[l]) ++report.binary;
                if (static_cast<size_t>(link.source) >= row.size() || keep[l]) continue;
                bool changed = false;
                std::string v = oem.ToOem(row[static_cast<size_t>(link.source)].text, changed);
                if (changed) ++report.converted;
                const int32_t width = defs.FieldWidth(link.target);
                if (defs.FieldType(link.target) == 0 && width >= 0 && v.size() > static_cast<size_t>(width)) {
                    v.resize(static_cast<size_t>(width));
                    ++report.cut;
                }
                values[static_cast<size_t>(link.target)] = std::move(v);
            }
            bool found = false;
            if (primary > 0) {
                found = table_.FindByPrimary(values[static_cast<size_t>(primary - 1)]);
            } else if (unique != nullptr) {
                std::vector<std::string> keyValues;
                for (int32_t f : unique->fields) keyValues.push_back(values[static_cast<size_t>(f - 1)]);
                TIntegerList slots;
                found = table_.FindBySecondary(unique->name, keyValues, slots) && slots.Count() > 0 &&
                        table_.GoToSlot(slots.Items(0));
            }
            if (found) {
                for (size_t l = 0; l < links.size(); ++l)
                    if (!keep[l])
                        table_.EditField(links[l].target, values[static_cast<size_t>(links[l].target)]);
                ++report.updated;
            } else if (table_.Append(values) >= 0) {
                ++report.appended;
            } else {
                ++report.refused;
            }
            ++count;
            if (progress && count % 10 == 0) progress->StepIt();
        }
    } catch (...) {
        if (progress) progress->Reset();
        throw;
    }
    if (progress) progress->Reset();
    return report;
}

}  // namespace korin
