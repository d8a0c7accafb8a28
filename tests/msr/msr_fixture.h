// A small demo project (written once per test binary by korintool, copied for
// each test) and the check that every page is registered everywhere or nowhere.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "drawing/kor_drawing.h"
#include "msr/msr_project.h"
#include "msr/msr_remove.h"
#include "test_support.h"

namespace korin::testing {

class MsrProjectTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        master_ = new TempDir;
        const ToolResult r = RunTool({"demo", master_->Path(), "--measure-points", "8", "--seed", "5", "--no-pages"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }
    static void TearDownTestSuite() {
        delete master_;
        master_ = nullptr;
    }
    void SetUp() override {
        std::filesystem::copy(master_->Path(), dir_.Path(), std::filesystem::copy_options::recursive);
    }
    std::string Project() const { return dir_.Path() + "Demo/"; }
    std::string Originals() const { return dir_.Path() + "Originale/"; }

    // Catalogue pages, ZEICHNUNGEN records and DRAWING pairs name the same
    // files, each once; every one exists and verifies; the catalogue check
    // reports no fault. Returns the page files.
    static std::set<std::string> ExpectConsistent(msr::TMsrProject& p) {
        std::vector<std::string> listed;
        if (p.Catalogue().SetStart({})) p.Catalogue().ListDrawingFiles(listed);
        std::set<std::string> catalogue(listed.begin(), listed.end()), records, drawing;
        EXPECT_EQ(catalogue.size(), listed.size());
        for (bool ok = p.drawing.First(); ok; ok = p.drawing.Next())
            EXPECT_TRUE(records.insert(p.drawing.GetField(5)).second) << p.drawing.GetField(5);
        for (bool ok = p.mpoint.First(); ok; ok = p.mpoint.Next())
            for (const msr::TPagePair& pair : msr::PagePairs(p.mpoint.GetFieldById(msr::field::kDrawing)))
                EXPECT_TRUE(drawing.insert(pair.file).second) << pair.file;
        EXPECT_EQ(catalogue, records);
        EXPECT_EQ(catalogue, drawing);
        for (const std::string& f : catalogue) {
            TKorDrawing d;
            d.SetProject(p.Dir());
            d.SetFileName(f);
            uint32_t stored = 0, computed = 0;
            EXPECT_TRUE(d.CheckCrc(stored, computed)) << f;
        }
        std::vector<std::string> report;
        p.Catalogue().CheckReport(report);
        bool fault = false, inFaults = false;
        for (const std::string& line : report) {
            if (line.rfind("Nicht", 0) == 0) {
                inFaults = true;
                continue;
            }
            if (inFaults || line.find("Ring") != std::string::npos) fault = true;
        }
        EXPECT_FALSE(fault) << ::testing::PrintToString(report);
        return catalogue;
    }

    TempDir dir_;
    static TempDir* master_;
};

inline TempDir* MsrProjectTest::master_ = nullptr;

}  // namespace korin::testing
