// The key file: what each operation does to the node array (node numbers,
// balances, free chain, file size), navigation over result lists, the start-node
// queries, and damaged files that must be refused or survived, never crash or
// hang.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "store/kor_error.h"
#include "store/kor_key_file.h"
#include "store/kor_key_preload.h"
#include "test_support.h"

namespace {

using korin::TIntegerList;
using korin::TKeyList;
using korin::TKorKeyFile;
using korin::testing::MessageOf;
using korin::testing::ReadBytes;
using korin::testing::TempDir;
using korin::testing::WriteBytes;

// ---- keys ----------------------------------------------------------------------

std::string P(char letter, int number, const std::string& text) { return std::string{letter, static_cast<char>(number)} + text; }

const std::string kSep = "\xFF\xFF\xFF";

// Primary key of a table record whose pointer text is `ptr`.
TKeyList PK(const std::string& ptr) { return {P('C', 0, "P_KEY"), P('N', 0, "0"), P('N', 80, ptr)}; }
TKeyList PrimaryPrefix() { return {P('C', 0, "P_KEY"), P('N', 0, "0")}; }
// Secondary key `name` of a record with field value `value`.
TKeyList SK(const std::string& name, const std::string& value, const std::string& ptr) {
    return {P('C', 0, "S_KEY"), P('N', 0, "0"), P('C', 0, name), P('C', 0, value), P('N', 80, ptr)};
}

TKeyList Join(const std::vector<TKeyList>& keys) {
    TKeyList list;
    for (size_t i = 0; i < keys.size(); ++i) {
        if (i) list.push_back(kSep);
        list.insert(list.end(), keys[i].begin(), keys[i].end());
    }
    return list;
}

bool Add(TKorKeyFile& kf, TKeyList key, int32_t dindex) { return kf.AddKeys(key, dindex); }
void Del(TKorKeyFile& kf, TKeyList key) { kf.DeleteKeys(key); }

// Records of the current selection, walked with First/Next.
std::vector<int32_t> Walk(TKorKeyFile& kf) {
    std::vector<int32_t> records;
    for (bool ok = kf.First(); ok && records.size() < 100000; ok = kf.Next()) records.push_back(kf.CurrentRecord());
    return records;
}
std::vector<int32_t> Selected(TKorKeyFile& kf, const TKeyList& prefix, bool leaf) {
    kf.SetSelection(prefix, leaf);
    return Walk(kf);
}

// ---- the node array as bytes -----------------------------------------------------

int32_t I32(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<int32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24);
}

// The fields of the nodes that the damage cases below aim at.
struct Node {
    int32_t down = 0, up = 0, left = 0, right = 0, balance = 0;
    std::string name;
};

struct Image {
    int32_t root = 0, nextFree = 0, count = 0;
    std::vector<Node> nodes;  // [k] for 1 <= k < count
    const Node& operator[](int32_t k) const { return nodes.at(static_cast<size_t>(k)); }
};

Image ReadImage(const std::string& path) {
    const auto b = ReadBytes(path);
    Image im;
    im.root = I32(b, 0), im.nextFree = I32(b, 4), im.count = static_cast<int32_t>(b.size() / 64);
    im.nodes.resize(static_cast<size_t>(im.count));
    for (int32_t k = 1; k < im.count; ++k) {
        const size_t o = 64 * static_cast<size_t>(k);
        const char* name = reinterpret_cast<const char*>(&b[o + 26]);
        im.nodes[k] = {I32(b, o), I32(b, o + 4), I32(b, o + 8), I32(b, o + 12),
                       static_cast<int16_t>(b[o + 16] | b[o + 17] << 8), std::string(name, strnlen(name, 33))};
    }
    return im;
}

