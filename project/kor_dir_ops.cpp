// The composite operations of the catalogue: entries with their "Dir.dat"
// records, folder schedules and system tables, tables, drawings.
#include <cstdlib>

#include "drawing/kor_drawing.h"
#include "project/kor_dir_file.h"
#include "project/kor_sys_table.h"
#include "project/rvk_func.h"
#include "store/kor_error.h"
#include "store/kor_mmf.h"
#include "store/kor_path.h"

namespace korin {

namespace {

const std::string kNoEntry = "000000";

std::string Trimmed(const std::string& text) {
    size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
    return text.substr(b, e - b);
}

std::vector<std::string> FolderOf(const std::vector<std::string>& path) {
    return path.empty() ? std::vector<std::string>{} : std::vector<std::string>(path.begin(), path.end() - 1);
}

}  // namespace

std::string TKorDirFile::CreateEntry(const std::string& longText, TKeyList keyParts) {
    created_.Clear();
    DeferResults defer(*this);
    const TKeyList key = keyParts;
    int32_t n = -1;
    if (AddKeys(keyParts, 0)) {
        n = Locate(key);
        if (n > 0) {
            dirDat_.SetTime(n, LocalTimeStamp());
            dirDat_.SetText(n, longText);
            Nodes().SetEvaluate(n, 0);
        }
    }
    return n > 0 ? EntryFileName(n) : kNoEntry;
}

bool TKorDirFile::CreateScheduleEntries(const std::vector<std::string>& folderPath,
                                        std::string& scheduleFile, std::string& sysTableFile) {
    scheduleFile.clear();
    sysTableFile.clear();
    TKeyList key = FolderKey(folderPath);
    key.push_back(SchedulePart());
    if (Locate(key) > 0) return false;
    scheduleFile = CreateEntry("", key);
    key.back() = SysTablePart();
    sysTableFile = CreateEntry("", key);
    if (scheduleFile != kNoEntry && sysTableFile != kNoEntry) {
        TKorSysTable sys;
        sys.SetProject(Project());
        sys.Schedule().SetFileName(scheduleFile);
        sys.SetFileName(sysTableFile);
        sys.FolderPath() = folderPath;
        try {
            sys.CreateNew(true);
            sys.Schedule().CreateNew(true);
        } catch (...) {
            // The catalogue names no file that could not be made.
            path::RemoveFile(Project() + sysTableFile);
            path::RemoveFile(Project() + scheduleFile);
            DeleteKey(key);
            key.back() = SchedulePart();
            DeleteKey(key);
            scheduleFile.clear();
            sysTableFile.clear();
            throw;
        }
    }
    return true;
}

bool TKorDirFile::CreateTableEntries(const std::vector<std::string>& path, const std::string& longText,
                                     std::string& dataFile, std::string& keyFile) {
    dataFile.clear();
    keyFile.clear();
    TKeyList key = TableKey(path);
    if (key.empty()) return false;
    key.push_back(DataFilePart());
    if (Locate(key) > 0) return false;
    dataFile = CreateEntry("", key);
    key.back() = KeyFilePart();
    keyFile = CreateEntry("", key);
    key.pop_back();
    const int32_t table = Locate(key);
    if (table > 0) {
        dirDat_.SetTime(table, LocalTimeStamp());
        dirDat_.SetText(table, longText);
    }
    key.back() = SchedulePart();
    if (Locate(key) > 0) {
        const std::string scheduleFile = LastFoundFileName();
        key.back() = SysTablePart();
        Locate(key);
        TKorSysTable sys;
        sys.SetProject(Project());
        sys.Schedule().SetFileName(scheduleFile);
        sys.SetFileName(LastFoundFileName());
        sys.Open();
        sys.AddTable(path.back(), std::atoi(dataFile.c_str()), std::atoi(keyFile.c_str()));
        sys.Close();
    }
    return true;
}

void TKorDirFile::DeleteEntryFile(int32_t entry) const {
    if (entry <= 0) return;
    RemoveFileOrRaise(Project() + EntryFileName(entry));
}

void TKorDirFile::DeleteKey(TKeyList key) {
    DeferResults defer(*this);
    DeleteKeys(key);
}

void TKorDirFile::DeleteTableEntries(const std::vector<std::string>& path) {
    TKeyList key = TableKey(path);
    if (key.empty()) return;
    for (const std::string& filePart : {DataFilePart(), KeyFilePart()}) {
        key.push_back(filePart);
        DeleteEntryFile(Locate(key));
        DeleteKey(key);
        key.pop_back();
    }
    TKeyList schedule = FolderKey(FolderOf(path));
    schedule.push_back(SchedulePart());
    if (Locate(schedule) > 0) {
        const std::string scheduleFile = LastFoundFileName();
        schedule.back() = SysTablePart();
        Locate(schedule);
        TKorSysTable sys;
        sys.SetProject(Project());
        sys.Schedule().SetFileName(scheduleFile);
        sys.SetFileName(LastFoundFileName());
        sys.Open();
        sys.RemoveTable(path.back());
        sys.Close();
    }
    DeleteKey(key);
}

void TKorDirFile::DeleteTable(const std::vector<std::string>& path) {
    released_.Clear();
    DeleteTableEntries(path);
}

void TKorDirFile::DeleteFolder(const std::vector<std::string>& folderPath) {
    released_.Clear();
    TKeyList key = FolderKey(folderPath);
    for (const std::string& part : {SchedulePart(), SysTablePart()}) {
        key.push_back(part);
        const int32_t entry = Locate(key);
        if (entry > 0) {
            DeleteEntryFile(entry);
            DeleteKey(key);
        }
        key.pop_back();
    }
    std::vector<std::string> tables;
    ListChildren(key, dirref::kTable, tables);
    std::vector<std::string> path = folderPath;
    path.push_back({});
    for (const std::string& table : tables) {
        path.back() = table;
        DeleteTableEntries(path);
    }
}

std::string TKorDirFile::CreateDrawingEntry(const std::string& sourceFile, const TKeyList& keyParts) {
    const std::string longText = keyParts.empty() ? std::string() : std::string(KeyPartText(keyParts.back()));
    const std::string fileName = CreateEntry(longText, keyParts);
    if (Trimmed(fileName) == kNoEntry) return fileName;
    const std::string target = Project() + fileName;
    try {
        RemoveFileOrRaise(target);
        Nodes().SetEvaluate(std::atoi(fileName.c_str()), 0);
        CopyFile(path::Native(sourceFile), target, false);
        WriteTitleBlock(fileName, keyParts);
    } catch (...) {
        // The entry goes again with whatever was made of its file: the
        // catalogue never names a missing or truncated drawing.
        path::RemoveFile(target);
        DeleteKey(keyParts);
        throw;
    }
    return fileName;
}

void TKorDirFile::WriteTitleBlock(const std::string& fileName, const TKeyList& keyParts) const {
    TKorDrawing drawing;
    drawing.SetProject(Project());
    drawing.SetFileName(fileName);
    drawing.Open();
    TKorDrawSym* title = nullptr;
    for (int32_t i = 0; i < drawing.Symbols().Count(); ++i) {
        TKorDrawSym* sym = drawing.SymbolAt(i);
        if (sym->HasCodeList() && sym->SymbolType() == dirref::kTitleBlockType) {
            title = sym;
            break;
        }
    }
    if (title != nullptr) {
        auto text = [&](size_t i) { return std::string(KeyPartText(keyParts[i])); };
        const size_t parts = keyParts.size();
        if (parts >= 1) title->SetCode(dirref::kCodeLevel1, text(0));
        if (parts >= 2) title->SetCode(dirref::kCodeLevel2, text(1));
        switch (parts) {
        case 3:
            title->SetCode(dirref::kCodePage, text(2));
            title->SetCode(dirref::kCodeLevel3, "");
            title->SetCode(dirref::kCodeLevel4, "");
            break;
        case 4:
            title->SetCode(dirref::kCodeLevel3, text(2));
            title->SetCode(dirref::kCodeLevel4, "");
            title->SetCode(dirref::kCodePage, text(3));
            break;
        case 5:
            title->SetCode(dirref::kCodeLevel3, text(2));
            title->SetCode(dirref::kCodeLevel4, text(3));
            title->SetCode(dirref::kCodePage, text(4));
            break;
        default:
            title->SetCode(dirref::kCodePage, "");
            title->SetCode(dirref::kCodeLevel3, "");
            title->SetCode(dirref::kCodeLevel4, "");
            break;
        }
    }
    drawing.Save();
    drawing.Close();
}

void TKorDirFile::DeleteDrawing(const std::vector<std::string>& path) {
    released_.Clear();
    const TKeyList key = DrawingKey(path);
    if (key.empty()) return;
    const int32_t entry = Locate(key);
    if (entry > 0) {
        Nodes().SetEvaluate(entry, 1);
        DeleteEntryFile(entry);
    }
    DeleteKey(key);
}

}  // namespace korin
