// One writer per project, what a dead writer leaves behind, and page copies on
// a full disk: the lock refuses a second writer (korintool included) and names
// the holder; after a holder died the audit finds the damage and the offered
// repair mends it; a copy that cannot be written leaves no entry and no file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>
#include <set>
#include <thread>

#include "drawing/drawing_gen.h"
#include "project/kor_project_lock.h"
#include "project/kor_recovery.h"
#include "project/rvk_func.h"
#include "project_fixture.h"
#include "store/kor_mmf.h"
#include "store/kor_path.h"
#include "store/kor_table.h"

namespace korin::testing {
namespace {

// A child that holds the lock as `program` until it is killed.
pid_t HoldInChild(const std::string& dir, const std::string& program) {
    int ready[2];
    EXPECT_EQ(::pipe(ready), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        TKorProjectLock lock;
        lock.Acquire(dir, program);
        (void)!::write(ready[1], "x", 1);
        for (;;) ::pause();
    }
    char c = 0;
    EXPECT_EQ(::read(ready[0], &c, 1), 1);
    for (const int fd : ready) ::close(fd);
    return pid;
}

void Kill(pid_t pid) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

void OpenCatalogue(TKorDirFile& c, const std::string& project) { c.SetProject(project), c.Open(); }

class ProjectLock : public ProjectTest {
protected:
    // A table "T/A" with records "1" … "n" in the catalogue.
    void MakeTable(int n) {
        std::string s, y, data, key;
        cat.CreateScheduleEntries({"T"}, s, y);
        ASSERT_TRUE(cat.CreateTableEntries({"T", "A"}, "", data, key));
        table.SetProject(dir.Path());
        table.SetFileName(data);
        table.SetKeyFileName(key);
        table.SetFieldDefs({{"K", TKorFieldType::String, 8}});
        table.SetPrimaryKeyField(1);
        table.CreateNew(true);
        table.Open();
        for (int i = 1; i <= n; ++i) ASSERT_GE(table.Append({std::to_string(i)}), 0);
    }
    TKorTable table;
};

TEST_F(ProjectLock, ASecondWriterIsRefusedWithTheHolderNamedAndReadersAreNot) {
    MakeTable(3);
    table.Close();
    const pid_t holder = HoldInChild(dir.Path(), "korinpro");
    const std::string refusal =
        "Das Projekt wird von einem anderen Programm bearbeitet (korinpro, Prozess " + std::to_string(holder) + ")";
    TKorProjectLock second;
    EXPECT_THROW(second.Acquire(dir.Path(), "test"), Exception);
    EXPECT_FALSE(second.Held());
    // korintool: a writing command changes nothing, a reading one runs.
    const std::string data = dir / table.FileName(), key = dir / table.KeyFileName();
    const auto dataBefore = ReadBytes(data), keyBefore = ReadBytes(key);
    const ToolResult append = RunTool({"table", "append", data, key, "4"});
    EXPECT_EQ(std::make_pair(append.exitCode, append.err), std::make_pair(1, refusal + "\n"));
    EXPECT_TRUE(ReadBytes(data) == dataBefore && ReadBytes(key) == keyBefore);
    const ToolResult dump = RunTool({"table", "dump", data, key});
    EXPECT_EQ(std::make_pair(dump.exitCode, dump.out), std::make_pair(0, std::string("0\t1\n1\t2\n2\t3\n"))) << dump.err;
    EXPECT_EQ(RunTool({"project", "delete-table", dir.Path(), "T/A"}).exitCode, 1);
    EXPECT_TRUE(path::FileExists(data));
    // The holder dies: the project is free and the death is noticed until a
    // recovery is no longer pending; a clean release leaves nothing to notice.
    Kill(holder);
    second.Acquire(dir.Path(), "test");
    EXPECT_EQ(second.CrashedHolder(), "korinpro, Prozess " + std::to_string(holder));
    second.SetRecoveryPending(true);
    second.Release();
    for (const bool crashed : {true, false, false}) {
        second.Acquire(dir.Path(), "test");
        EXPECT_EQ(second.FoundCrash(), crashed);
        second.Release();
    }
}

TEST_F(ProjectLock, TheAuditFindsWhatAHalfDoneChangeLeftAndTheOfferedRepairMendsIt) {
    MakeTable(5);
    // A record whose keys are gone (an edit cut off between deleting and adding
    // them), a catalogue entry whose drawing file is missing, and a free chain
    // that links an entry in use.
    ASSERT_TRUE(table.FindByPrimary("3"));
    TKeyList keys = table.RecordKeys();
    table.KeyFile().DeleteKeys(keys);
    table.Close();
    cat.CreateEntry("", DrawingKey({"T", "P"}));
    const int32_t used = cat.Locate(TableKey({"T", "A"}));
    cat.Nodes().SetNextFree(used);
    cat.Close();
    TKorRecovery recovery;
    recovery.Audit(dir.Path());
    using R = TKorRecoveryFinding::Repair;
    const auto& found = recovery.Findings();
    for (R r : {R::Reindex, R::DeleteDrawing, R::FreeChain})
        EXPECT_TRUE(std::any_of(found.begin(), found.end(), [r](const auto& f) { return f.repair == r; })) << static_cast<int>(r);
    recovery.Repair();
    EXPECT_TRUE(recovery.Clean()) << recovery.ReportLines()[0];
    table.Open();
    for (int i = 1; i <= 5; ++i) EXPECT_TRUE(table.FindByPrimary(std::to_string(i))) << i;
}

TEST_F(ProjectLock, APageCopyAndAnExportOnAFullDiskLeaveTargetsAndCatalogueAsTheyWere) {
    gen::Drawing page;
    page.symbols = {{.type = 9}};
    WriteBytes(dir / "orig.drw", gen::Build(page));
    WriteText(dir / "old", "former content");
    const TKorFailureHook former =
        SetFailureHook([](const char* step) { return std::strcmp(step, "write") == 0 ? ENOSPC : 0; });
    const std::string copyError = MessageOf([&] { CopyFile(dir / "orig.drw", dir / "old", false); });
    EXPECT_THROW(cat.CreateDrawingEntry(dir / "orig.drw", DrawingKey({"A", "P"})), Exception);
    SetFailureHook(former);
    EXPECT_NE(copyError.find("Ursache: Der Datenträger ist voll"), std::string::npos) << copyError;
    EXPECT_EQ(ReadText(dir / "old"), "former content");
    EXPECT_LT(cat.Locate(DrawingKey({"A", "P"})), 0);
    EXPECT_EQ(cat.Verify(), "");
    EXPECT_EQ(path::ListDirectory(dir.Path()).size(), 4u);  // no temporary or numbered file left behind
    // korintool inherits a file-size limit (SIGXFSZ ignored) across exec.
    MakeTable(200);
    table.Close();
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const rlimit lower{2048, old.rlim_max};
    const sighandler_t handler = ::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &lower);
    const ToolResult r = RunTool({"export", dir.Path(), "T/A", "sqlite", dir / "out.sqlite", "A", "--with-contents"});
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, handler);
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_FALSE(path::AnyExists(dir / "out.sqlite"));
}