void Put(std::vector<uint8_t>& b, size_t at, int32_t v, int width) {
    for (int i = 0; i < width; ++i) b[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}
void Patch(const std::string& path, size_t at, int32_t v, int width = 4) {
    auto b = ReadBytes(path);
    Put(b, at, v, width);
    WriteBytes(path, b);
}

enum Field { kDown = 0, kUp = 4, kLeft = 8, kRight = 12, kBalance = 16, kDIndex = 20, kType = 24 };

void PatchNode(const std::string& path, int32_t k, Field f, int32_t v) {
    Patch(path, 64 * static_cast<size_t>(k) + f, v, f == kBalance || f == kType ? 2 : 4);
}

// ---- fixture -------------------------------------------------------------------

class KeyFile : public ::testing::Test {
protected:
    void SetUp() override {
        kf.SetProject(dir.Path());
        ASSERT_TRUE(kf.ProjectValid());
        kf.SetFileName("000002");
        kf.CreateNew(true);
        kf.Open();
        ASSERT_TRUE(kf.IsOpen());
    }
    std::string Path() const { return dir / "000002"; }
    Image Img() const { return ReadImage(Path()); }

    TempDir dir;
    TKorKeyFile kf;
};

// ---- a new file, opening ----------------------------------------------------------

TEST_F(KeyFile, ANewFileIsTheHeaderAndTheHeadOfNode1) {
    std::vector<uint8_t> expected(72, 0);
    expected[4] = 1;  // NextFree
    EXPECT_EQ(ReadBytes(Path()), expected);

    EXPECT_EQ(kf.RecordCount(), 0);
    EXPECT_FALSE(kf.First() || kf.Last());
    // With no results Prior reports the end, not the beginning.
    EXPECT_FALSE(kf.Prior());
    EXPECT_EQ((std::tuple<bool, bool, int32_t>{kf.Eof(), kf.Bof(), kf.Locate(PK("1"))}), std::make_tuple(true, false, -2));
    EXPECT_FALSE(kf.SetStart({}));
    EXPECT_EQ(kf.Verify(), "");
}

TEST(KeyFileOpen, RefusesMissingFilesAndForeignContent) {
    TempDir dir;
    TKorKeyFile kf;
    kf.SetProject(dir.Path());
    kf.SetFileName("000404");
    EXPECT_EQ(MessageOf<korin::EKorKeyError>([&] { kf.Open(); }),
              "KorKeyFile: Datei konnte nicht geöffnet werden. Datei : 000404");
    EXPECT_FALSE(kf.IsOpen());

    const std::string refused =
        "KorMMF: Konnte Datei nicht öffnen.\rInhalt stimmt nicht mit Dateityp überein. Datei : 000005";
    kf.SetFileName("000005");
    auto valid = [](size_t nodes, int32_t nextFree) {
        std::vector<uint8_t> b(64 * nodes + 8, 0);
        b[4] = static_cast<uint8_t>(nextFree);
        return b;
    };
    std::vector<std::vector<uint8_t>> bad;
    bad.push_back(valid(1, 1));
    bad.back().pop_back();  // 71 bytes
    for (size_t at : {8, 40, 63}) {
        auto b = valid(1, 1);
        b[at] = 1;  // the reserved bytes of the header must be zero
        bad.push_back(b);
    }
    bad.push_back(valid(1, 2));  // NextFree beyond the nodes of the file
    bad.push_back(valid(4, 5));
    for (size_t i = 0; i < bad.size(); ++i) {
        WriteBytes(dir / "000005", bad[i]);
        EXPECT_EQ(MessageOf<korin::Exception>([&] { kf.Open(); }), refused) << "case " << i;
        EXPECT_FALSE(kf.IsOpen()) << "case " << i;
    }
    // NextFree may name the high-water node itself.
    WriteBytes(dir / "000005", valid(4, 4));
    EXPECT_NO_THROW(kf.Open());
    EXPECT_TRUE(kf.IsOpen());
}

// ---- insertion -------------------------------------------------------------------

TEST_F(KeyFile, AListOfKeysIsConsumedAndEveryKeyInserted) {
    TKeyList list = Join({PK("2"), PK("1"), SK("TAG", "x", "2")});
    list.insert(list.begin(), kSep);  // empty keys are skipped
    list.insert(list.end(), 2, kSep);
    EXPECT_TRUE(kf.AddKeys(list, 5));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(std::make_pair(kf.Locate(PK("1")), kf.Locate(SK("TAG", "x", "2"))), std::make_pair(4, 4));
    EXPECT_EQ(Img().nextFree, 10);

    TKeyList gone = Join({PK("1"), PK("2")});
    gone.push_back(kSep);
    kf.DeleteKeys(gone);
    EXPECT_TRUE(gone.empty());
    EXPECT_EQ(std::make_pair(kf.Locate(PK("2")), kf.Locate(SK("TAG", "x", "2"))), std::make_pair(-2, 4));
}

TEST_F(KeyFile, TheNumberByteOrdersFirst255MatchesAnyTypeAnd32CharactersCount) {
    ASSERT_TRUE(Add(kf, {P('C', 0, "T"), P('N', 6, "x")}, 3));
    // The letter is not part of the key.
    EXPECT_EQ((std::vector<int32_t>{kf.Locate({P('C', 255, "T"), P('N', 255, "x")}), kf.Locate({P('C', 0, "T"), P('N', 0, "x")}),
                                    kf.Locate({P('C', 0, "T"), P('N', 7, "x")}), kf.Locate({P('Z', 0, "T"), P('F', 6, "x")})}),
              (std::vector<int32_t>{2, -2, -2, 2}));

    ASSERT_TRUE(Add(kf, {P('C', 0, "T"), P('N', 0, "z")}, 5));
    ASSERT_TRUE(kf.SetStart({P('C', 0, "T")}));
    std::vector<std::string> lines;
    kf.ListLevel(lines);
    EXPECT_EQ(lines, (std::vector<std::string>{"z, 0", "x, 6"}));
    // Parts count their first 32 characters.
    const std::string a32(32, 'a');
    ASSERT_TRUE(Add(kf, {P('C', 0, a32 + "X")}, 2));
    EXPECT_FALSE(Add(kf, {P('C', 0, a32 + "Y")}, 3));
    EXPECT_EQ(kf.Locate({P('C', 0, a32 + "Z")}), 1);
    const auto nodes = Img().nodes;
    EXPECT_TRUE(std::any_of(nodes.begin(), nodes.end(), [&](const Node& n) { return n.name == a32; }));
}

// ---- deletion --------------------------------------------------------------------

TEST_F(KeyFile, DeletingAnAbsentKeyChangesNothing) {
    ASSERT_TRUE(Add(kf, Join({PK("7"), SK("TAG", "a", "7")}), 8));
    ASSERT_TRUE(Add(kf, Join({PK("3"), SK("TAG", "b", "3")}), 4));
    const auto before = ReadBytes(Path());
    const std::vector<TKeyList> absent = {
        // Longer than a present key: the present shorter key must stay.
        {P('C', 0, "P_KEY"), P('N', 0, "0"), P('N', 80, "3"), P('N', 80, "3"), P('C', 0, "deeper")},
        {P('C', 0, "S_KEY"), P('N', 0, "0"), P('C', 0, "TAG"), P('C', 0, "a"), P('N', 80, "7"), P('N', 0, "")},
        // Differing in the last part, or higher up.
        PK("8"),
        {P('C', 0, "P_KEY"), P('N', 0, "1"), P('N', 80, "7")},
        {P('C', 0, "NOPE")},
        // The Type counts.
        {P('C', 0, "P_KEY"), P('N', 0, "0"), P('N', 0, "7")},
        // A prefix of present keys is no key of its own.
        PrimaryPrefix(),
        {P('C', 0, "S_KEY"), P('N', 0, "0"), P('C', 0, "TAG"), P('C', 0, "a")},
    };
    for (size_t i = 0; i < absent.size(); ++i) {
        Del(kf, absent[i]);
        ASSERT_EQ(ReadBytes(Path()), before) << "absent key " << i << " changed the file";
    }
    EXPECT_EQ(std::make_pair(kf.Locate(PK("7")), kf.Locate(SK("TAG", "a", "7"))), std::make_pair(7, 7));
    EXPECT_EQ(Walk(kf), (std::vector<int32_t>{3, 7}));
    EXPECT_EQ(kf.Verify(), "");
}

// ---- result lists and navigation -----------------------------------------------------

// Records 10, 2, 33, 1, 7 with their primary key (pointer text = record number)
// and a secondary key "NAME" over a field holding b, a, a, c, b.
class KeyFileRecords : public KeyFile {
protected:
    void SetUp() override {
        KeyFile::SetUp();
        const std::vector<std::pair<int, std::string>> records = {
            {10, "b"}, {2, "a"}, {33, "a"}, {1, "c"}, {7, "b"}};
        for (const auto& [r, value] : records) {
            const std::string ptr = std::to_string(r);
            ASSERT_TRUE(Add(kf, Join({PK(ptr), SK("NAME", value, ptr)}), r + 1));
        }
    }
    static TKeyList NameIndex() { return {P('C', 0, "S_KEY"), P('N', 0, "0"), P('C', 0, "NAME")}; }
    static TKeyList NameIs(const std::string& value) { return {P('C', 0, "S_KEY"), P('N', 0, "0"), P('C', 0, "NAME"), P('C', 0, value)}; }
    const std::vector<int32_t> primary = {1, 2, 7, 10, 33};
    const std::vector<int32_t> byName = {2, 33, 7, 10, 1};
};

TEST_F(KeyFileRecords, StepsFollowKeyOrderWithinTheList) {
    EXPECT_EQ(Walk(kf), primary);
    EXPECT_EQ(kf.Position(), 4);
    std::vector<int32_t> backwards;
    for (bool ok = kf.Last(); ok; ok = kf.Prior()) backwards.push_back(kf.CurrentRecord());
    EXPECT_EQ(backwards, (std::vector<int32_t>{33, 10, 7, 2, 1}));
    EXPECT_EQ(std::make_tuple(kf.Bof(), kf.Eof(), kf.CurrentRecord()), std::make_tuple(true, false, 1));
    // Every step starts by clearing both flags.
    EXPECT_TRUE(kf.Next() && !kf.Bof());

    kf.GoTo(2);
    for (int32_t outside : {5, -1}) kf.GoTo(outside);
    EXPECT_EQ(std::make_pair(kf.Position(), kf.CurrentRecord()), std::make_pair(2, 7));
    kf.GoTo(4);
    EXPECT_FALSE(kf.Next() || !kf.Eof());

    // Locate moves the list to the key found; a failed search leaves it.
    EXPECT_EQ((std::vector<int32_t>{kf.Locate(PK("7")), kf.Position(), kf.Next(), kf.CurrentRecord()}), (std::vector<int32_t>{7, 2, 1, 10}));
    for (const TKeyList& absent : {PK("5"), TKeyList{}}) EXPECT_EQ(kf.Locate(absent), -2);
    EXPECT_EQ(kf.CurrentRecord(), 10);

    // Adding leaves the list current on its first entry.
    ASSERT_TRUE(Add(kf, Join({PK("0"), SK("NAME", "z", "0")}), 1));
    EXPECT_EQ(std::make_pair(kf.Position(), kf.CurrentRecord()), std::make_pair(0, 0));
}

TEST_F(KeyFileRecords, DeletingTheCurrentRecordMovesToTheNextOne) {
    kf.GoTo(1);  // record 2
    Del(kf, PK("2"));
    EXPECT_EQ(kf.CurrentRecord(), 7);
    EXPECT_EQ(Walk(kf), (std::vector<int32_t>{1, 7, 10, 33}));
    // On the last entry there is no next one: the current record stays.
    ASSERT_TRUE(kf.Last());
    Del(kf, PK("33"));
    EXPECT_EQ(kf.CurrentRecord(), 33);
    EXPECT_EQ(Walk(kf), (std::vector<int32_t>{1, 7, 10}));
}

// A walk that runs ahead hears of the records it reaches next before it
// reaches them, each once, and stops where damage ahead lies, after the
// entries before it.
TEST_F(KeyFileRecords, AWalkRunningAheadHearsOfRecordsBeforeReachingThem) {
    std::vector<int32_t> walked, early;
    kf.SetUpcoming([&](int32_t r) {
        if (std::find(walked.begin(), walked.end(), r) == walked.end()) early.push_back(r);
    });
    for (bool ok = kf.First(); ok; ok = kf.Next()) walked.push_back(kf.CurrentRecord());
    EXPECT_EQ(walked, primary);
    EXPECT_EQ(early, std::vector<int32_t>(primary.begin() + 2, primary.end()));
    kf.Close();
    const Image im = Img();
    int32_t last = im[im[2].down].right;  // the primary level's greatest entry
    while (im[last].right != 0) last = im[last].right;
    PatchNode(Path(), last, kRight, 999999);
    kf.Open();
    walked.clear();
    const std::string caught = MessageOf<korin::Exception>([&] {
        for (bool ok = kf.First(); ok; ok = kf.Next()) walked.push_back(kf.CurrentRecord());
    });
    EXPECT_EQ(walked, primary);
    EXPECT_EQ(caught, "KorKeyTable: GetLeft greift auf einen unerlaubten Tabelleneintrag zu: 999999");
}

// A jump reaches its place directly, through the levels below the selection,
// wherever the list stood before; a place past either end holds no node.
TEST_F(KeyFileRecords, JumpsReachEveryPlaceOfAListOverSeveralLevels) {
    for (const bool leaf : {false, true}) {
        kf.SetSelection(NameIndex(), leaf);
        std::vector<int32_t> reached(byName.size());
        for (const int32_t i : {3, 1, 4, 0, 2}) {
            kf.GoTo(i);
            reached[static_cast<size_t>(i)] = kf.CurrentRecord();
        }
        EXPECT_EQ(reached, byName) << leaf;
        EXPECT_EQ(std::make_pair(kf.ResultNode(5), kf.ResultNode(-1)), std::make_pair(-1, -1)) << leaf;
    }
}

TEST_F(KeyFileRecords, SelectionsChooseTheIndexThePrefixAndLeaves) {
    EXPECT_EQ(Selected(kf, NameIs("b"), false), (std::vector<int32_t>{7, 10}));
    EXPECT_EQ(Selected(kf, {P('C', 255, "S_KEY"), P('N', 255, "0"), P('X', 255, "NAME")}, false), byName);
    // Pointer nodes have no Down tree: in leaf mode the same records come out,
    // and a complete key is its own one result.
    EXPECT_EQ(Selected(kf, NameIndex(), true), byName);
    EXPECT_EQ(Selected(kf, PK("7"), true), (std::vector<int32_t>{7}));
    EXPECT_EQ(Selected(kf, PK("7"), false), (std::vector<int32_t>{}));
    kf.ResetSelection();
    EXPECT_FALSE(kf.LeafMode());
    EXPECT_EQ(Walk(kf), primary);
}

TEST_F(KeyFile, LeafModeCollectsTheNodesWithoutDownTree) {
    // Catalogue-like keys of different depth and no pointer parts.
    ASSERT_TRUE(Add(kf, {P('F', 0, "A"), P('F', 1, "x")}, 5) && Add(kf, {P('F', 0, "A"), P('F', 1, "y")}, 6) &&
                Add(kf, {P('F', 0, "A"), P('F', 0, "sub"), P('F', 1, "z")}, 7) && Add(kf, {P('F', 0, "B")}, 8));
    // Under A: "sub" (number 0) before x and y (number 1); sub's leaf z stands
    // in its place.
    EXPECT_EQ(Selected(kf, {P('F', 0, "A")}, true), (std::vector<int32_t>{6, 4, 5}));
    kf.SetSelection({P('F', 0, "A")}, false);
    EXPECT_EQ(kf.RecordCount(), 0);
    EXPECT_FALSE(kf.First());
    EXPECT_EQ(Selected(kf, {P('F', 0, "B")}, true), (std::vector<int32_t>{7}));
    // Locate of an inner node gives its own record, or -1 where it has none.
    EXPECT_EQ(kf.Locate({P('F', 0, "B")}), 7);
    ASSERT_TRUE(Add(kf, {P('F', 0, "C"), P('F', 1, "y")}, 3));
    EXPECT_EQ(kf.Locate({P('F', 0, "C")}), -1);
}

// ---- start node queries --------------------------------------------------------------

TEST_F(KeyFileRecords, StartNodeQueriesWorkBelowTheStartNode) {
    TIntegerList list;
    ASSERT_TRUE(kf.SetStart({}));
    list.Add(99);
    kf.GetRecords(list);
    std::vector<int32_t> all = primary;
    all.insert(all.end(), byName.begin(), byName.end());
    EXPECT_EQ(list.Values(), all);
    std::vector<std::string> lines = {"stale"};
    kf.ListLevel(lines);
    EXPECT_EQ(lines, (std::vector<std::string>{"P_KEY, 0", "S_KEY, 0"}));

    ASSERT_TRUE(kf.SetStart(NameIs("b")));
    kf.GetRecords(list);
    EXPECT_EQ(list.Values(), (std::vector<int32_t>{7, 10}));
    ASSERT_TRUE(kf.SetStart(PrimaryPrefix()));
    kf.ListLevel(lines);
    EXPECT_EQ(lines, (std::vector<std::string>{"1, 80", "2, 80", "7, 80", "10, 80", "33, 80"}));

    const int32_t start = kf.StartNode();
    EXPECT_FALSE(kf.SetStart({P('C', 0, "NONE")}));
    EXPECT_EQ(kf.StartNode(), start);
}

TEST_F(KeyFile, GetIndexValuesTakesTheRecordsOfNumberZeroParts) {
    // Under T/S: "0" and "1" (number 0) and "2" (number 6) carry records.
    const TKeyList ts = {P('X', 0, "T"), P('X', 0, "S")};
    auto under = [&](const std::string& part) { return TKeyList{ts[0], ts[1], part}; };
    ASSERT_TRUE(Add(kf, under(P('N', 0, "0")), 11) && Add(kf, under(P('N', 0, "1")), 12) && Add(kf, under(P('N', 6, "2")), 13));
    // Starting at S, which has a Down tree; a start node without Down tree gives
    // its own record only, even where it is the root of its level ("1" is,
    // after the third insertion).
    const std::vector<std::pair<TKeyList, std::vector<int32_t>>> cases = {
        {{ts[0]}, {10, 11}}, {under(P('N', 0, "1")), {11}}, {under(P('N', 6, "2")), {12}}};
    TIntegerList list;
    list.Add(-9);
    for (const auto& [start, records] : cases) {
        ASSERT_TRUE(kf.SetStart(start));
        kf.GetIndexValues(list);
        EXPECT_EQ(list.Values(), records) << start.size();
    }
}

// ---- damaged files ---------------------------------------------------------------

// Runs `body` in a child process, which must end by itself within `seconds`
// and return 0.
::testing::AssertionResult EndsWell(const std::function<int()>& body, int seconds = 20) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) return ::testing::AssertionFailure() << "fork failed";
    if (pid == 0) {
        ::alarm(static_cast<unsigned>(seconds));
        int rc = 9;
        try {
            rc = body();
        } catch (...) {
            rc = 8;
        }
        std::fflush(nullptr);
        ::_exit(rc);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFSIGNALED(status)) {
        if (WTERMSIG(status) == SIGALRM) return ::testing::AssertionFailure() << "hangs";
        return ::testing::AssertionFailure() << "crashes with signal " << WTERMSIG(status);
    }
    const int rc = WEXITSTATUS(status);
    if (rc == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << (rc == 3   ? "raises something other than korin::Exception"
                                             : rc == 5 ? "the audit finds nothing wrong"
                                                       : "ends with " + std::to_string(rc));
}

