#include "extdb/dbase_writer.h"

#include <shapefil.h>

#include "store/kor_error.h"
#include "store/kor_path.h"

namespace korin::extdb {

namespace {

constexpr int32_t kMaxChar = 254;
constexpr size_t kMaxFieldName = 10;
constexpr int kIntegerWidth = 11;  // "-2147483647"
// Language driver 0x03: Windows ANSI, code page 1252.
constexpr const char* kLanguageDriver = "LDID/3";

class TDBaseWriter : public IExtTableWriter {
public:
    TDBaseWriter(const std::string& directory, const std::string& fileName, const std::vector<TExtColumn>& columns)
        : directory_(directory), fileName_(fileName), columns_(columns) {
        for (const TExtColumn& c : columns)
            if (!c.integer && c.size > kMaxChar)
                throw Exception("ExtDB: Die Spaltenbreite " + std::to_string(c.size) + " ist für dBase zu groß!");
        std::vector<std::string> names;
        for (const TExtColumn& c : columns) names.push_back(c.name);
        names = FitColumnNames(names, kMaxFieldName);
        // shapelib replaces the extension it is given by ".dbf".
        temp_ = directory_ + fileName_ + ".~new.dbf";
        dbf_ = DBFCreateEx(temp_.c_str(), kLanguageDriver);
        if (!dbf_) Failed();
        for (size_t i = 0; i < columns.size(); ++i) {
            const bool integer = columns[i].integer;
            if (DBFAddField(dbf_, names[i].c_str(), integer ? FTInteger : FTString,
                            integer ? kIntegerWidth : columns[i].size, 0) < 0) {
                DBFClose(dbf_);
                path::RemoveFile(temp_);
                Failed();
            }
        }
    }

    ~TDBaseWriter() override {
        if (dbf_) DBFClose(dbf_);
    }

    void Insert(const std::vector<TExtLiteral>& values) override {
        for (size_t i = 0; i < columns_.size(); ++i) {
            const TExtColumn& c = columns_[i];
            int ok;
            if (c.integer) {
                ok = DBFWriteIntegerAttribute(dbf_, row_, static_cast<int>(i), IntegerValue(values[i], c.name));
            } else {
                if (values[i].text.size() > static_cast<size_t>(c.size))
                    throw Exception("ExtDB: Der Wert der Spalte " + c.name + " ist länger als " +
                                    std::to_string(c.size) + " Zeichen!");
                ok = DBFWriteStringAttribute(dbf_, row_, static_cast<int>(i), values[i].text.c_str());
            }
            if (!ok) Failed();
        }
        ++row_;
    }

    void Finish() override {
        DBFClose(dbf_);
        dbf_ = nullptr;
        if (!path::FileExists(temp_)) Failed();
    }

    std::vector<std::pair<std::string, std::string>> Files() const override {
        return {{temp_, directory_ + fileName_}};
    }

    std::vector<std::string> StaleFiles() const override {
        return CompanionFiles(directory_, fileName_, {"CDX", "MDX", "FPT", "DBT"});
    }

private:
    [[noreturn]] void Failed() const {
        throw Exception("ExtDB: Die Datei " + temp_ + " konnte nicht geschrieben werden!");
    }

    std::string directory_, fileName_, temp_;
    std::vector<TExtColumn> columns_;
    DBFHandle dbf_ = nullptr;
    int row_ = 0;
};

}  // namespace

std::unique_ptr<IExtTableWriter> MakeDBaseWriter(const std::string& directory, const std::string& fileName,
                                                 const std::vector<TExtColumn>& columns) {
    return std::make_unique<TDBaseWriter>(path::AsDirectory(directory), fileName, columns);
}

}  // namespace korin::extdb
