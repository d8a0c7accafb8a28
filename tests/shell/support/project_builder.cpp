#include "shell/support/project_builder.h"

#include <QDir>
#include <fstream>
#include <stdexcept>

#include "drawing/drawing_gen.h"
#include "project/kor_dir_file.h"
#include "store/kor_table.h"

namespace korin::testing {

ProjectBuilder::ProjectBuilder(const std::string& name) : name_(name) {
    if (!temp_.isValid()) throw std::runtime_error("no temporary folder");
    dir_ = temp_.path().toStdString() + "/" + name + "/";
    QDir().mkpath(QString::fromStdString(dir_));
    TKorDirFile dir;
    dir.SetProject(dir_);
    dir.CreateCatalogue();
}

ProjectBuilder::~ProjectBuilder() = default;

std::string ProjectBuilder::Parent() const { return temp_.path().toStdString() + "/"; }

void ProjectBuilder::AddFolder(const std::vector<std::string>& path) {
    TKorDirFile dir;
    dir.SetProject(dir_);
    dir.Open();
    std::string schedule, systable;
    dir.CreateScheduleEntries(path, schedule, systable);
    dir.Close();
}

std::pair<std::string, std::string> ProjectBuilder::AddTable(
    const std::vector<std::string>& path, const std::vector<std::pair<std::string, int>>& fields,
    const std::vector<std::vector<std::string>>& records, const std::string& longText,
    bool withSchedule) {
    const std::vector<std::string> folder(path.begin(), path.end() - 1);
    TKorDirFile dir;
    dir.SetProject(dir_);
    dir.Open();
    std::string schedule, systable, data, key;
    if (withSchedule) dir.CreateScheduleEntries(folder, schedule, systable);
    if (!dir.CreateTableEntries(path, longText, data, key)) throw std::runtime_error("table exists");
    dir.Close();

    TKorTable table;
    table.SetProject(dir_);
    table.SetKeyFileName(key);
    table.SetFileName(data);
    std::vector<TKorNewField> defs;
    for (const auto& [name, size] : fields) defs.push_back({name, TKorFieldType::String, size});
    table.SetFieldDefs(defs);
    table.SetPrimaryKeyField(1);
    table.SetTitle(path.back());
    table.CreateNew(true);
    table.Open();
    for (const auto& r : records)
        if (table.Append(r) < 0) throw std::runtime_error("record refused");
    table.Close();
    return {data, key};
}

std::string ProjectBuilder::AddDrawing(const std::vector<std::string>& path) {
    gen::Drawing d;
    gen::Symbol title;
    title.kind = 6;
    title.type = 9;
    title.name = "TITLE";
    title.codes = {{60, 0, 0, "A"}, {61, 0, 0, "B"}, {62, 0, 0, "1"}};
    d.symbols.push_back(title);
    const std::vector<uint8_t> bytes = gen::Build(d);
    const std::string source = temp_.path().toStdString() + "/source.drw";
    {
        std::ofstream out(source, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    TKorDirFile dir;
    dir.SetProject(dir_);
    dir.Open();
    const std::string file = dir.CreateDrawingEntry(source, DrawingKey(path));
    dir.Close();
    return file;
}

void ProjectBuilder::SetLongText(const TKeyList& key, const std::string& text) {
    TKorDirFile dir;
    dir.SetProject(dir_);
    dir.Open();
    const int32_t entry = dir.Locate(key);
    if (entry < 0) throw std::runtime_error("no such entry");
    dir.DirDat().SetText(entry, text);
    dir.Close();
}

}  // namespace korin::testing
