// The mapped file container, through a small file type of its own: creation,
// opening with the content check, growth, the project directory rules, and that
// no failed step keeps a descriptor or a mapping.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "store/kor_error.h"
#include "store/kor_mmf.h"
#include "test_support.h"

namespace {

using korin::testing::MessageOf;
using korin::testing::ReadBytes;
using korin::testing::TempDir;
using korin::testing::WriteBytes;

const char kMagic[] = "KOR!";

// A file type whose new files start with "KOR!" and whose check asks for it.
class ProbeFile : public korin::TKorMMF {
public:
    int32_t initialSize = 16;
    int initCalls = 0;
    uint8_t* viewDuringInit = nullptr;

    using korin::TKorMMF::GrowFile;
    // Sets the directory without the "dir.ref" check of SetProject.
    void ForceProject(const std::string& dir) { project_ = dir; }

protected:
    int32_t InitialSize() override { return initialSize; }
    void InitContent() override {
        ++initCalls;
        viewDuringInit = View();
        if (initialSize > 0) std::memcpy(View(), kMagic, std::min<size_t>(4, static_cast<size_t>(initialSize)));
    }
    bool CheckContent() override { return FileSize() >= 4 && std::memcmp(View(), kMagic, 4) == 0; }
};

int OpenDescriptors() {
    int n = 0;
    if (DIR* d = ::opendir("/proc/self/fd")) {
        while (::readdir(d)) ++n;
        ::closedir(d);
    }
    return n;
}

bool IsMapped(const std::string& path) {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line))
        if (line.size() >= path.size() && line.compare(line.size() - path.size(), path.size(), path) == 0)
            return true;
    return false;
}

// Whether the file is open, has a view, how many descriptors are open, whether it is mapped.
auto State(korin::TKorMMF& f) { return std::make_tuple(f.IsOpen(), f.View() != nullptr, OpenDescriptors(), IsMapped(f.FullPath())); }

std::vector<uint8_t> Fresh(size_t size) {
    std::vector<uint8_t> v(size, 0);
    std::memcpy(v.data(), kMagic, std::min<size_t>(4, size));
    return v;
}

class MappedFile : public ::testing::Test {
protected:
    void SetUp() override {
        WriteBytes(dir / "dir.ref", {});
        file.SetProject(dir.Path());
        ASSERT_TRUE(file.ProjectValid());
        file.SetFileName("000007");
    }
    TempDir dir;
    ProbeFile file;
};

// ---- opening -----------------------------------------------------------------

TEST_F(MappedFile, OpenRefusesForeignContentAndReleasesEverything) {
    const int fds = OpenDescriptors();
    EXPECT_NO_THROW(file.Open());  // a missing file: quietly closed, not created
    EXPECT_FALSE(file.IsOpen());
    EXPECT_FALSE(std::filesystem::exists(dir / "000007"));

    for (const std::vector<uint8_t>& bad : {std::vector<uint8_t>{'N', 'O', 'P', 'E', 0, 0}, std::vector<uint8_t>{'K', 'O'}}) {
        WriteBytes(dir / "000007", bad);
        EXPECT_EQ(MessageOf<korin::EKorMMFError>([&] { file.Open(); }),
                  "KorMMF: Konnte Datei nicht öffnen.\rInhalt stimmt nicht mit Dateityp überein. Datei : 000007");
        EXPECT_EQ(State(file), std::make_tuple(false, false, fds, false));
    }
}

TEST_F(MappedFile, OpenMapsTheWholeFileSharedAndCloseReleasesIt) {
    std::vector<uint8_t> content = Fresh(300);
    content[299] = 0x5A;
    WriteBytes(dir / "000007", content);
    const int fds = OpenDescriptors();
    file.Open();
    ASSERT_TRUE(file.IsOpen());
    EXPECT_EQ(std::make_pair(file.FileSize(), file.View()[299]), std::make_pair(300, uint8_t{0x5A}));

    // Stores through the view reach the file.
    file.View()[10] = 0xA7;
    EXPECT_EQ(ReadBytes(dir / "000007")[10], 0xA7);

    // Opening again does not pile up handles.
    const int opened = OpenDescriptors();
    for (int i = 0; i < 3; ++i) file.Open();
    EXPECT_EQ(OpenDescriptors(), opened);
    file.Close();
    EXPECT_EQ(State(file), std::make_tuple(false, false, fds, false));

    // Opening after the file went away stays closed; destruction releases.
    {
        ProbeFile scoped;
        scoped.SetProject(dir.Path()), scoped.SetFileName("000007");
        scoped.Open();
        ASSERT_TRUE(scoped.IsOpen());
        std::filesystem::rename(dir / "000007", dir / "moved");
        scoped.Open();
        EXPECT_FALSE(scoped.IsOpen());
        EXPECT_EQ(OpenDescriptors(), fds);
    }
    EXPECT_FALSE(IsMapped(dir / "moved"));
}

