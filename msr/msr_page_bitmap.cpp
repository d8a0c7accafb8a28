#include "msr/msr_page_bitmap.h"

#include <charconv>
#include <vector>

#include "drawing/kor_drawing.h"
#include "msr/msr_comma_text.h"
#include "msr/msr_project.h"
#include "store/kor_path.h"

namespace korin::msr {
namespace {

constexpr int32_t kPageCode = 62;

}  // namespace

std::string PageBitmapFile(TMsrProject& project, const std::string& pageFile) {
    if (!project.mpoint.IsOpen()) return {};
    std::string designation, pageNo;
    TKorDrawing page;
    try {
        page.SetProject(project.Dir());
        page.SetFileName(pageFile);
        page.Open();
    } catch (const std::exception&) {
        return {};
    }
    if (const TKorDrawSym* title = page.SymbolAt(0)) {
        designation = title->GetCode(field::kDesignation);
        pageNo = TrimBlanks(title->GetCode(kPageCode));
    }
    page.Close();
    if (designation.empty() || !project.mpoint.FindByPrimary(designation)) return {};
    int number = 0;
    const auto [end, error] = std::from_chars(pageNo.data(), pageNo.data() + pageNo.size(), number);
    if (pageNo.empty() || error != std::errc() || end != pageNo.data() + pageNo.size()) return {};
    const std::vector<std::string> folders = SplitCommaText(project.mpoint.GetFieldById(field::kOrigPath));
    const std::vector<std::string> names = SplitCommaText(project.mpoint.GetFieldById(field::kOriginal));
    if (folders.empty() || TrimBlanks(folders[0]).empty() || number < 1 || number > static_cast<int>(names.size()))
        return {};
    return path::AsDirectory(TrimBlanks(folders[0])) + "bitmap/" + names[static_cast<size_t>(number) - 1] + ".bmp";
}

}  // namespace korin::msr