// Every operation on the file must either work or raise korin::Exception, and
// the audit of a damaged file (where it opens) must name the damage.
// 0: so it was; 3: something else was raised; 5: the audit came back empty.
int Exercise(const std::string& dir, const std::string& name, bool damaged) {
    int foreign = 0;
    bool auditEmpty = false;
    auto attempt = [&](const std::function<void()>& f) {
        try {
            f();
        } catch (const korin::Exception&) {
        } catch (...) {
            ++foreign;
        }
    };
    TKorKeyFile kf;
    kf.SetProject(dir);
    kf.SetFileName(name);
    // Walks run ahead, as a table's do.
    kf.SetUpcoming([](int32_t) {});
    attempt([&] { kf.Open(); });
    if (!kf.IsOpen()) return foreign ? 3 : 0;
    attempt([&] { auditEmpty = kf.Verify().empty(); });
    auto walk = [&] {
        attempt([&] { kf.RecordCount(); });
        attempt([&] { for (int i = 0; i < 5000 && (i == 0 ? kf.First() : kf.Next()); ++i) continue; });
        for (const auto& step : {+[](TKorKeyFile& k) { k.Last(); }, +[](TKorKeyFile& k) { k.Prior(); }, +[](TKorKeyFile& k) { k.GoTo(1); }})
            attempt([&] { step(kf); });
    };
    walk();
    for (const TKeyList& key : {PK("1"), SK("NAME", "a", "2")}) attempt([&] { kf.Locate(key); });
    for (bool leaf : {false, true}) {
        attempt([&] { kf.SetSelection({P('C', 0, "S_KEY"), P('N', 0, "0"), P('C', 0, "NAME")}, leaf); });
        walk();
    }
    attempt([&] { kf.ResetSelection(); });
    for (const TKeyList& start : {TKeyList{}, TKeyList{P('C', 0, "P_KEY")}, PrimaryPrefix(), PK("7")}) {
        TIntegerList list;
        std::vector<std::string> lines;
        attempt([&] { kf.SetStart(start), kf.GetRecords(list), kf.GetIndexValues(list), kf.ListLevel(lines); });
    }
    attempt([&] { korin::PreloadKeyPaths(kf.Nodes(), Join({PK("5"), SK("NAME", "q", "5"), PK("1")})); });
    attempt([&] { Add(kf, Join({PK("5"), SK("NAME", "q", "5")}), 6); });
    attempt([&] { Add(kf, PK("0"), 1); });
    walk();
    for (const TKeyList& key : {PK("1"), Join({PK("5"), SK("NAME", "q", "5")}), SK("NAME", "b", "7")}) attempt([&] { Del(kf, key); });
    walk();
    attempt([&] { kf.Verify(); });
    kf.Close();
    attempt([&] { kf.Open(); });
    if (kf.IsOpen()) walk();
    if (foreign) return 3;
    return damaged && auditEmpty ? 5 : 0;
}