TEST(MappedFileErrors, RefusedAccessNamesTheFullPath) {
    // The store cannot be refused access to its own scratch files when it runs
    // with full rights; then a file that even such a process may not write
    // stands in.
    std::string dir, name;
    TempDir scratch;
    if (::geteuid() != 0) {
        dir = scratch.Path();
        name = "locked";
        WriteBytes(dir + name, Fresh(64));
        ::chmod((dir + name).c_str(), 0444);
    } else {
        dir = "/sys/devices/system/cpu/";
        name = "online";
        const int fd = ::open((dir + name).c_str(), O_RDWR);
        const int error = errno;
        if (fd >= 0) ::close(fd);
        if (fd >= 0 || error != EACCES) GTEST_SKIP() << "no file refuses writing here";
    }
    ProbeFile file;
    file.ForceProject(dir), file.SetFileName(name);
    const int fds = OpenDescriptors();
    // The refusal of the system belongs to the general class, not to EKorMMFError.
    EXPECT_EQ(MessageOf([&] {
                  try {
                      file.Open();
                  } catch (const korin::EKorMMFError& e) {
                      ADD_FAILURE() << e.what();
                  }
              }),
              "KorMMF: Die Datei " + dir + name + " ist schreibgeschützt!");
    EXPECT_EQ(State(file), std::make_tuple(false, false, fds, false));
}

// ---- creating ----------------------------------------------------------------

TEST_F(MappedFile, CreateNewWritesTheInitialContentAndLeavesTheObjectAsItWas) {
    file.initialSize = 200;
    file.CreateNew(false);
    EXPECT_EQ(ReadBytes(dir / "000007"), Fresh(200));
    EXPECT_FALSE(file.IsOpen());

    // An existing file stays unless overwriting is asked for, also when it is
    // longer than the new one.
    file.initialSize = 8;
    file.CreateNew(false);
    EXPECT_EQ(ReadBytes(dir / "000007"), Fresh(200));
    EXPECT_EQ(file.initCalls, 1);
    file.CreateNew(true);
    EXPECT_EQ(ReadBytes(dir / "000007"), Fresh(8));
    file.initialSize = 0;  // a one-byte file
    file.CreateNew(true);
    EXPECT_EQ(ReadBytes(dir / "000007"), std::vector<uint8_t>{0});

    // Beside an open file: that one stays open and untouched.
    WriteBytes(dir / "000007", Fresh(64));
    file.Open();
    uint8_t* const view = file.View();
    file.SetFileName("000008");
    file.initialSize = 100;
    file.CreateNew(true);
    EXPECT_EQ(ReadBytes(dir / "000008"), Fresh(100));
    EXPECT_NE(file.viewDuringInit, view) << "the initial content went into the open file";
    EXPECT_EQ(std::make_pair(file.View(), file.FileSize()), std::make_pair(view, 64));
    EXPECT_EQ(ReadBytes(dir / "000007"), Fresh(64));
}

TEST_F(MappedFile, CreateNewThatCannotMakeTheFileSaysSo) {
    ProbeFile unnamed;
    EXPECT_EQ(MessageOf<korin::EKorMMFError>([&] { unnamed.CreateNew(true); }),
              "KorMMF: Kein Dateiname angegeben! Datei kann nicht erstellt werden.");
    // A name in a folder that does not exist: the creation fails, naming the file.
    file.SetFileName("missing/000009");
    const int fds = OpenDescriptors();
    const std::string refused = MessageOf<korin::EKorMMFError>([&] { file.CreateNew(true); });
    EXPECT_TRUE(refused.rfind("KorMMF: ", 0) == 0 && refused.find("missing/000009") != std::string::npos) << refused;
    EXPECT_EQ(OpenDescriptors(), fds);
}

// ---- growing -----------------------------------------------------------------

