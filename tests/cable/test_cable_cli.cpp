// korintool cable on the demo project: wires created once, aligned with the
// demo's master cable database, and listed.
#include <gtest/gtest.h>

#include "test_support.h"

namespace korin::testing {
namespace {

TEST(CableCli, DemoProjectEndToEnd) {
    TempDir dir;
    const ToolResult demo = RunTool({"demo", dir.Path() + "d"});
    ASSERT_EQ(demo.exitCode, 0) << demo.err;
    const std::string project = dir.Path() + "d/Demo";
    const ToolResult first = RunTool({"cable", "create-wires", project});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_NE(first.out, "appended\t0\n");
    EXPECT_EQ(RunTool({"cable", "create-wires", project}).out, "appended\t0\n");
    EXPECT_EQ(RunTool({"cable", "wires", project, "A10-W001"}).out, "1\t\t0.75\t\n2\t\t0.75\t\n");
    const ToolResult align = RunTool({"cable", "align", project});
    ASSERT_EQ(align.exitCode, 0) << align.err;
    EXPECT_EQ(RunTool({"cable", "wires", project, "A10-W001"}).out, "1\tweiss\t0.75\tLitze\n2\tbraun\t0.75\tLitze\n");
    const ToolResult usage = RunTool({"cable", "wires", project});
    EXPECT_EQ(usage.exitCode, 2);
    const ToolResult none = RunTool({"cable", "list", dir.Path()});
    EXPECT_EQ(none.exitCode, 1);
}

}  // namespace
}  // namespace korin::testing
