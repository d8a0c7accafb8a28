// Renaming refusals, the pages the assignment window walks and the bitmap of a
// page's original.
#include <gtest/gtest.h>

#include <algorithm>

#include "msr/msr_assign.h"
#include "msr/msr_assign_nav.h"
#include "msr/msr_comma_text.h"
#include "msr/msr_generate.h"
#include "msr/msr_page_bitmap.h"
#include "msr/msr_rename.h"
#include "msr_fixture.h"
#include "store/kor_path.h"

namespace korin::testing {
namespace {

using namespace korin::msr;

using MsrRenameNav = MsrProjectTest;

TEST_F(MsrRenameNav, RenameRefusesAnotherMeasurePointsDesignation) {
    TMsrProject p(Project());
    const std::vector<std::string> names = p.Designations();
    ASSERT_GE(names.size(), 2u);
    ASSERT_TRUE(p.mpoint.FindByPrimary(names[1]));
    const std::string plant = p.mpoint.GetFieldById(field::kPlant), point = p.mpoint.GetFieldById(field::kSecondTitle);
    ASSERT_EQ(RenamedDesignation(plant, point), names[1]);
    struct Case {
        std::string old, plant, point, refusal;
    };
    for (const Case& c : std::vector<Case>{
             {names[0], plant, point,
              "Die Messtelle " + names[1] +
                  " gibt es bereits. Zwei Messtellen dürfen nicht dieselbe Bezeichnung haben."},
             {names[1], plant, point, ""},
             {names[0], plant, point + "X", ""},
             {names[0], "KEINE", point, "Die Anlage KEINE gibt es nicht."},
             {names[0], plant, " ", "Die Messtellenbezeichnung darf nicht leer sein."},
             {"FEHLT", plant, point, "Die Messtelle FEHLT gibt es nicht."}})
        EXPECT_EQ(CheckRename(p, c.old, c.plant, c.point), c.refusal) << c.old << " " << c.point;
}

TEST_F(MsrRenameNav, PagesOfTheKindLeadToTheirTreePathsAndBitmaps) {
    TMsrProject p(Project());
    AutoAssign(p.mpoint, OriginalRows(BuildOriginalLists(Originals(), {"TYPICALS"})), TCriterion::Processing,
               p.Designations());
    TPageGenerator(p, ReadLevels(p.Dir()), {}).Generate(p.Designations());
    const TKindPages pages = IndexKindPages(p, 'M');
    ASSERT_FALSE(pages.points.empty());
    for (size_t i = 0; i < pages.points.size(); ++i) {
        const std::string& file = pages.files[i].back();
        EXPECT_EQ(pages.byFile.at(file).first, static_cast<int32_t>(i));
        const TPageHead head = ReadPageHead(p, file);
        ASSERT_TRUE(head.valid) << file;
        EXPECT_NE(head.levelPath.find(pages.points[i]), std::string::npos) << head.levelPath;
        EXPECT_EQ(head.levelPath.substr(head.levelPath.rfind(',') + 1),
                  std::to_string(pages.files[i].size()));
    }
    EXPECT_FALSE(ReadPageHead(p, "999999").valid);

    // The bitmap follows the stored original path, also written the Windows way.
    ASSERT_TRUE(p.mpoint.FindByPrimary(pages.points[0]));
    const std::vector<std::string> path = SplitCommaText(p.mpoint.GetFieldById(field::kOrigPath));
    const std::string expected = Originals() + "bitmap/" + SplitCommaText(p.mpoint.GetFieldById(field::kOriginal))[0] + ".bmp";
    ASSERT_TRUE(path::FileExists(expected)) << expected;
    std::string windows = Originals().substr(0, Originals().size() - 1);
    std::replace(windows.begin(), windows.end(), '/', '\\');
    for (const auto& [stored, bitmap] : std::vector<std::pair<std::string, std::string>>{
             {JoinCommaText(path), expected}, {windows + "," + path[1], expected}, {"", ""}}) {
        p.mpoint.SetFieldById(field::kOrigPath, stored);
        EXPECT_EQ(PageBitmapFile(p, pages.files[0][0]), bitmap) << stored;
    }
    EXPECT_EQ(PageBitmapFile(p, "999999"), "");
}

}  // namespace
}  // namespace korin::testing