// A writer of the catalogue killed at random points: after every round the
// recovery makes the catalogue clean and every drawing whose creation returned
// (and whose deletion did not) is there with its file.
TEST_F(ProjectLock, ACatalogueWriterKilledAtRandomPointsIsRecoveredWithoutLosingADrawing) {
    gen::Drawing page;
    page.symbols = {{.type = 9, .codes = {{60, 1, 2, "x"}, {61, 1, 2, "y"}, {62, 1, 2, "z"}}}};
    const std::string source = dir / "orig.drw";
    WriteBytes(source, gen::Build(page));
    cat.Close();
    std::mt19937 rng(7);
    int next = 0;
    std::set<int> pages;  // drawings "F<n>/P<n>" confirmed to exist
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        int pipe[2];
        ASSERT_EQ(::pipe(pipe), 0);
        const int first = next;
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(pipe[0]);
            TKorProjectLock lock;
            lock.Acquire(dir.Path(), "writer");
            TKorDirFile c;
            OpenCatalogue(c, dir.Path());
            // Even numbers create, odd ones delete the page created just before.
            for (int32_t n = first;; ++n) {
                const std::vector<std::string> path{"F" + std::to_string(n / 2 % 5), "P" + std::to_string(n / 2)};
                if (n % 2 == 0) {
                    if (c.CreateDrawingEntry(source, DrawingKey(path)) == "000000") ::_exit(3);
                } else if (n % 4 == 1) {
                    c.DeleteDrawing(path);
                }
                if (::write(pipe[1], &n, sizeof n) != sizeof n) ::_exit(4);
            }
        }
        ::close(pipe[1]);
        std::this_thread::sleep_for(std::chrono::microseconds(2000 + rng() % 30000));
        Kill(pid);
        int32_t n = first - 1, value = 0;
        while (::read(pipe[0], &value, sizeof value) == sizeof value) n = value;
        ::close(pipe[0]);
        for (int i = first; i <= n; ++i) {
            if (i % 2 == 0) pages.insert(i / 2);
            if (i % 4 == 1) pages.erase(i / 2);
        }
        const int unsure = (n + 1) / 2;  // the page of the operation in flight
        next = 2 * (unsure + 1);
        TKorProjectLock lock;  // free again once the writer is dead
        lock.Acquire(dir.Path(), "test");
        TKorRecovery recovery;
        recovery.Audit(dir.Path());
        if (!recovery.Clean()) recovery.Repair();
        ASSERT_TRUE(recovery.Clean()) << recovery.ReportLines()[0];
        TKorDirFile c;
        OpenCatalogue(c, dir.Path());
        auto entryOf = [&](int p) { return c.Locate(DrawingKey({"F" + std::to_string(p % 5), "P" + std::to_string(p)})); };
        for (int p : pages) {
            if (p == unsure) continue;
            ASSERT_GT(entryOf(p), 0) << "page " << p << " lost";
            EXPECT_TRUE(path::FileExists(dir / TKorDirFile::EntryFileName(entryOf(p)))) << p;
        }
        // The operation in flight is settled by what the catalogue holds now.
        if (entryOf(unsure) <= 0) pages.erase(unsure);
        else pages.insert(unsure);
        c.Close();
    }
}

}  // namespace
}  // namespace korin::testing
