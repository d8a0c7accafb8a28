// "Dir.dat" records, the system table of a folder and its schedule.
#include <gtest/gtest.h>

#include "project/kor_dir_dat.h"
#include "project/kor_dir_file.h"
#include "project/kor_sys_table.h"
#include "project_fixture.h"
#include "store/kor_error.h"
#include "store/kor_path.h"
#include "store/le.h"
#include "test_support.h"

namespace korin::testing {
namespace {

TEST(DirDat, RecordsAreBoundsCheckedAndTextsCut) {
    TempDir dir;
    TKorDirDat dat;
    dat.SetProject(dir.Path());
    dat.CreateNew(true);
    dat.Open();
    ASSERT_EQ(dat.RecordCount(), 1);
    dat.Grow(2);
    EXPECT_EQ(dat.FileSize(), 270);
    dat.SetTime(2, -5);
    dat.SetText(2, std::string(100, 'x'));
    EXPECT_EQ(std::make_pair(dat.GetTime(2), dat.GetText(2)), std::make_pair(-5, std::string(80, 'x')));
    // Outside the file: nothing read, nothing written.
    dat.SetText(3, "weg");
    dat.SetTime(-1, 7);
    EXPECT_EQ(std::make_pair(dat.GetTime(3), dat.GetText(3)), std::make_pair(0, std::string()));
    dat.Close();
    const auto bytes = ReadBytes(dir / "Dir.dat");
    ASSERT_EQ(bytes.size(), 270u);
    EXPECT_EQ(std::make_tuple(le::I32(bytes.data() + 180), bytes[184 + 80], bytes[184 + 81]), std::make_tuple(-5, 0, 0));
    // A text that fills the field without a NUL is read as its 86 bytes.
    auto full = bytes;
    std::fill(full.begin() + 94, full.begin() + 180, 'y');
    WriteBytes(dir / "Dir.dat", full);
    dat.Open();
    EXPECT_EQ(dat.GetText(1), std::string(86, 'y'));
}

class SysTableTest : public ProjectTest {
protected:
    void SetUp() override {
        ProjectTest::SetUp();
        std::string sched, sys;
        ASSERT_TRUE(cat.CreateScheduleEntries({"AUC_SYSTEM", "PRO_DOKU"}, sched, sys));
        table.SetProject(dir.Path());
        table.Schedule().SetFileName(sched);
        table.SetFileName(sys);
        table.Open();
    }
    std::vector<uint8_t> Bytes() { return ReadBytes(table.FullPath()); }
    int32_t ScheduleIndex(const char* head, const std::string& name) {
        TKorSchedule& s = table.Schedule();
        const int32_t entry = s.Locate({KeyPart('C', 0, head), KeyPart('C', 0, name)});
        return entry < 0 ? -1 : s.Nodes().GetIndex(entry);
    }
    TKorSysTable table;
};

TEST_F(SysTableTest, ANewFileIsTheHeaderAloneAndTheFirstTableGrowsItByOneSlot) {
    std::vector<uint8_t> fresh(1024, 0);
    std::memcpy(fresh.data() + 2, "SYSTABLE", 8);
    fresh[32] = 1;
    EXPECT_EQ(Bytes(), fresh);
    EXPECT_EQ(ReadBytes(table.Schedule().FullPath()).size(), 72u);
    const size_t datBefore = ReadBytes(dir / "Dir.dat").size();
    table.AddTable("MSR_REF", 12, 13);
    const auto bytes = Bytes();
    ASSERT_EQ(bytes.size(), 1536u);
    const uint8_t* at = bytes.data();
    EXPECT_EQ(std::make_tuple(le::I32(at + 128), le::I32(at + 132), le::I16(at + 1024), le::I32(at + 1026),
                              le::I32(at + 1030), std::string(reinterpret_cast<const char*>(at + 1034))),
              std::make_tuple(1, 1, 1, 12, 13, std::string("MSR_REF")));
    for (size_t i = 1034 + 8; i < bytes.size(); ++i) ASSERT_EQ(bytes[i], 0) << i;
    EXPECT_EQ(std::make_pair(ScheduleIndex("SYSTABLE", "MSR_REF"), ScheduleIndex("OPEN", "MSR_REF")), std::make_pair(0, 0));
    // The schedule is a catalogue file: its growth grows "Dir.dat" as well.
    EXPECT_EQ(ReadBytes(dir / "Dir.dat").size(), datBefore + 16 * 90);
}

TEST_F(SysTableTest, AFreedSlotIsReusedWhileTheFileGrowsByAnEmptyOne) {
    table.AddTable("A", 1, 2);
    table.RemoveTable("A");
    EXPECT_EQ(std::make_tuple(table.SlotState(0), table.AddedCount(), ScheduleIndex("SYSTABLE", "A"),
                              ScheduleIndex("OPEN", "A")),
              std::make_tuple(0, 1, -1, -1));
    table.AddTable("B", 3, 4);
    EXPECT_EQ(std::make_tuple(Bytes().size(), table.SlotName(0), table.SlotState(0), table.SlotState(1),
                              table.AddedCount(), table.Capacity(), ScheduleIndex("SYSTABLE", "B")),
              std::make_tuple(size_t{2048}, std::string("B"), 1, 0, 2, 2, 0));
    table.AddTable("C", 5, 6);
    EXPECT_EQ(std::make_tuple(Bytes().size(), table.SlotName(1), ScheduleIndex("SYSTABLE", "C")),
              std::make_tuple(size_t{2560}, std::string("C"), 1));
    // An unknown name removes nothing; a long one is stored short and found by its whole text.
    const std::string name(40, 'N');
    table.AddTable(name, 1, 2);
    EXPECT_EQ(table.SlotName(2), std::string(32, 'N'));
    const auto before = Bytes();
    table.RemoveTable("Z");
    EXPECT_EQ(Bytes(), before);
    table.RemoveTable(name);
    EXPECT_EQ(table.SlotState(2), 0);
}

TEST_F(SysTableTest, ACapacityBeyondTheFileEntersNothing) {
    table.Close();
    auto bytes = Bytes();
    le::PutI32(bytes.data() + 132, 5);  // room for five slots, says the header
    WriteBytes(table.FullPath(), bytes);
    table.Open();
    const auto schedBefore = ReadBytes(table.Schedule().FullPath());
    table.AddTable("A", 1, 2);
    EXPECT_EQ(Bytes(), bytes);
    EXPECT_EQ(ReadBytes(table.Schedule().FullPath()), schedBefore);
}

TEST_F(SysTableTest, MissingFilesAndASignatureAloneAreRefused) {
    TKorSysTable other;
    other.SetProject(dir.Path());
    other.Schedule().SetFileName(table.Schedule().FileName());
    other.SetFileName("000099");
    EXPECT_EQ(MessageOf<EKorSysTabError>([&] { other.Open(); }),
              "KorSysTable: Datei konnte nicht geöffnet werden. Datei : 000099");
    EXPECT_THROW(other.AddTable("A", 1, 2), EKorSysTabError);
    // A missing schedule closes the system table again.
    other.Schedule().SetFileName("000098");
    other.SetFileName(table.FileName());
    EXPECT_THROW(other.Open(), EKorKeyError);
    EXPECT_FALSE(other.IsOpen());
    // A file with the signature alone, or another signature, is refused.
    table.Close();
    auto bytes = Bytes();
    bytes.resize(1000);
    WriteBytes(table.FullPath(), bytes);
    EXPECT_NE(MessageOf<EKorMMFError>([&] { table.Open(); }).find("Inhalt stimmt nicht mit Dateityp überein"),
              std::string::npos);
    EXPECT_FALSE(table.IsOpen());
    bytes.resize(1024);
    bytes[5] = 'X';  // "SYSXABLE"
    WriteBytes(table.FullPath(), bytes);
    EXPECT_THROW(table.Open(), EKorMMFError);
}

}  // namespace
}  // namespace korin::testing
