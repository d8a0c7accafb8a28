// Two key file objects of one process on one file: each sees the other's changes
// in its result list (the counts and the cursor of a list are made anew), and
// never a node that no longer belongs to it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/kor_error.h"
#include "store/kor_key_file.h"
#include "test_support.h"

namespace {

using korin::KeyPart;
using korin::TKeyList;
using korin::TKorKeyFile;

TKeyList Key(int v) { return {KeyPart('C', 0, "P_KEY"), KeyPart('N', 0, "0"), KeyPart('N', 80, std::to_string(v))}; }
bool Add(TKorKeyFile& kf, int v) {
    TKeyList k = Key(v);
    return kf.AddKeys(k, v + 1);
}
void Del(TKorKeyFile& kf, int v) {
    TKeyList k = Key(v);
    kf.DeleteKeys(k);
}

std::vector<int> Walk(TKorKeyFile& kf) {
    std::vector<int> records;
    for (bool ok = kf.First(); ok; ok = kf.Next()) records.push_back(kf.CurrentRecord());
    return records;
}

TEST(KeyFileShared, ChangesOfAnotherObjectShowInTheList) {
    korin::testing::TempDir dir;
    TKorKeyFile a, b;
    for (TKorKeyFile* kf : {&a, &b}) kf->SetProject(dir.Path()), kf->SetFileName("k.idx");
    a.CreateNew(true);
    a.Open();
    for (int v = 0; v < 40; v += 2) Add(a, v);
    b.Open();
    ASSERT_EQ(Walk(b).size(), 20u);  // b's counts and cursor now exist
    b.GoTo(10);
    EXPECT_EQ(b.CurrentRecord(), 20);

    for (int v = 1; v < 40; v += 4) Add(a, v);   // a adds ten records in between b's
    for (int v = 0; v < 12; v += 2) Del(a, v);   // and deletes six of b's
    std::vector<int> expected;
    for (int v = 0; v < 40; ++v)
        if ((v % 2 == 0 && v >= 12) || v % 4 == 1) expected.push_back(v);
    EXPECT_EQ(b.RecordCount(), static_cast<int32_t>(expected.size()));
    EXPECT_EQ(Walk(b), expected);
    b.GoTo(3);
    EXPECT_EQ(b.CurrentRecord(), expected[3]);
    EXPECT_TRUE(b.Locate(Key(17)) == 17 && b.Next());
    EXPECT_EQ(b.CurrentRecord(), 18);
    EXPECT_EQ(b.Verify(), "");

    // b changes the file in turn, past the size it mapped first; a sees it.
    for (int v = 100; v < 300; ++v) ASSERT_TRUE(Add(b, v));
    EXPECT_EQ(a.Locate(Key(299)), 299);
    EXPECT_EQ(Walk(a).size(), expected.size() + 200);
    Del(a, 150);
    EXPECT_EQ(b.Locate(Key(150)), -2);
    EXPECT_EQ(a.Verify(), "");
}

}  // namespace
