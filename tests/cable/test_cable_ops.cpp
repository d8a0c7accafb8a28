// The cable module's operations: creating the missing wires of every cable,
// the choice of the wire key, and the alignment with a master cable database
// found through "project.ini".
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

#include "cable/kor_cable_ops.h"
#include "cable_project.h"
#include "test_support.h"

namespace korin::testing {
namespace {

std::vector<std::string> Numbers(TKorCableOps& ops, const std::string& cable) {
    std::vector<std::string> out;
    for (const TKorWireRow& row : ops.Wires(cable)) out.push_back(row.wire);
    std::sort(out.begin(), out.end());
    return out;
}

class CableOps : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(Project()); }
    std::string Project() const { return dir.Path() + "Projekt/"; }
    void Open() {
        ops.Close();
        cat.Close();
        cat.SetProject(Project());
        cat.Open();
        ops.Open(cat);
    }
    void WriteIni(const std::string& cableDataBase) {
        WriteText(Project() + "project.ini", "[RVK]\r\nLevelCount=4\r\n\r\n[CableDataBase]\r\n" + cableDataBase);
    }
    // A master database "<dir>/Stamm/Kabel.pro" with the types T2 and T3.
    void MakeMaster() {
        const std::string master = dir.Path() + "Stamm/Kabel.pro/";
        std::filesystem::create_directories(master);
        MakeTable(master, "KABEL", {{"Kabeltyp#80", 32}, {"Aderzahl#605", 4}}, 1, {}, {{"T2", "2"}, {"T3", "3"}});
        MakeTable(master, "ADERN",
                  {{"Kabeltyp#80", 32}, {"Ader#362", 10}, {"Aderbez#39", 20}, {"Farbe#605", 20},
                   {"Quer#606", 10}, {"Adertyp#607", 20}, {"Fremd#999", 10}},
                  0, {{"IDENT", {"Kabeltyp", "Ader"}}},
                  {{"T2", "1", "", "weiss", "0.75", "Litze", "x"},
                   {"T2", "1", "", "rot", "9", "falsch", "x"},  // a second "1": the first one counts
                   {"T2", "2", "ws", "braun", "0.75", "Litze", "x"},
                   {"T3", "1", "", "blau", "1.5", "starr", "x"}});
    }
    TempDir dir;
    RecordingSink sink;
    TKorDirFile cat;
    TKorCableOps ops;
};

TEST_F(CableOps, CreatingWiresFillsTheGapsOfEveryCableOnce) {
    MakeCables(Project(), {{"K1", "T2", "A10", "f", "A10.TI1", "4"},
                           {"K2", "T2", "A10", "f", "", "2"},
                           {"K3", "T2", "A10", "f", "", ""},
                           {"K4", "T2", "A10", "f", "", " 3 "},
                           {"K5", "T2", "A10", "f", "", "3"}});
    MakeWires(Project(), {Wire("K1", "1"), Wire("K1", "3"), Wire("K2", "1"), Wire("K2", "2"), Wire("K2", "3"),
                          Wire("K5", "PE")});
    Open();
    EXPECT_EQ(ops.CreateWires(), 2 + 3 + 3);
    using W = std::vector<std::string>;
    EXPECT_EQ((std::vector<W>{Numbers(ops, "K1"), Numbers(ops, "K2"), Numbers(ops, "K3"), Numbers(ops, "K4"), Numbers(ops, "K5")}),
              (std::vector<W>{{"1", "2", "3", "4"}, {"1", "2", "3"}, {}, {"1", "2", "3"}, {"1", "2", "3", "PE"}}));
    EXPECT_EQ(ops.CreateWires(), 0);
    // A new wire carries the cable's fields at their places.
    TIntegerList slots;
    ASSERT_TRUE(ops.WireTable().FindBySecondary("Kabel_Ader", {"K1", "4"}, slots));
    ops.WireTable().GoToSlot(slots.Items(0));
    const std::vector<std::string> expected{"K1", "A10.TI1", "T2", "A10", "4", "", "", "", "4", "", "", "0"};
    for (int32_t i = 0; i < ops.WireTable().FieldCount(); ++i)
        EXPECT_EQ(ops.WireTable().GetField(i), expected[static_cast<size_t>(i)]) << "field " << i;
}

TEST_F(CableOps, AWireCountThatIsNoNumberStopsAtItsCable) {
    MakeCables(Project(), {{"A1", "", "", "", "", "2"}, {"B1", "", "", "", "", "2x"}, {"C1", "", "", "", "", "2"}});
    MakeWires(Project(), {});
    Open();
    EXPECT_EQ(MessageOf([&] { ops.CreateWires(); }),
              "FormCable: Die Aderzahl '2x' des Kabels B1 ist keine ganze Zahl.");
    EXPECT_EQ((std::vector<size_t>{ops.Wires("A1").size(), ops.Wires("B1").size(), ops.Wires("C1").size()}),
              (std::vector<size_t>{2, 0, 0}));
}

