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
    EXPECT_NE(RunTool({"cable", "create-wires", project}).out, "appended\t0\n");
    EXPECT_EQ(RunTool({"cable", "create-wires", project}).out, "appended\t0\n");
    EXPECT_EQ(RunTool({"cable", "wires", project, "A10-W001"}).out, "1\t\t0.75\t\n2\t\t0.75\t\n");
    EXPECT_EQ(RunTool({"cable", "align", project}).exitCode, 0);
    EXPECT_EQ(RunTool({"cable", "wires", project, "A10-W001"}).out, "1\tweiss\t0.75\tLitze\n2\tbraun\t0.75\tLitze\n");
    EXPECT_EQ(RunTool({"cable", "wires", project}).exitCode, 2);
    EXPECT_EQ(RunTool({"cable", "list", dir.Path()}).exitCode, 1);
}

}  // namespace
}  // namespace korin::testing
