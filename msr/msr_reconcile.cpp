#include "msr/msr_reconcile.h"

#include <algorithm>

#include "drawing/kor_drawing.h"
#include "msr/msr_assign.h"
#include "msr/msr_comma_text.h"
#include "msr/msr_remove.h"
#include "store/kor_error.h"

namespace korin::msr {
namespace {

// Registers the page with the current measure point under `name`; false when
// a field refused.
bool Register(TKorTable& mpoint, const std::string& file, std::string& name) {
    std::vector<std::string> drawing = SplitCommaText(mpoint.GetFieldById(field::kDrawing));
    const std::string plan = mpoint.GetFieldById(field::kPlanType);
    int32_t k = 1;
    while (Contains(drawing, plan + "-" + std::to_string(k))) ++k;
    name = plan + "-" + std::to_string(k);
    drawing.push_back(name);
    drawing.push_back(file);
    std::vector<std::string> originals = SplitCommaText(mpoint.GetFieldById(field::kOriginal));
    originals.push_back(name);
    std::vector<std::string> paths = SplitCommaText(mpoint.GetFieldById(field::kOrigPath));
    if (paths.empty()) paths.push_back("C:\\");
    paths.push_back("000000");
    const std::string texts[3] = {JoinCommaText(drawing), JoinCommaText(originals), PathText(paths)};
    const int32_t ids[3] = {field::kDrawing, field::kOriginal, field::kOrigPath};
    const char* names[3] = {"DRAWING", "ORIGINAL", "ORIGPATH"};
    for (int i = 0; i < 3; ++i)
        if (static_cast<int32_t>(texts[i].size()) > FieldWidthById(mpoint, ids[i]))
            return StoreListField(mpoint, ids[i], texts[i], names[i]);  // shows the refusal
    for (int i = 0; i < 3; ++i) mpoint.SetFieldById(ids[i], texts[i]);
    return true;
}

}  // namespace

TReconcileResult Reconcile(TMsrProject& project, const TMsrRun& run, const std::vector<std::string>& originalList) {
    TReconcileResult result;
    TKorTable& mpoint = project.mpoint;
    if (!mpoint.IsOpen()) return result;
    TKorDirFile& dir = project.Catalogue();
    std::vector<std::string> files;
    if (dir.SetStart({})) dir.ListDrawingFiles(files);
    run.Start(static_cast<int32_t>(files.size()));
    for (size_t i = 0; i < files.size(); ++i) {
        if (run.Cancelled()) {
            result.cancelled = true;
            break;
        }
        const std::string& file = files[i];
        ++result.files;
        TKorDrawing page;
        try {
            page.SetProject(project.Dir());
            page.SetFileName(file);
            page.Open();
        } catch (const Exception&) {
            ++result.skipped;
            page.Close();
            run.Done(static_cast<int32_t>(i));
            continue;
        }
        const TKorDrawSym* title = page.SymbolAt(0);
        const std::string designation = title ? title->GetCode(field::kDesignation) : std::string();
        if (title && mpoint.FindByPrimary(designation)) {
            std::string name;
            if (!Contains(SplitCommaText(mpoint.GetFieldById(field::kDrawing)), file) && Register(mpoint, file, name)) {
                ++result.registered;
                if (originalList.size() > 1 && std::find(originalList.begin() + 1, originalList.end(), name) !=
                                                   originalList.end())
                    result.found.push_back(name);
            }
            std::string mark = "x";
            if (mpoint.GetFieldById(field::kKind).find('E') != std::string::npos) {
                mpoint.SetFieldById(field::kLocation, title->GetCode(field::kLocation));
                mark = "y";
            }
            const int32_t width = FieldWidthById(mpoint, field::kKind);
            for (int32_t code = 803; code <= 822; ++code) {
                const std::string other = TrimBlanks(title->GetCode(code));
                if (other.empty()) break;
                if (!mpoint.FindByPrimary(other)) continue;
                const std::string kind = mpoint.GetFieldById(field::kKind);
                if (kind.find(mark) != std::string::npos) continue;
                if (static_cast<int32_t>(kind.size()) >= width) {
                    ShowErrorMessage("Messtelle " + other + ": ME_Kennung \"" + kind +
                                     "\" hat keinen Platz für die Markierung " + mark + ".");
                    continue;
                }
                mpoint.SetFieldById(field::kKind, kind + mark);
                ++result.marked;
            }
        }
        page.Close();
        run.Done(static_cast<int32_t>(i));
    }
    run.End();
    return result;
}

int32_t SetEvaluationBits(TMsrProject& project) {
    TKorTable& mpoint = project.mpoint;
    TKorDirFile& dir = project.Catalogue();
    int32_t n = 0;
    if (!mpoint.IsOpen()) return n;
    for (bool ok = mpoint.First(); ok; ok = mpoint.Next())
        for (const TPagePair& pair : PagePairs(mpoint.GetFieldById(field::kDrawing))) {
            const int32_t entry = EntryOfFile(pair.file);
            if (entry <= 0 || dir.EntryType(entry) != dirref::kDrawing) continue;
            dir.SetEntryValid(entry, false);
            ++n;
        }
    return n;
}

}  // namespace korin::msr