TEST_F(KeyFileRecords, DamagedFilesAreSurvivedOrRefused) {
    kf.Close();
    const Image im = Img();
    const int32_t r = im[2].down;  // root of the primary pointer level
    const int32_t l = im[r].left, rr = im[r].right;
    ASSERT_TRUE(l > 0 && rr > 0);
    const int32_t f = im.nextFree, n = im.count;
    const auto original = ReadBytes(Path());
    const std::vector<std::pair<const char*, std::function<void(const std::string&)>>> damages = {
        {"left ring", [&](const std::string& p) { PatchNode(p, l, kLeft, r); }},
        {"right ring", [&](const std::string& p) { PatchNode(p, rr, kRight, r); }},
        {"node its own left child", [&](const std::string& p) { PatchNode(p, r, kLeft, r); }},
        {"node its own right child", [&](const std::string& p) { PatchNode(p, r, kRight, r); }},
        {"Down back to the top", [&](const std::string& p) { PatchNode(p, l, kDown, 1); }},
        {"Down to itself", [&](const std::string& p) { PatchNode(p, 2, kDown, 2); }},
        {"Down to a free node", [&](const std::string& p) { PatchNode(p, 2, kDown, f); }},
        {"free chain ring", [&](const std::string& p) { PatchNode(p, im[f].up, kUp, f); }},
        {"free node its own successor", [&](const std::string& p) { PatchNode(p, f, kUp, f); }},
        {"free chain beyond the file", [&](const std::string& p) { PatchNode(p, f, kUp, 1000000); }},
        {"free chain into the tree", [&](const std::string& p) { Patch(p, 4, r); }},
        {"node lost from the free chain", [&](const std::string& p) { Patch(p, 4, im[f].up); }},
        {"nodes in use unreachable", [&](const std::string& p) { Patch(p, 0, 0); }},
        {"wrong order", [&](const std::string& p) { PatchNode(p, l, kType, 90); }},
        {"wrong owner", [&](const std::string& p) { PatchNode(p, r, kUp, 1); }},
        {"root beyond the file", [&](const std::string& p) { Patch(p, 0, 1000000); }},
        {"root is the high-water node", [&](const std::string& p) { Patch(p, 0, n); }},
        {"negative root", [&](const std::string& p) { Patch(p, 0, -5); }},
        {"root at a free node", [&](const std::string& p) { Patch(p, 0, f); }},
        {"child beyond the file", [&](const std::string& p) { PatchNode(p, r, kLeft, 999999); }},
        {"child is the high-water node", [&](const std::string& p) { PatchNode(p, l, kRight, n); }},
        {"negative child", [&](const std::string& p) { PatchNode(p, r, kRight, -3); }},
        {"balance out of range", [&](const std::string& p) { PatchNode(p, r, kBalance, 5), PatchNode(p, l, kBalance, -7); }},
        {"balance lies", [&](const std::string& p) { PatchNode(p, r, kBalance, -1), PatchNode(p, l, kBalance, 1); }},
    };
    int index = 0;
    for (const auto& [what, apply] : damages) {
        const std::string name = "d" + std::to_string(index++);
        WriteBytes(dir / name, original);
        apply(dir / name);
        EXPECT_TRUE(EndsWell([&] { return Exercise(dir.Path(), name, true); })) << what;
    }
}

