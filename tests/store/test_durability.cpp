// A disk that fills up while a table is written: the failure names its cause,
// and every record stays findable under its keys with a clean audit.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cerrno>
#include <cstring>

#include "project/kor_recovery.h"
#include "store/kor_error.h"
#include "store/kor_mmf.h"
#include "store/kor_path.h"
#include "test_table_support.h"

namespace korin::testing {
namespace {

using Records = std::vector<std::vector<std::string>>;

std::unique_ptr<TKorTable> Filled(const TempDir& dir, const Records& records) {
    auto t = MakeTable(dir, {Text("K", 8), Text("V", 3)});
    t->DefineSecondaryKey("V", {"V", "K"}, true);
    for (const auto& r : records) EXPECT_GE(t->Append(r), 0);
    return t;
}

void ExpectRecords(TKorTable& t, const Records& records) {
    EXPECT_EQ(AuditTable(t), "");
    for (const auto& r : records) {
        ASSERT_TRUE(t.FindByPrimary(r[0])) << r[0];
        EXPECT_EQ(t.GetField(1), r[1]);
    }
}

TEST(FullDisk, AnAppendThatCannotGrowAFileSaysTheDiskIsFullAndKeepsEveryRecord) {
    TempDir dir;
    RecordingSink sink;
    Records records{{"a", "x"}, {"b", "y"}};
    auto t = Filled(dir, records);
    // The table file or the key file is the first that cannot grow: a refused
    // record (the warning) or a raised error.
    const TKorFailureHook former =
        SetFailureHook([](const char* step) { return std::strcmp(step, "extend") == 0 ? ENOSPC : 0; });
    std::string refusal;
    for (int i = 0; i < 400 && refusal.empty(); ++i) {
        try {
            if (t->Append({"n" + std::to_string(i), "v"}) >= 0)
                records.push_back({"n" + std::to_string(i), "v"});
            else
                refusal = sink.errors.at(0);
        } catch (const Exception& e) {
            refusal = e.what();
        }
    }
    SetFailureHook(former);
    EXPECT_NE(refusal.find("\rUrsache: Der Datenträger ist voll"), std::string::npos) << refusal;
    ExpectRecords(*t, records);
    t = OpenTable(dir);
    ExpectRecords(*t, records);
}

TEST(FullDisk, ARestructuringThatCannotWriteItsNewFileLeavesTheTableAsItWas) {
    TempDir dir;
    auto t = Filled(dir, {{"a", "x"}, {"b", "y"}});
    const auto before = ReadBytes(dir / "t.dat");
    // A file-size limit, SIGXFSZ ignored: a write past it fails with EFBIG.
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit lower = old;
    lower.rlim_cur = before.size() / 2;
    const sighandler_t former = ::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &lower);
    EXPECT_THROW(t->AddField("NEU", 700, 20, 0, 0, 0), Exception);
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, former);
    EXPECT_FALSE(path::AnyExists(dir / "000000tmp"));
    EXPECT_EQ(ReadBytes(dir / "t.dat"), before);
    t = OpenTable(dir);
    EXPECT_EQ(t->FieldCount(), 2);
    ExpectRecords(*t, {{"a", "x"}, {"b", "y"}});
}

}  // namespace
}  // namespace korin::testing