TEST_F(CableOps, TheLastOfTheTwoWireKeysIsUsed) {
    // "KABEL_ADER" over the cable, "Kabel_Ader" over the plant: whether K1's wire
    // is listed shows which one was chosen.
    using Keys = std::vector<std::pair<std::string, std::vector<std::string>>>;
    const Keys::value_type byCable{"KABEL_ADER", {"Kabel", "Ader"}}, byPlant{"Kabel_Ader", {"Anlage"}};
    const std::vector<std::tuple<Keys, std::string, size_t>> cases{
        {{byCable, byPlant}, "Kabel_Ader", 0}, {{byPlant, byCable}, "KABEL_ADER", 1}, {{{"Kabel_ader", {"Kabel"}}}, "", 0}};
    for (const auto& [keys, chosen, wires] : cases) {
        ops.Close();
        cat.Close();
        std::filesystem::remove_all(Project());
        std::filesystem::create_directories(Project());
        MakeCables(Project(), {{"K1", "", "", "", "", "1"}});
        MakeWires(Project(), {Wire("K1", "1")}, keys);
        Open();
        EXPECT_EQ(ops.WireKeyName(), chosen);
        EXPECT_EQ(ops.Wires("K1").size(), wires) << chosen;
    }
}

TEST(CablePaths, MasterDirectoryAndWhereItLies) {
    EXPECT_EQ(MasterProjectDirectory("D:/Stamm", "Kabel"), "D:\\Stamm\\Kabel.pro\\");
    EXPECT_EQ(MasterProjectDirectory("D:\\Stamm", "Kabel.pro"), "D:\\Stamm\\Kabel.pro\\");
    EXPECT_EQ(MasterProjectDirectory("D:\\x.pro\\Stamm", "Kabel"), "D:\\x.pro\\Stamm\\Kabel\\");
    for (const auto& [stored, resolved] : std::vector<std::pair<std::string, std::string>>{
             {"..\\Stamm\\K.pro\\", "/p/Projekt/../Stamm/K.pro/"}, {"/q/K.pro\\", "/q/K.pro/"},
             {"\\\\server\\K.pro\\", "//server/K.pro/"}, {"d:\\K.pro\\", "d:/K.pro/"}})
        EXPECT_EQ(ResolveStoredDirectory("/p/Projekt/", stored), resolved) << stored;
}

TEST_F(CableOps, AlignmentTakesTheMasterWiresByDesignation) {
    MakeMaster();
    MakeCables(Project(), {{"K1", "T2", "", "", "", "2"}, {"K9", "T9", "", "", "", "1"}});
    MakeWires(Project(), {Wire("K1", "1"), Wire("K1", "7", "2"), Wire("K9", "1")});
    // Relative to the project folder, Windows separators.
    WriteIni("ProjectPath=..\\Stamm\r\nProjectName=Kabel\r\nName1=AUC_SYSTEM\r\nName2=\r\n");
    Open();
    EXPECT_EQ(ops.Align(), 2);
    TKorTable& w = ops.WireTable();
    const auto row = [&](int32_t slot) {
        w.GoToSlot(slot);
        return std::vector<std::string>{w.GetFieldById(362), w.GetFieldById(39), w.GetFieldById(605),
                                        w.GetFieldById(606), w.GetFieldById(607)};
    };
    // Code 39 empty: matched by code 362, and master 39 empty gives master 362.
    // Code 39 "2" is the designation, and master 39 "ws" goes to 362.
    EXPECT_EQ((std::vector<std::vector<std::string>>{row(0), row(1), row(2)}),
              (std::vector<std::vector<std::string>>{
                  {"1", "1", "weiss", "0.75", "Litze"}, {"ws", "2", "braun", "0.75", "Litze"}, {"1", "", "", "", ""}}));
    EXPECT_FALSE(ops.WireTable().KeyFile().Verify().size());
}

TEST_F(CableOps, AlignmentRefusals) {
    MakeMaster();
    MakeCables(Project(), {{"K1", "T2", "", "", "", "2"}});
    MakeWires(Project(), {Wire("K1", "1")});
    Open();
    const std::string stamm = dir.Path() + "Stamm/";
    const std::vector<std::pair<std::string, std::string>> cases{
        {"ProjectName=Kabel\r\n", "FormCable: Die Stammkabeldatenbank muß im Projekt eingetragen sein!"},
        {"ProjectPath=D:\\Stamm\r\nProjectName=Kabel\r\nName1=AUC_SYSTEM\r\n",
         "FormCable: Die Stammkabeldatenbank wurde nicht gefunden. Gesucht im Ordner: D:/Stamm/Kabel.pro/"},
        {"ProjectPath=" + stamm + "\r\nProjectName=Kabel\r\n",
         "FormCable: In der Datei project.ini sind keine Ebenen der Stammkabeldatenbank eingetragen (Name1 bis "
         "Name3)."},
        {"ProjectPath=" + stamm + "\r\nProjectName=Kabel\r\nName1=ANDERS\r\n",
         "FormCable: Die Tabelle ANDERS\\KABEL der Stammkabeldatenbank " + stamm + "Kabel.pro/ ist nicht vorhanden."},
    };
    for (const auto& [ini, message] : cases) {
        WriteIni(ini);
        EXPECT_EQ(MessageOf([&] { ops.Align(); }), message);
    }
    std::filesystem::remove(Project() + "project.ini");
    std::filesystem::create_directory(Project() + "project.ini");
    EXPECT_EQ(MessageOf([&] { ops.Align(); }),
              "FormCable: Die Datei " + Project() + "project.ini konnte nicht geöffnet werden.");
    ops.WireTable().GoToSlot(0);
    EXPECT_EQ(ops.WireTable().GetFieldById(39), "");
}

}  // namespace
}  // namespace korin::testing
