// The mapped file container, through a small file type of its own: creation,
// opening with the content check, growth, the project directory rules, and that
// no failed step keeps a descriptor or a mapping.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "store/kor_error.h"
#include "store/kor_mmf.h"
#include "test_support.h"

namespace {

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

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<uint8_t> v;
    for (int x : values) v.push_back(static_cast<uint8_t>(x));
    return v;
}

std::vector<uint8_t> Fresh(size_t size) {
    std::vector<uint8_t> v(size, 0);
    std::memcpy(v.data(), kMagic, std::min<size_t>(4, size));
    return v;
}

template <typename E, typename F>
std::string MessageOf(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e.what();
    }
    return "(nothing raised)";
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

TEST_F(MappedFile, OpenOfAMissingFileStaysQuietlyClosed) {
    const int fds = OpenDescriptors();
    EXPECT_NO_THROW(file.Open());
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.View(), nullptr);
    EXPECT_FALSE(std::filesystem::exists(dir / "000007")) << "opening must not create the file";
    EXPECT_EQ(OpenDescriptors(), fds);
}

TEST_F(MappedFile, OpenChecksTheContentAndReleasesEverythingOnRefusal) {
    WriteBytes(dir / "000007", Bytes({'N', 'O', 'P', 'E', 0, 0}));
    const int fds = OpenDescriptors();
    try {
        file.Open();
        FAIL() << "content of another type was accepted";
    } catch (const korin::EKorMMFError& e) {
        EXPECT_STREQ(e.what(),
                     "KorMMF: Konnte Datei nicht öffnen.\rInhalt stimmt nicht mit Dateityp überein. Datei : 000007");
    }
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.View(), nullptr);
    EXPECT_EQ(OpenDescriptors(), fds);
    EXPECT_FALSE(IsMapped(file.FullPath()));

    // A file too short for the check is refused the same way.
    WriteBytes(dir / "000007", Bytes({'K', 'O'}));
    EXPECT_THROW(file.Open(), korin::EKorMMFError);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(OpenDescriptors(), fds);
}

TEST_F(MappedFile, OpenMapsTheWholeFileSharedAndCloseReleasesIt) {
    std::vector<uint8_t> content = Fresh(300);
    content[299] = 0x5A;
    WriteBytes(dir / "000007", content);
    const int fds = OpenDescriptors();
    file.Open();
    ASSERT_TRUE(file.IsOpen());
    EXPECT_EQ(file.FileSize(), 300);
    ASSERT_NE(file.View(), nullptr);
    EXPECT_EQ(file.View()[299], 0x5A);
    EXPECT_TRUE(IsMapped(file.FullPath()));

    // Stores through the view reach the file.
    file.View()[10] = 0xA7;
    EXPECT_EQ(ReadBytes(dir / "000007")[10], 0xA7);

    // A second object on the same file sees the first one's stores.
    ProbeFile other;
    other.SetProject(dir.Path());
    other.SetFileName("000007");
    other.Open();
    ASSERT_TRUE(other.IsOpen());
    file.View()[11] = 0x3C;
    EXPECT_EQ(other.View()[11], 0x3C);
    other.Close();

    file.Close();
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.View(), nullptr);
    EXPECT_NO_THROW(file.Close());  // closing a closed file is harmless
    EXPECT_EQ(OpenDescriptors(), fds);
    EXPECT_FALSE(IsMapped(file.FullPath()));
    EXPECT_EQ(ReadBytes(dir / "000007")[10], 0xA7);
}

TEST_F(MappedFile, ReopeningDoesNotPileUpHandles) {
    WriteBytes(dir / "000007", Fresh(64));
    const int closed = OpenDescriptors();
    file.Open();
    const int fds = OpenDescriptors();
    for (int i = 0; i < 5; ++i) file.Open();
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(OpenDescriptors(), fds);

    // Opening again after the file went away closes and stays closed.
    std::filesystem::rename(dir / "000007", dir / "moved");
    file.Open();
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.View(), nullptr);
    EXPECT_EQ(OpenDescriptors(), closed);
    EXPECT_FALSE(IsMapped(dir / "moved"));
}

TEST_F(MappedFile, DestructionReleasesTheHandles) {
    WriteBytes(dir / "000007", Fresh(64));
    const int fds = OpenDescriptors();
    {
        ProbeFile scoped;
        scoped.SetProject(dir.Path());
        scoped.SetFileName("000007");
        scoped.Open();
        ASSERT_TRUE(scoped.IsOpen());
    }
    EXPECT_EQ(OpenDescriptors(), fds);
    EXPECT_FALSE(IsMapped(dir / "000007"));
}

