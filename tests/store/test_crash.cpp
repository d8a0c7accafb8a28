// A writer killed at random points: a child appends, edits, deletes and
// re-indexes and reports each operation that returned through a pipe; the
// parent kills it (SIGKILL) and reopens the table. Every record whose last
// operation returned is found with its value; the audit is clean, or clean
// after the repair it offers (Reindex).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <random>
#include <thread>

#include "project/kor_recovery.h"
#include "test_table_support.h"

namespace korin::testing {
namespace {

using Model = std::map<std::string, std::string>;  // K -> V

Model Read(TKorTable& t) {
    Model m;
    for (bool more = t.First(); more; more = t.Next()) m[t.GetField(0)] = t.GetField(1);
    return m;
}

// Operation i of a round, chosen from the seed and the model alone, so that the
// child that runs it and the parent that checks it choose alike. Kind 0
// appends key, 1 edits V, 2 edits K to value, 3 deletes, 4 re-indexes.
struct Op {
    int kind;
    std::string key, value;
};
Op Choose(std::mt19937& rng, const Model& m, int& next) {
    const uint32_t r = rng() % 100;
    const std::string v = "v" + std::to_string(rng() % 7);
    if (m.empty() || r < 45) return {0, "R" + std::to_string(next++), v};
    auto it = m.begin();
    std::advance(it, static_cast<long>(rng() % m.size()));
    if (r < 97) return {r < 70 ? 1 : r < 82 ? 2 : 3, it->first, r < 70 ? v : "R" + std::to_string(next++)};
    return {4, "", ""};
}
void Apply(const Op& op, Model& m) {
    if (op.kind == 0 || op.kind == 1) m[op.key] = op.value;
    if (op.kind == 2) m[op.value] = m[op.key];
    if (op.kind == 2 || op.kind == 3) m.erase(op.key);
}

TEST(Crash, AWriterKilledAtRandomPointsLosesNoRecordWhoseOperationReturned) {
    TempDir dir;
    MakeTable(dir, {Text("K", 8), Text("V", 4)})->DefineSecondaryKey("V", {"V"});
    std::mt19937 timing(20261207);
    int next = 0, repaired = 0;
    for (int round = 0; round < 40; ++round) {
        const uint32_t seed = timing();
        SCOPED_TRACE("round " + std::to_string(round) + " seed " + std::to_string(seed));
        Model m = Read(*OpenTable(dir));
        int pipe[2];
        ASSERT_EQ(::pipe(pipe), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            auto t = OpenTable(dir);
            std::mt19937 rng(seed);
            for (int32_t done = 1;; ++done) {
                const Op op = Choose(rng, m, next);
                bool ok = true;
                if (op.kind == 0) ok = t->Append({op.key, op.value}) >= 0;
                if (op.kind == 1 || op.kind == 2) ok = t->FindByPrimary(op.key) && t->EditField(2 - op.kind, op.value);
                if (op.kind == 3 && (ok = t->FindByPrimary(op.key))) t->Delete();
                if (op.kind == 4) t->Reindex();
                Apply(op, m);
                if (!ok || ::write(pipe[1], &done, sizeof done) != sizeof done) ::_exit(3);
            }
        }
        ::close(pipe[1]);
        std::this_thread::sleep_for(std::chrono::microseconds(1000 + timing() % 20000));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer failed by itself";
        int32_t confirmed = 0, value = 0;
        while (::read(pipe[0], &value, sizeof value) == sizeof value) confirmed = value;
        ::close(pipe[0]);

        // The model after every operation that returned; the records of the one
        // in flight may show it or not.
        std::mt19937 rng(seed);
        for (int32_t i = 0; i < confirmed; ++i) Apply(Choose(rng, m, next), m);
        const Op open = Choose(rng, m, next);
        RecordingSink sink;
        auto t = OpenTable(dir);
        if (!AuditTable(*t).empty()) {
            ++repaired;
            t->Reindex();
            ASSERT_EQ(AuditTable(*t), "");
        }
        const Model now = Read(*t);
        for (const auto& [k, v] : m)
            if (k != open.key && k != open.value) { EXPECT_EQ(now.count(k) ? now.at(k) : "(lost)", v) << k; }
        for (const auto& [k, v] : now) EXPECT_TRUE(m.count(k) || k == open.key || k == open.value) << k;
    }
    std::printf("crash rounds that needed the repair: %d of 40\n", repaired);
}

}  // namespace
}  // namespace korin::testing
