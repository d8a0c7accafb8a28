// What can really fail while a table is written: an edit that would give a
// record another record's key, and a disk that fills up during an append or a
// restructuring. Afterwards every record is where it was and the audit is clean.
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

// K (primary), V, G; the unique key "VG" over V and G, the key "G" over G.
std::unique_ptr<TKorTable> ThreeRecords(const TempDir& dir) {
    auto t = MakeTable(dir, {Text("K", 8), Text("V", 3), Int("G")});
    t->DefineSecondaryKey("G", {"G"});
    t->DefineSecondaryKey("VG", {"V", "G"}, true);
    for (const auto& r : std::vector<std::vector<std::string>>{{"a", "x", "1"}, {"b", "y", "1"}, {"c", "x", "2"}})
        EXPECT_GE(t->Append(r), 0);
    return t;
}

// Every record found under its keys, the counts agreeing, the key file sound.
void ExpectRecords(TKorTable& t, const std::vector<std::vector<std::string>>& records) {
    EXPECT_EQ(AuditTable(t), "");
    EXPECT_EQ(t.HeaderRecordCount(), static_cast<int32_t>(records.size()));
    for (const auto& r : records) {
        ASSERT_TRUE(t.FindByPrimary(r[0])) << r[0];
        EXPECT_EQ(t.GetField(1), r[1]);
        EXPECT_EQ(t.GetField(2), r[2]);
        TIntegerList slots;
        EXPECT_TRUE(t.FindBySecondary("VG", {r[1], r[2]}, slots)) << r[0];
    }
}

TEST(EditConflicts, AKeyAnotherRecordHoldsIsRefusedAndNothingChanges) {
    struct Case {
        const char* what;
        const char* record;
        int32_t field;
        const char* value;
        bool written;
    };
    const Case cases[] = {
        {"primary of another record", "a", 0, "b", false},
        {"empty primary", "a", 0, "  ", false},
        {"primary unchanged", "a", 0, "a", true},
        {"new primary", "a", 0, "d", true},
        {"unique key of another record", "a", 1, "y", false},
        {"unique key of another record by its second field", "c", 2, " 1 ", false},
        {"unique key that is free", "a", 1, "z", true},
        {"non-unique key shared", "c", 2, "5", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        RecordingSink sink;
        auto t = ThreeRecords(dir);
        std::vector<std::vector<std::string>> expected{{"a", "x", "1"}, {"b", "y", "1"}, {"c", "x", "2"}};
        ASSERT_TRUE(t->FindByPrimary(c.record));
        EXPECT_EQ(t->EditField(c.field, c.value), c.written);
        EXPECT_EQ(sink.errors.size(), c.written ? 0u : 1u);
        if (c.written) {
            auto& r = *std::find_if(expected.begin(), expected.end(), [&](auto& e) { return e[0] == c.record; });
            r[static_cast<size_t>(c.field)] = TrimBlanks(c.value);
        } else {
            EXPECT_NE(sink.errors[0].find("Schlüsselkonflikt"), std::string::npos);
        }
        ExpectRecords(*t, expected);
    }
}

// The mapped-file layer fails every growth with ENOSPC while set.
int FullDisk(const char* step) { return std::strcmp(step, "extend") == 0 ? ENOSPC : 0; }

struct Injected {
    explicit Injected(TKorFailureHook hook) { former = SetFailureHook(hook); }
    ~Injected() { SetFailureHook(former); }
    TKorFailureHook former;
};

TEST(FullDisk, AnAppendThatCannotGrowTheFileSaysTheDiskIsFullAndKeepsEveryRecord) {
    TempDir dir;
    RecordingSink sink;
    auto t = ThreeRecords(dir);
    // Fill the slots the file has room for, then one more needs growth.
    std::vector<std::vector<std::string>> expected{{"a", "x", "1"}, {"b", "y", "1"}, {"c", "x", "2"}};
    {
        // The table file or the key file is the first that cannot grow: a
        // refused record (the warning) or a raised error, naming the cause.
        Injected full(FullDisk);
        std::string refusal;
        for (int i = 0; i < 400 && refusal.empty(); ++i) {
            const std::vector<std::string> r{"n" + std::to_string(i), "v", std::to_string(i)};
            try {
                if (t->Append(r) >= 0)
                    expected.push_back(r);
                else
                    refusal = sink.errors.at(0);
            } catch (const Exception& e) {
                refusal = e.what();
            }
        }
        EXPECT_NE(refusal.find("\rUrsache: Der Datenträger ist voll"), std::string::npos) << refusal;
        ExpectRecords(*t, expected);
    }
    // Once there is room again the table goes on.
    EXPECT_GE(t->Append({"z", "v", "99"}), 0);
    expected.push_back({"z", "v", "99"});
    t->Close();
    t = OpenTable(dir);
    ExpectRecords(*t, expected);
}

// A file-size limit of the process, with SIGXFSZ ignored so that a write past
// it fails with EFBIG instead of ending the program.
class SizeLimit {
public:
    explicit SizeLimit(rlim_t bytes) {
        former_ = ::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit lower = old_;
        lower.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~SizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        ::signal(SIGXFSZ, former_);
    }

private:
    rlimit old_{};
    sighandler_t former_;
};

TEST(FullDisk, ARestructuringThatCannotWriteItsNewFileLeavesTheTableAsItWas) {
    TempDir dir;
    RecordingSink sink;
    auto t = ThreeRecords(dir);
    const auto before = ReadBytes(dir / "t.dat");
    {
        SizeLimit limit(before.size() / 2);
        try {
            t->AddField("NEU", 700, 20, 0, 0, 0);
            ADD_FAILURE() << "AddField wrote past the file-size limit";
        } catch (const Exception& e) {
            EXPECT_NE(std::string(e.what()).find("000000tmp"), std::string::npos) << e.what();
        }
    }
    EXPECT_FALSE(path::AnyExists(dir / "000000tmp"));
    EXPECT_EQ(ReadBytes(dir / "t.dat"), before);
    t = OpenTable(dir);
    EXPECT_EQ(t->FieldCount(), 3);
    ExpectRecords(*t, {{"a", "x", "1"}, {"b", "y", "1"}, {"c", "x", "2"}});
}

TEST(Flush, AFailedFlushIsReportedWithItsCauseAndTheFileStillCloses) {
    TempDir dir;
    auto t = ThreeRecords(dir);
    RecordingSink sink;
    Injected failing([](const char* step) { return std::strcmp(step, "sync") == 0 ? EIO : 0; });
    try {
        TKorMMF::FlushAll();
        ADD_FAILURE() << "FlushAll hid the failure";
    } catch (const EKorMMFError& e) {
        EXPECT_NE(std::string(e.what()).find("Ursache: Ein-/Ausgabefehler"), std::string::npos) << e.what();
    }
    t->Close();
    EXPECT_FALSE(t->IsOpen());
    ASSERT_EQ(sink.errors.size(), 2u);  // the table file and its key file
    EXPECT_NE(sink.errors[0].find("konnte nicht auf den Datenträger geschrieben werden!"), std::string::npos);
}

}  // namespace
}  // namespace korin::testing
