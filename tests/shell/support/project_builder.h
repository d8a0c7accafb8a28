// Small projects for the desktop program's tests, made with the store's own
// classes: a catalogue, folders with schedules, tables with records, drawings.
#pragma once

#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

#include "store/kor_key_file.h"

namespace korin::testing {

class ProjectBuilder {
public:
    // A new project folder "<temp>/<name>" with an empty catalogue.
    explicit ProjectBuilder(const std::string& name = "Projekt");
    ~ProjectBuilder();

    // The project folder with a trailing "/".
    const std::string& Dir() const { return dir_; }
    // The folder that holds the project folder, with a trailing "/".
    std::string Parent() const;
    std::string Name() const { return name_; }
    // The project folder without the trailing "/", as the main window takes it.
    QString Folder() const { return QString::fromStdString(dir_).chopped(1); }

    // A table at path (folders, then the name) with text fields "NAME:size"
    // (first field the primary key) and records; returns {data file, key file}.
    std::pair<std::string, std::string> AddTable(const std::vector<std::string>& path,
                                                 const std::vector<std::pair<std::string, int>>& fields,
                                                 const std::vector<std::vector<std::string>>& records,
                                                 const std::string& longText = "",
                                                 bool withSchedule = true);
    // A drawing with a title block at path; returns its file name. Its long
    // text is its name.
    std::string AddDrawing(const std::vector<std::string>& path);
    // Sets an entry's long text in "Dir.dat".
    void SetLongText(const TKeyList& key, const std::string& text);
    // A folder entry (with its schedule and system table).
    void AddFolder(const std::vector<std::string>& path);

    std::string FilePath(const std::string& file) const { return dir_ + file; }

private:
    QTemporaryDir temp_;
    std::string name_;
    std::string dir_;
};

}  // namespace korin::testing