// A ring in the secondary index, away from the default selection: inserting or
// deleting there names it, as counting names a node linked twice; finding a key
// reads only the nodes on its path and a list only those below its selection,
// so the primary index stays readable.
TEST_F(KeyFileRecords, ADirectRingIsNamedAndLeavesTheOtherIndexReadable) {
    kf.Close();
    const Image im = Img();
    const int32_t s = im[im.root].right, zero = im[s].down, name = im[zero].down, v = im[name].down;
    ASSERT_EQ(im[v].name, "b");
    ASSERT_NE(im[v].right, 0);
    const auto intact = ReadBytes(Path());
    PatchNode(Path(), v, kLeft, v);
    const auto damaged = ReadBytes(Path());
    // Also: b's Right linked once more as its Left.
    WriteBytes(Path(), intact);
    PatchNode(Path(), v, kLeft, im[v].right);
    const auto twice = ReadBytes(Path());
    const std::string ring = "KorKeyFile: Die Indexdatei ist beschädigt. Es existiert ein direkter Ringverweis!";
    auto countNames = [](TKorKeyFile& probe) {
        probe.SetSelection(NameIndex(), false);
        return MessageOf<korin::EKorKeyError>([&] { probe.RecordCount(); });
    };
    const std::vector<std::tuple<std::string, const std::vector<uint8_t>*, std::function<std::string(TKorKeyFile&)>>>
        operations = {
        {ring, &damaged, [](TKorKeyFile& probe) { Add(probe, SK("NAME", "a", "99"), 100); return std::string(); }},
        {ring, &damaged, [](TKorKeyFile& probe) { Del(probe, SK("NAME", "a", "2")); return std::string(); }},
        {"KorKeyFile: Die Indexdatei ist beschädigt. Ein Eintrag ist mehrfach verknüpft oder Teil eines Rings!",
         &twice, countNames},
        {"locate 7, list 1 2 7 10 33", &damaged, [](TKorKeyFile& probe) {
             std::string text = "locate " + std::to_string(probe.Locate(PK("7"))) + ", list";
             for (int32_t r : Walk(probe)) text += " " + std::to_string(r);
             return text;
         }},
        // Counting the damaged index is refused and leaves no counts behind.
        {"count 5, " + ring + ", count 5", &damaged, [](TKorKeyFile& probe) {
             std::string text = "count " + std::to_string(probe.RecordCount());
             probe.SetSelection(NameIndex(), false);
             text += ", " + MessageOf<korin::EKorKeyError>([&] { probe.RecordCount(); });
             probe.ResetSelection();
             return text + ", count " + std::to_string(probe.RecordCount());
         }},
    };
    const std::string caught = dir / "caught";
    for (const auto& [expected, image, operation] : operations) {
        WriteBytes(Path(), *image);
        std::filesystem::remove(caught);
        // The child writes what it saw or caught.
        ASSERT_TRUE(EndsWell([&] {
            TKorKeyFile probe;
            probe.SetProject(dir.Path());
            probe.SetFileName("000002");
            // Any other exception ends the child with 8.
            std::string seen;
            const std::string text = MessageOf<korin::EKorKeyError>([&] {
                probe.Open();
                seen = operation(probe);
            });
            korin::testing::WriteText(caught, seen.empty() ? text : seen);
            return 0;
        })) << expected;
        EXPECT_EQ(korin::testing::ReadText(caught), expected);
    }
}

