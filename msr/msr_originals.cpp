#include "msr/msr_originals.h"

#include <filesystem>

#include "drawing/kor_drawing.h"
#include "msr/msr_comma_text.h"
#include "msr/msr_project.h"
#include "project/kor_dir_file.h"
#include "store/kor_error.h"
#include "store/kor_path.h"

namespace korin::msr {

TOriginalLists BuildOriginalLists(const std::string& originalDir, const std::vector<std::string>& level) {
    return BuildOriginalListsBelow(originalDir, FolderKey(level));
}

TOriginalLists BuildOriginalListsBelow(const std::string& originalDir, const TKeyList& levelKey) {
    TOriginalLists lists;
    TKorDirFile dir;
    dir.SetProject(originalDir);
    if (!dir.ProjectValid() || !path::ExistsIgnoringCase(path::AsDirectory(originalDir), dirref::kFileName))
        throw EKorKeyError("KorKeyFile: Datei konnte nicht geöffnet werden. Datei : " + dir.FileName());
    dir.Open();
    // Kept absolute: ORIGPATH is read later from wherever the program runs.
    std::error_code error;
    std::string project = std::filesystem::absolute(dir.Project(), error).lexically_normal().string();
    if (error || project.empty()) project = dir.Project();
    if (project.back() != '/') project += '/';
    std::vector<std::string> folders;
    dir.ListChildren(levelKey, dirref::kFolder, folders);
    for (const std::string& folder : folders) {
        TKeyList path = levelKey;
        path.push_back(FolderPart(folder));
        std::vector<std::string> pages;
        dir.ListChildren(path, dirref::kDrawing, pages);
        std::vector<std::string> item{folder, project};
        for (const std::string& page : pages) {
            TKeyList pagePath = path;
            pagePath.push_back(DrawingPart(page));
            const int32_t entry = dir.Locate(pagePath);
            if (entry <= 0) continue;
            item.push_back(TKorDirFile::EntryFileName(entry));
            lists.origInfo.push_back(dir.DirDat().GetText(entry));
        }
        lists.origList.push_back(JoinCommaText(item));
    }
    dir.Close();
    return lists;
}

std::vector<TOriginalRow> OriginalRows(const TOriginalLists& lists) {
    std::vector<TOriginalRow> rows;
    size_t info = 0;
    for (const std::string& text : lists.origList) {
        const std::vector<std::string> item = SplitCommaText(text);
        if (item.size() < 2) continue;
        const std::string directory = path::AsDirectory(item[1]);
        for (size_t k = 2; k < item.size(); ++k, ++info) {
            const std::string file = directory + item[k];
            if (!path::FileExists(file)) continue;
            TOriginalRow row;
            row.original = item[0];
            row.page = static_cast<int32_t>(k - 1);
            row.processing = info < lists.origInfo.size() ? lists.origInfo[info] : std::string();
            row.directory = item[1];
            row.file = item[k];
            try {
                TKorDrawing page;
                page.SetProject(directory);
                page.SetFileName(item[k]);
                page.Open();
                if (const TKorDrawSym* first = page.SymbolAt(0)) {
                    row.functionGroup = first->GetCode(field::kFunctionGroup);
                    row.planType = first->GetCode(field::kPlanType);
                }
                page.Close();
            } catch (const Exception&) {
            }
            rows.push_back(std::move(row));
        }
    }
    return rows;
}

std::string ListSetting(const std::vector<std::string>& list) {
    // Empty items are written quoted: a bare one at the end would read back as
    // no item (a page without description there would vanish from the info list).
    std::string text;
    for (size_t i = 0; i < list.size(); ++i) {
        if (i) text += ',';
        text += list[i].empty() ? std::string("\"\"") : JoinCommaText({list[i]});
    }
    return text;
}

std::vector<std::string> ListFromSetting(const std::string& text) { return SplitCommaText(text); }

const std::string& CriterionOf(const TOriginalRow& row, TCriterion criterion) {
    switch (criterion) {
        case TCriterion::FunctionGroup: return row.functionGroup;
        case TCriterion::PlanType: return row.planType;
        default: return row.processing;
    }
}

int32_t CriterionField(TCriterion criterion) {
    switch (criterion) {
        case TCriterion::FunctionGroup: return field::kFunctionGroup;
        case TCriterion::PlanType: return field::kPlanType;
        default: return field::kProcessing;
    }
}

}  // namespace korin::msr
