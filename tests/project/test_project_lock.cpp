// One writer per project, what a dead writer leaves behind, and page copies on
// a full disk: the lock refuses a second writer (korintool included) and names
// the holder; after a holder died the audit finds the damage and the offered
// repair mends it; a copy that cannot be written leaves no entry and no file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "drawing/drawing_gen.h"
#include "project/kor_dir_file.h"
#include "project/kor_project_lock.h"
#include "project/kor_recovery.h"
#include "project/rvk_func.h"
#include "project_fixture.h"
#include "store/kor_error.h"
#include "store/kor_mmf.h"
#include "store/kor_path.h"
#include "store/kor_table.h"
#include "store/le.h"

namespace korin::testing {
namespace {

// A child that takes the lock as `program`, says so through a pipe and then
// waits to be killed.
pid_t HoldInChild(const std::string& dir, const std::string& program) {
    int ready[2];
    EXPECT_EQ(::pipe(ready), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ready[0]);
        TKorProjectLock lock;
        try {
            lock.Acquire(dir, program);
        } catch (const Exception&) {
            ::_exit(1);
        }
        (void)!::write(ready[1], "x", 1);
        for (;;) ::pause();
    }
    ::close(ready[1]);
    char c = 0;
    EXPECT_EQ(::read(ready[0], &c, 1), 1);
    ::close(ready[0]);
    return pid;
}

void Kill(pid_t pid) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

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
    try {
        second.Acquire(dir.Path(), "test");
        ADD_FAILURE() << "a second writer got the lock";
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()), refusal);
    }
    EXPECT_FALSE(second.Held());

    // korintool: a writing command changes nothing, a reading one runs.
    const std::string data = dir / table.FileName(), key = dir / table.KeyFileName();
    const auto dataBefore = ReadBytes(data), keyBefore = ReadBytes(key);
    const ToolResult append = RunTool({"table", "append", data, key, "4"});
    EXPECT_EQ(append.exitCode, 1);
    EXPECT_EQ(append.err, refusal + "\n");
    EXPECT_EQ(ReadBytes(data), dataBefore);
    EXPECT_EQ(ReadBytes(key), keyBefore);
    const ToolResult dump = RunTool({"table", "dump", data, key});
    EXPECT_EQ(dump.exitCode, 0) << dump.err;
    EXPECT_EQ(dump.out, "0\t1\n1\t2\n2\t3\n");
    EXPECT_EQ(RunTool({"project", "delete-table", dir.Path(), "T/A"}).exitCode, 1);
    EXPECT_TRUE(path::FileExists(data));

    // The holder ends: the project is free, and the holder's death is noticed.
    Kill(holder);
    second.Acquire(dir.Path(), "test");
    EXPECT_TRUE(second.FoundCrash());
    EXPECT_EQ(second.CrashedHolder(), "korinpro, Prozess " + std::to_string(holder));
}

TEST_F(ProjectLock, OnlyAHolderThatDidNotReleaseCountsAsCrashedAndAPendingRecoveryStays) {
    {
        TKorProjectLock lock;
        lock.Acquire(dir.Path(), "a");
    }
    TKorProjectLock lock;
    lock.Acquire(dir.Path(), "b");
    EXPECT_FALSE(lock.FoundCrash());
    lock.Release();
    Kill(HoldInChild(dir.Path(), "c"));
    lock.Acquire(dir.Path(), "d");
    ASSERT_TRUE(lock.FoundCrash());
    lock.SetRecoveryPending(true);
    lock.Release();
    lock.Acquire(dir.Path(), "e");
    EXPECT_TRUE(lock.FoundCrash()) << "an unrepaired recovery was forgotten";
    lock.Release();
    lock.Acquire(dir.Path(), "f");
    EXPECT_FALSE(lock.FoundCrash());
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
    std::vector<R> offered;
    for (const auto& f : recovery.Findings()) offered.push_back(f.repair);
    for (R r : {R::Reindex, R::DeleteDrawing, R::FreeChain})
        EXPECT_NE(std::find(offered.begin(), offered.end(), r), offered.end()) << static_cast<int>(r);
    // Auditing repaired nothing.
    TKorRecovery again;
    again.Audit(dir.Path());
    EXPECT_EQ(again.Findings().size(), recovery.Findings().size());

    recovery.Repair();
    EXPECT_TRUE(recovery.Clean());
    again.Audit(dir.Path());
    EXPECT_TRUE(again.Clean()) << again.ReportLines()[0];
    table.Open();
    for (int i = 1; i <= 5; ++i) EXPECT_TRUE(table.FindByPrimary(std::to_string(i))) << i;
}

// Page copies on a full disk: every write fails with ENOSPC while set.
int FullDisk(const char* step) { return std::strcmp(step, "write") == 0 ? ENOSPC : 0; }

TEST_F(ProjectLock, APageCopyOnAFullDiskLeavesTheTargetAndTheCatalogueAsTheyWere) {
    gen::Drawing page;
    gen::Symbol title;
    title.type = 9;
    title.codes = {{60, 1, 2, "x"}};
    page.symbols = {title};
    WriteBytes(dir / "orig.drw", gen::Build(page));
    WriteText(dir / "old", "former content");
    const TKorFailureHook former = SetFailureHook(FullDisk);
    std::string copyError;
    try {
        CopyFile(dir / "orig.drw", dir / "old", false);
    } catch (const Exception& e) {
        copyError = e.what();
    }
    EXPECT_THROW(cat.CreateDrawingEntry(dir / "orig.drw", DrawingKey({"A", "P"})), Exception);
    SetFailureHook(former);
    EXPECT_NE(copyError.find("Ursache: Der Datenträger ist voll"), std::string::npos) << copyError;
    EXPECT_EQ(ReadText(dir / "old"), "former content");
    EXPECT_LT(cat.Locate(DrawingKey({"A", "P"})), 0);
    // No temporary file and no numbered file is left behind.
    for (const std::string& name : path::ListDirectory(dir.Path()))
        EXPECT_TRUE(name == "old" || name == "orig.drw" || name == "Dir.ref" || name == "Dir.dat") << name;
    EXPECT_EQ(cat.Verify(), "");
}

}  // namespace
}  // namespace korin::testing