TEST_F(MappedFile, GrowingAnOpenFileKeepsItsContent) {
    file.initialSize = 72;
    file.CreateNew(true);
    file.Open();
    file.View()[71] = 0xEE;
    file.GrowFile(72 + 64 * 40);
    ASSERT_TRUE(file.IsOpen() && file.FileSize() == 72 + 64 * 40);
    file.View()[72 + 64 * 40 - 1] = 0x42;
    auto expected = Fresh(72 + 64 * 40);
    expected[71] = 0xEE;
    expected.back() = 0x42;
    EXPECT_EQ(ReadBytes(dir / "000007"), expected);
}

// A large file grows into room ahead of its length; a second object of the
// process takes the shared length, not the room, and grows on from it; a flush
// and the last close leave exactly the length, with every byte written.
TEST_F(MappedFile, LargeFileGrowsIntoRoomThatFlushAndCloseCut) {
    const auto large = static_cast<int32_t>(korin::kRoomFrom);
    const auto onDisk = [&] { return static_cast<int64_t>(std::filesystem::file_size(dir / "000007")); };
    file.initialSize = large;
    file.CreateNew(true);
    file.Open();
    file.GrowFile(large + 100);
    EXPECT_GT(onDisk(), large + 100);
    file.View()[large + 99] = 0x42;
    ProbeFile other;
    other.ForceProject(dir.Path()), other.SetFileName("000007");
    other.Open();
    EXPECT_EQ(other.FileSize(), large + 100);
    other.GrowFile(large + 200);
    other.View()[large + 199] = 0x43;
    file.Flush();
    EXPECT_EQ(onDisk(), large + 200);
    file.GrowFile(large + 300);
    other.Close();
    EXPECT_EQ(onDisk(), large + 300);
    file.Close();
    auto expected = Fresh(static_cast<size_t>(large) + 300);
    expected[large + 99] = 0x42;
    expected[large + 199] = 0x43;
    EXPECT_EQ(ReadBytes(dir / "000007"), expected);
}

// The room a growth makes is faulted in on a second thread: its pages come
// into the page cache without a write of the store's, and stay zero.
TEST_F(MappedFile, RoomOfAGrowthIsFaultedInWithoutAWrite) {
    const auto large = static_cast<int32_t>(korin::kRoomFrom);
    file.initialSize = large;
    file.CreateNew(true);
    file.Open();
    file.GrowFile(large + 100);
    const auto onDisk = static_cast<int64_t>(std::filesystem::file_size(dir / "000007"));
    const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    const size_t from = (static_cast<size_t>(large) + 100 + page - 1) / page * page;
    std::vector<unsigned char> resident((static_cast<size_t>(onDisk) - from) / page);
    ASSERT_GT(resident.size(), 0u);
    const auto allResident = [&] {
        if (::mincore(file.View() + from, resident.size() * page, resident.data()) != 0) return false;
        return std::all_of(resident.begin(), resident.end(), [](unsigned char r) { return (r & 1) != 0; });
    };
    for (int wait = 0; wait < 500 && !allResident(); ++wait) ::usleep(10'000);
    EXPECT_TRUE(allResident());
    EXPECT_TRUE(std::all_of(file.View() + from, file.View() + onDisk, [](uint8_t b) { return b == 0; }));
    file.Close();
    EXPECT_EQ(ReadBytes(dir / "000007"), Fresh(static_cast<size_t>(large) + 100));
}

// ---- the project directory -----------------------------------------------------

TEST(ProjectDirectory, IsTakenOnlyWhereACatalogueLies) {
    TempDir a, b, c;
    WriteBytes(a / "dir.ref", {});
    WriteBytes(c / "Dir.ref", {});  // written on Windows: the case may differ
    ProbeFile file;
    EXPECT_FALSE(file.ProjectValid());
    const std::string aNoSlash = a.Path().substr(0, a.Path().size() - 1);
    // Each step: the value given, then validity and project afterwards. A
    // folder without "dir.ref" keeps the old value; an empty one changes nothing.
    const std::vector<std::tuple<std::string, bool, std::string>> steps = {
        {aNoSlash, true, a.Path()},  {b.Path(), false, a.Path()}, {"", false, a.Path()},
        {c.Path(), true, c.Path()},  {"", true, c.Path()},        {a.Path() + "no-such-folder", false, c.Path()},
    };
    for (const auto& [given, valid, project] : steps) {
        file.SetProject(given);
        EXPECT_EQ(file.ProjectValid(), valid) << "'" << given << "'";
        EXPECT_EQ(file.Project(), project) << "'" << given << "'";
    }
    file.SetFileName("000123");
    EXPECT_EQ(file.FullPath(), c.Path() + "000123");
}

}  // namespace
