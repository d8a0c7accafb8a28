#include "msr/msr_remove.h"

#include "drawing/kor_drawing.h"
#include "msr/msr_comma_text.h"
#include "store/kor_error.h"
#include "store/kor_path.h"

namespace korin::msr {

std::vector<TPagePair> PagePairs(const std::string& drawingText) {
    const std::vector<std::string> items = SplitCommaText(drawingText);
    std::vector<TPagePair> pairs;
    for (size_t i = 0; i + 1 < items.size(); i += 2) pairs.push_back({items[i], items[i + 1]});
    return pairs;
}

std::string DrawingText(const std::vector<TPagePair>& pairs) {
    std::vector<std::string> items;
    for (const TPagePair& p : pairs) {
        items.push_back(p.original);
        items.push_back(p.file);
    }
    return items.empty() ? std::string() : JoinCommaText(items);
}

int32_t EntryOfFile(const std::string& file) {
    const std::string t = TrimBlanks(file);
    if (t.size() != 6) return -1;
    int32_t n = 0;
    for (char c : t) {
        if (c < '0' || c > '9') return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

bool AssignmentChanged(const TKorTable& mpoint) {
    const std::vector<std::string> originals = SplitCommaText(mpoint.GetFieldById(field::kOriginal));
    const std::vector<std::string> drawing = SplitCommaText(mpoint.GetFieldById(field::kDrawing));
    const std::vector<TPagePair> pairs = PagePairs(mpoint.GetFieldById(field::kDrawing));
    for (auto it = pairs.rbegin(); it != pairs.rend(); ++it)
        if (!Contains(originals, it->original)) return true;
    for (const std::string& o : originals)
        if (!Contains(drawing, o)) return true;
    return false;
}

bool RemovePage(TMsrProject& project, const std::string& designation, const std::string& file, const TMsrRun& run) {
    TKorDirFile& dir = project.Catalogue();
    const int32_t entry = EntryOfFile(file);
    if (entry <= 0 || dir.EntryType(entry) != dirref::kDrawing) return false;
    TKorTable& mpoint = project.mpoint;
    const std::string fileName = TKorDirFile::EntryFileName(entry);
    if (path::FileExists(project.Dir() + fileName)) {
        std::vector<std::string> linked;
        try {
            TKorDrawing page;
            page.SetProject(project.Dir());
            page.SetFileName(fileName);
            page.Open();
            if (const TKorDrawSym* title = page.SymbolAt(0))
                for (int32_t code = 803; code <= 822; ++code) {
                    const std::string text = TrimBlanks(title->GetCode(code));
                    if (!text.empty()) linked.push_back(text);
                }
            page.Close();
        } catch (const Exception&) {
            // A page that cannot be read links nobody; it is removed all the same.
        }
        for (const std::string& other : linked) {
            if (!mpoint.FindByPrimary(other)) continue;
            std::string kind = mpoint.GetFieldById(field::kKind);
            const size_t x = kind.find('x');
            if (x == std::string::npos) continue;
            kind.erase(x, 1);
            mpoint.SetFieldById(field::kKind, kind);
        }
    }
    TKorTable& ref = project.ref;
    if (ref.IsOpen()) {
        for (const int32_t slot : SecondarySlots(ref, "Loop", {TrimBlanks(designation)})) {
            if (!ref.GoToSlot(slot)) continue;
            const std::string added = ref.GetFieldById(602);
            ref.Delete();
            for (const int32_t other : SecondarySlots(ref, "MSR_Add", {added}))
                if (ref.GoToSlot(other)) ref.SetFieldById(603, "");
        }
    }
    std::vector<std::string> parts;
    dir.EntryPath(entry, parts);
    if (!parts.empty()) {
        dir.DeleteDrawing(parts);
        const TIntList& released = dir.ReleasedEntries();
        for (int32_t i = 0; i < released.Count(); ++i) run.Log("Eintrag gelöscht : " + std::to_string(released.Items(i)));
    }
    if (project.drawing.IsOpen() && project.drawing.FindByPrimary(fileName)) project.drawing.Delete();
    mpoint.FindByPrimary(designation);
    return true;
}

int32_t RemoveOutdatedPages(TMsrProject& project, const std::string& designation, const TMsrRun& run) {
    TKorTable& mpoint = project.mpoint;
    if (!mpoint.IsOpen() || !mpoint.FindByPrimary(designation)) return -1;
    if (!AssignmentChanged(mpoint)) return -1;
    std::vector<TPagePair> pairs = PagePairs(mpoint.GetFieldById(field::kDrawing));
    mpoint.SetFieldById(field::kInstrFlags, "");
    int32_t removed = 0;
    while (!pairs.empty()) {
        const std::string file = pairs.back().file;
        if (RemovePage(project, designation, file, run)) ++removed;
        pairs.pop_back();
        mpoint.FindByPrimary(designation);
        mpoint.SetFieldById(field::kDrawing, DrawingText(pairs));
    }
    mpoint.SetFieldById(field::kDrawing, "");
    return removed;
}

}  // namespace korin::msr