TEST_F(MappedFile, ChangingTheFileNameNeitherClosesNorOpens) {
    WriteBytes(dir / "000007", Fresh(64));
    file.Open();
    file.SetFileName("000008");
    EXPECT_EQ(file.FileName(), "000008");
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(std::memcmp(file.View(), kMagic, 4), 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "000008"));
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
    file.ForceProject(dir);
    file.SetFileName(name);
    const int fds = OpenDescriptors();
    try {
        file.Open();
        FAIL() << "opened a file that cannot be written";
    } catch (const korin::EKorMMFError& e) {
        FAIL() << "the refusal of the system belongs to the general class: " << e.what();
    } catch (const korin::Exception& e) {
        EXPECT_EQ(std::string(e.what()), "KorMMF: Die Datei " + dir + name + " ist schreibgeschützt!");
    }
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(OpenDescriptors(), fds);
}

TEST(MappedFileErrors, OtherOpenFailuresNameTheFullPath) {
    // A program being executed cannot be opened for writing (ETXTBSY).
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const int fd = ::open(self.c_str(), O_RDWR);
    const int error = errno;
    if (fd >= 0) ::close(fd);
    if (fd >= 0 || error == EACCES) GTEST_SKIP() << "the running program can be opened for writing here";
    const auto slash = self.find_last_of('/');
    ProbeFile file;
    file.ForceProject(self.substr(0, slash + 1));
    file.SetFileName(self.substr(slash + 1));
    EXPECT_EQ(MessageOf<korin::Exception>([&] { file.Open(); }),
              "KorMMF: Die Datei " + self + " konnte nicht geöffnet werden!");
    EXPECT_FALSE(file.IsOpen());
}

// ---- creating ----------------------------------------------------------------

TEST_F(MappedFile, CreateNewWritesOnlyTheInitialContent) {
    file.initialSize = 200;
    file.CreateNew(false);
    EXPECT_EQ(ReadBytes(dir / "000007"), Fresh(200));
    EXPECT_EQ(file.initCalls, 1);
    EXPECT_NE(file.viewDuringInit, nullptr);
    // Creating leaves the object closed.
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.View(), nullptr);
    file.Open();
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(file.FileSize(), 200);
}

TEST_F(MappedFile, CreateNewLeavesAnExistingFileUnlessToldToOverwrite) {
    const std::vector<uint8_t> old = Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20});
    WriteBytes(dir / "000007", old);
    file.initialSize = 8;
    EXPECT_NO_THROW(file.CreateNew(false));
    EXPECT_EQ(ReadBytes(dir / "000007"), old);
    EXPECT_EQ(file.initCalls, 0);

    // Overwriting replaces it, also when the old file is longer than the new one.
    file.CreateNew(true);
    EXPECT_EQ(ReadBytes(dir / "000007"), Fresh(8));
    EXPECT_EQ(file.initCalls, 1);
}

TEST_F(MappedFile, InitialSizeZeroMakesAOneByteFile) {
    file.initialSize = 0;
    file.CreateNew(true);
    EXPECT_EQ(ReadBytes(dir / "000007"), Bytes({0}));
}

TEST_F(MappedFile, CreateNewBesideAnOpenFileLeavesItOpen) {
    WriteBytes(dir / "000007", Fresh(64));
    file.Open();
    uint8_t* const view = file.View();
    file.SetFileName("000008");
    file.initialSize = 100;
    file.CreateNew(true);
    EXPECT_EQ(ReadBytes(dir / "000008"), Fresh(100));
    EXPECT_NE(file.viewDuringInit, view) << "the initial content went into the open file";
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(file.View(), view);
    EXPECT_EQ(file.FileSize(), 64);
    EXPECT_EQ(ReadBytes(dir / "000007"), Fresh(64));
}

TEST(MappedFileErrors, CreateNewWithoutAnyNameIsRefused) {
    ProbeFile file;
    EXPECT_EQ(MessageOf<korin::EKorMMFError>([&] { file.CreateNew(true); }),
              "KorMMF: Kein Dateiname angegeben! Datei kann nicht erstellt werden.");
}

