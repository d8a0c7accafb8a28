// Shared set-up of the catalogue tests: a fresh project folder with an open
// catalogue, and a message sink that records what the user would have seen.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "project/kor_dir_file.h"
#include "store/kor_ui.h"
#include "test_support.h"

namespace korin::testing {

class ProjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        cat.SetProject(dir.Path());
        cat.CreateCatalogue();
        cat.Open();
    }
    void Reopen() {
        cat.Close();
        cat.Open();
    }
    std::vector<std::string> Report() {
        std::vector<std::string> lines;
        cat.CheckReport(lines);
        return lines;
    }
    // The lines between a heading of the report and the next heading.
    static std::vector<std::string> Section(const std::vector<std::string>& report,
                                            const std::string& heading) {
        std::vector<std::string> out;
        bool in = false;
        for (const std::string& line : report) {
            if (line == heading) {
                in = true;
                continue;
            }
            if (in && (line.back() == ':' || line.rfind("Achtung", 0) == 0 ||
                       line.rfind("Das hat", 0) == 0 || line.rfind("Die Datei muß", 0) == 0))
                break;
            if (in) out.push_back(line);
        }
        return out;
    }

    TempDir dir;
    RecordingSink sink;
    TKorDirFile cat;
};

inline const std::string kFree = "Freie Einträge:";
inline const std::string kUnlinked =
    "Nicht verlinkte freie Einträge und belegte Einträge, die als frei markiert sind:";
inline const std::string kForeign = "Nicht zum Projekt gehörende Dateien:";
inline const std::vector<std::string> kRingLines = {
    "Achtung: In Dir.Ref existiert ein Ringverweis der freiene Einträge!",
    "Das hat verheerende Wirkung, wenn neue Einträge angelegt werden.",
    "Die Datei muß repariert werden, bevor mit dem Projekt weitergearbeitet werden kann."};

}  // namespace korin::testing