TEST_F(KeyFile, ADegenerateTreeIsSurvivedOrRefused) {
    // A top level of 3000 nodes linked to the right, each claiming balance.
    kf.Close();
    const int32_t nodes = 3000;
    std::vector<uint8_t> b(64 * static_cast<size_t>(nodes + 1) + 8, 0);
    Put(b, 0, 1, 4);
    Put(b, 4, nodes + 1, 4);
    for (int32_t k = 1; k <= nodes; ++k) {
        const size_t o = 64 * static_cast<size_t>(k);
        Put(b, o + kRight, k < nodes ? k + 1 : 0, 4);
        Put(b, o + kBalance, k < nodes ? 1 : 0, 2);
        Put(b, o + kDIndex, k, 4);
        Put(b, o + kType, 80, 2);
        const std::string text = std::to_string(k);
        std::memcpy(&b[o + 26], text.c_str(), text.size() + 1);
    }
    WriteBytes(dir / "deep", b);
    EXPECT_TRUE(EndsWell([&] { return Exercise(dir.Path(), "deep", true); }));
}

TEST_F(KeyFileRecords, RandomlyDamagedFilesAreSurvivedOrRefused) {
    kf.Close();
    const auto original = ReadBytes(Path());
    const Image im = Img();
    for (uint32_t seed = 1; seed <= 120; ++seed) {
        std::mt19937 rng(seed);
        auto b = original;
        std::uniform_int_distribution<int32_t> node(0, im.count - 1), value(-2, im.count + 2), count(1, 3),
            field(0, 6), balance(-3, 3);
        for (int i = count(rng); i > 0; --i) {
            const int32_t k = node(rng);
            const int f = field(rng);
            const size_t at = 64 * static_cast<size_t>(k) + (k == 0 ? (f % 2) * 4 : static_cast<size_t>(f) * 4);
            const bool isBalance = f == 4 && k != 0;
            Put(b, at, isBalance ? balance(rng) : value(rng), isBalance ? 2 : 4);
        }
        const std::string name = "r" + std::to_string(seed);
        WriteBytes(dir / name, b);
        EXPECT_TRUE(EndsWell([&] { return Exercise(dir.Path(), name, false); })) << "seed " << seed;
    }
}

}  // namespace