TEST_F(MappedFile, CreateNewThatCannotMakeTheFileSaysSo) {
    // A name in a folder that does not exist: the creation fails and the
    // overwrite step reports it with its own message.
    file.SetFileName("missing/000009");
    const int fds = OpenDescriptors();
    EXPECT_EQ(MessageOf<korin::EKorMMFError>([&] { file.CreateNew(true); }),
              "KorMMF: Datei existiert bereits und kann nicht neu angelegt werden. Datei: missing/000009");
    EXPECT_EQ(OpenDescriptors(), fds);
    EXPECT_FALSE(file.IsOpen());
}

// ---- growing -----------------------------------------------------------------

TEST_F(MappedFile, MapFileWithALargerSizeKeepsTheBytesAndAddsZeros) {
    std::vector<uint8_t> content(100);
    for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<uint8_t>(i * 7 + 1);
    WriteBytes(dir / "000007", content);

    int fh = -1;
    size_t mh = 0;
    uint8_t* view = file.MapFile(5000, fh, mh);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(view, view + 100), content);
    EXPECT_TRUE(std::all_of(view + 100, view + 5000, [](uint8_t b) { return b == 0; }));
    view[4999] = 0x11;
    korin::TKorMMF::ReleaseHandles(fh, mh, view);
    EXPECT_EQ(view, nullptr);
    EXPECT_EQ(mh, 0u);

    std::vector<uint8_t> expected = content;
    expected.resize(5000, 0);
    expected[4999] = 0x11;
    EXPECT_EQ(ReadBytes(dir / "000007"), expected);

    // Size 0 maps the file as it is.
    view = file.MapFile(0, fh, mh);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view[4999], 0x11);
    korin::TKorMMF::ReleaseHandles(fh, mh, view);
    EXPECT_EQ(ReadBytes(dir / "000007").size(), 5000u);
}

TEST_F(MappedFile, MapFileOfAMissingFileReturnsNull) {
    int fh = -1;
    size_t mh = 0;
    EXPECT_EQ(file.MapFile(128, fh, mh), nullptr);
    EXPECT_FALSE(std::filesystem::exists(dir / "000007"));
}

TEST_F(MappedFile, GrowingAnOpenFileKeepsItsContent) {
    file.initialSize = 72;
    file.CreateNew(true);
    file.Open();
    file.View()[71] = 0xEE;
    file.GrowFile(72 + 64 * 40);
    ASSERT_TRUE(file.IsOpen());
    EXPECT_EQ(file.FileSize(), 72 + 64 * 40);
    EXPECT_EQ(std::memcmp(file.View(), kMagic, 4), 0);
    EXPECT_EQ(file.View()[71], 0xEE);
    file.View()[72 + 64 * 40 - 1] = 0x42;
    const auto bytes = ReadBytes(dir / "000007");
    ASSERT_EQ(bytes.size(), static_cast<size_t>(72 + 64 * 40));
    EXPECT_TRUE(std::all_of(bytes.begin() + 72, bytes.end() - 1, [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(bytes.back(), 0x42);
}

// ---- the project directory -----------------------------------------------------

TEST(ProjectDirectory, IsTakenOnlyWhereACatalogueLies) {
    TempDir a, b, c;
    WriteBytes(a / "dir.ref", {});
    WriteBytes(c / "Dir.ref", {});  // written on Windows: the case may differ
    ProbeFile file;
    EXPECT_FALSE(file.ProjectValid());

    // Without the trailing separator it is added.
    std::string aNoSlash = a.Path();
    aNoSlash.pop_back();
    file.SetProject(aNoSlash);
    EXPECT_TRUE(file.ProjectValid());
    EXPECT_EQ(file.Project(), a.Path());

    // A folder without "dir.ref": not valid, the old value stays.
    file.SetProject(b.Path());
    EXPECT_FALSE(file.ProjectValid());
    EXPECT_EQ(file.Project(), a.Path());

    // An empty value changes nothing, not even the validity.
    file.SetProject("");
    EXPECT_FALSE(file.ProjectValid());
    EXPECT_EQ(file.Project(), a.Path());

    file.SetProject(c.Path());
    EXPECT_TRUE(file.ProjectValid());
    EXPECT_EQ(file.Project(), c.Path());
    file.SetProject("");
    EXPECT_TRUE(file.ProjectValid());
    EXPECT_EQ(file.Project(), c.Path());

    file.SetProject(a.Path() + "no-such-folder");
    EXPECT_FALSE(file.ProjectValid());
    EXPECT_EQ(file.Project(), c.Path());

    // The full path is the directory followed directly by the name.
    file.SetFileName("000123");
    EXPECT_EQ(file.FullPath(), c.Path() + "000123");
}

}  // namespace
