#include "msr/msr_assign_nav.h"

#include <algorithm>

#include "drawing/kor_drawing.h"
#include "msr/msr_comma_text.h"
#include "msr/msr_project.h"
#include "msr/msr_reflist.h"
#include "msr/msr_remove.h"

namespace korin::msr {
namespace {

constexpr int32_t kInstrument = 12115;

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

TKindPages IndexKindPages(TMsrProject& project, char kind) {
    TKindPages pages;
    TKorTable& mpoint = project.mpoint;
    if (!mpoint.IsOpen()) return pages;
    for (bool ok = mpoint.First(); ok; ok = mpoint.Next()) {
        const std::string drawing = mpoint.GetFieldById(field::kDrawing);
        if (Trim(drawing).empty()) continue;
        if (mpoint.GetFieldById(field::kKind).find(kind) == std::string::npos) continue;
        std::vector<std::string> files;
        for (const TPagePair& pair : PagePairs(drawing)) files.push_back(pair.file);
        if (files.empty()) continue;
        const auto index = static_cast<int32_t>(pages.points.size());
        for (size_t i = 0; i < files.size(); ++i)
            pages.byFile.emplace(files[i], std::make_pair(index, static_cast<int32_t>(i)));
        pages.points.push_back(mpoint.GetFieldById(field::kDesignation));
        pages.files.push_back(std::move(files));
    }
    return pages;
}

TPageHead ReadPageHead(TMsrProject& project, const std::string& file) {
    TPageHead head;
    TKorDrawing page;
    try {
        page.SetProject(project.Dir());
        page.SetFileName(file);
        page.Open();
    } catch (const std::exception&) {
        return head;
    }
    if (TKorDrawSym* title = page.SymbolAt(0)) {
        head.valid = true;
        std::vector<std::string> levels{Trim(title->GetCode(60))};
        head.levelText = levels[0];
        for (const int32_t code : {61, 63, 64}) {
            const std::string text = Trim(title->GetCode(code));
            if (text.empty()) continue;
            head.levelText += "-" + text;
            levels.push_back(text);
        }
        const std::string pageNo = Trim(title->GetCode(62));
        head.levelText += "-" + pageNo;
        levels.push_back(pageNo);
        head.levelPath = JoinCommaText(levels);
        while (head.slotCount < kSlots && title->HasCode(kFirstLinkedCode + head.slotCount)) ++head.slotCount;
    }
    page.Close();
    return head;
}

std::vector<TCandidate> Candidates(TMsrProject& project, char mark) {
    std::vector<TCandidate> rows;
    TKorTable& mpoint = project.mpoint;
    if (!mpoint.IsOpen()) return rows;
    for (bool ok = mpoint.First(); ok; ok = mpoint.Next())
        if (mpoint.GetFieldById(field::kKind).find(mark) == std::string::npos)
            rows.push_back({mpoint.GetFieldById(field::kDesignation), {}});
    FillInstruments(project, rows);
    return rows;
}

void FillInstruments(TMsrProject& project, std::vector<TCandidate>& rows) {
    if (!project.inst.IsOpen()) return;
    TIntegerList found;
    for (TCandidate& row : rows) {
        if (!project.inst.FindBySecondary("MESSTELLE", {row.designation}, found)) continue;
        std::vector<std::string> names;
        for (int32_t i = 0; i < found.Count(); ++i) {
            if (!project.inst.GoToSlot(found.Items(i))) continue;
            std::string name = Trim(project.inst.GetFieldById(kInstrument));
            if (!name.empty()) names.push_back(std::move(name));
        }
        std::sort(names.begin(), names.end());
        row.instruments = JoinCommaText(names);
    }
}

}  // namespace korin::msr
