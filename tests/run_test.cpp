// The run against the fake registry: what is read, deleted, closed and shown, and in which order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../repair/repair.h"
#include "fake_platform.h"
#include "test_text.h"

namespace {

typedef std::vector<std::string> Log;

const std::string kPath1 = kRepairTargets[0].expectedTransform;
const std::string kPath2 = kRepairTargets[1].expectedTransform;
const std::string kFixedBox = std::string("box Message Alert|") + kFixedText + "|info";
const std::string kNotRequiredBox = std::string("box Message Alert|") + kNotRequiredText + "|info";
const std::string kFailedBox = std::string("box Message Alert|") + kFailedText + "|error";



class RunTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetFake();
        NameFakePath(kRepairTargets[0].productSubKey, "T1");
        NameFakePath(kRepairTargets[1].productSubKey, "T2");
    }
    void TearDown() override {
        EXPECT_EQ(Log(), gFake.faults);
        EXPECT_EQ(0, gFake.openHandles) << "keys left open";
    }
    FakeKey &Key(int target) { return gFake.keys[kRepairTargets[target].productSubKey]; }
    bool HasTransforms(int target) { return Key(target).values.count("Transforms") != 0; }
};

// Text and exit statuses the user sees; the message texts are the program's own.
TEST_F(RunTest, MessageTextsAreExact) {
    EXPECT_STREQ("Message Alert", kMessageCaption);
    EXPECT_STREQ("The fix was completed succesfully!", kFixedText);
    EXPECT_STREQ("Your system does not require the fix!", kNotRequiredText);
    EXPECT_STREQ("The fix could not be completed! Please run this program as an administrator.",
                 kFailedText);
}

TEST_F(RunTest, NeitherKeyExists) {
    EXPECT_EQ(0, RunRepair());
    EXPECT_EQ(Log({"open T1 -> 2", "open T2 -> 2", kNotRequiredBox}), gFake.log);
}

TEST_F(RunTest, Target1MatchesInLowerCaseTarget2Absent) {
    Key(0).values["Transforms"] = Sz(Lower(kPath1));
    EXPECT_EQ(0, RunRepair());
    EXPECT_EQ(Log({"open T1 -> 0", "read T1 Transforms offered=128 -> 0 size=71",
                   "delete T1 Transforms -> 0", "open T2 -> 2", "close T1", kFixedBox}),
              gFake.log);
    EXPECT_FALSE(HasTransforms(0));
}

TEST_F(RunTest, OnlyTarget2Matches) {
    Key(0).values["Other"] = Sz("kept");
    Key(1).values["Transforms"] = Sz(kPath2);
    EXPECT_EQ(0, RunRepair());
    EXPECT_EQ(Log({"open T1 -> 0", "read T1 Transforms offered=128 -> 2", "open T2 -> 0",
                   "read T2 Transforms offered=128 -> 0 size=71", "delete T2 Transforms -> 0",
                   "close T2", "close T1", kFixedBox}),
              gFake.log);
    EXPECT_FALSE(HasTransforms(1));
}

TEST_F(RunTest, BothMatchOneBox) {
    Key(0).values["Transforms"] = Sz(kPath1);
    Key(1).values["Transforms"] = Sz(kPath2);
    EXPECT_EQ(0, RunRepair());
    EXPECT_EQ(Log({"open T1 -> 0", "read T1 Transforms offered=128 -> 0 size=71",
                   "delete T1 Transforms -> 0", "open T2 -> 0",
                   "read T2 Transforms offered=128 -> 0 size=71", "delete T2 Transforms -> 0",
                   "close T2", "close T1", kFixedBox}),
              gFake.log);
}

TEST_F(RunTest, NonMatchingValueKeptAndKeyClosedAfterTarget2) {
    Key(0).values["Transforms"] = Sz(kPath2);  // the other product's path
    Key(1).values["Transforms"] = Sz("C:\\Winnt\\Installer\\other.mst");
    EXPECT_EQ(0, RunRepair());
    EXPECT_EQ(Log({"open T1 -> 0", "read T1 Transforms offered=128 -> 0 size=71", "open T2 -> 0",
                   "read T2 Transforms offered=128 -> 0 size=29", "close T2", "close T1",
                   kNotRequiredBox}),
              gFake.log);
    EXPECT_TRUE(HasTransforms(0));
    EXPECT_TRUE(HasTransforms(1));
}

TEST_F(RunTest, SecondRunFindsNothingToDo) {
    Key(0).values["Transforms"] = Sz(kPath1);
    EXPECT_EQ(0, RunRepair());
    EXPECT_EQ(kFixedBox, gFake.log.back());
    gFake.log.clear();
    EXPECT_EQ(0, RunRepair());
    EXPECT_EQ(Log({"open T1 -> 0", "read T1 Transforms offered=128 -> 2", "open T2 -> 2",
                   "close T1", kNotRequiredBox}),
              gFake.log);
}

TEST_F(RunTest, OnlyTransformsIsDeleted) {
    FakeKey &key = Key(0);
    key.values["Transforms"] = Sz(kPath1);
    key.values["ProductName"] = Sz("Product");
    key.values[""] = Sz("default");
    key.values["transforms2"] = Sz(kPath1);
    EXPECT_EQ(0, RunRepair());
    EXPECT_EQ((std::map<std::string, std::string>{
                  {"", Sz("default")}, {"ProductName", Sz("Product")}, {"transforms2", Sz(kPath1)}}),
              key.values);
}

// A key that exists but will not open with full access was never checked: the user
// must hear that, while the other target is still repaired.
TEST_F(RunTest, AccessDeniedFailsButOtherTargetIsFixed) {
    Key(0).openStatus = kStatusAccessDenied;
    Key(0).values["Transforms"] = Sz(kPath1);
    Key(1).values["Transforms"] = Sz(kPath2);
    EXPECT_EQ(1, RunRepair());
    EXPECT_EQ(Log({"open T1 -> 5", "open T2 -> 0", "read T2 Transforms offered=128 -> 0 size=71",
                   "delete T2 Transforms -> 0", "close T2", kFailedBox}),
              gFake.log);
    EXPECT_TRUE(HasTransforms(0));
    EXPECT_FALSE(HasTransforms(1));
}

// A deletion that fails is no fix.
TEST_F(RunTest, FailedDeletionIsReportedAsFailure) {
    Key(0).values["Transforms"] = Sz(kPath1);
    Key(0).deleteStatus = kStatusAccessDenied;
    EXPECT_EQ(1, RunRepair());
    EXPECT_EQ(Log({"open T1 -> 0", "read T1 Transforms offered=128 -> 0 size=71",
                   "delete T1 Transforms -> 5", "open T2 -> 2", "close T1", kFailedBox}),
              gFake.log);
    EXPECT_TRUE(HasTransforms(0));
}

// The outcome of each combination of what happens to the two targets.
struct OutcomeCase {
    PlatformStatus open1, delete1, open2, delete2;
    int exitStatus;
    const std::string *box;
};

TEST_F(RunTest, OutcomeTable) {
    const OutcomeCase cases[] = {
        {kStatusOk, kStatusOk, kStatusOk, kStatusOk, 0, &kFixedBox},
        {kStatusNotFound, kStatusOk, kStatusNotFound, kStatusOk, 0, &kNotRequiredBox},
        {kStatusAccessDenied, kStatusOk, kStatusNotFound, kStatusOk, 1, &kFailedBox},
        {kStatusNotFound, kStatusOk, kStatusAccessDenied, kStatusOk, 1, &kFailedBox},
        {1, kStatusOk, kStatusOk, kStatusOk, 1, &kFailedBox},  // any other status fails too
        {kStatusOk, kStatusOk, kStatusOk, kStatusAccessDenied, 1, &kFailedBox},
        {kStatusOk, 1, kStatusOk, 1, 1, &kFailedBox},
    };
    for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
        const OutcomeCase &c = cases[i];
        SetUp();
        Key(0).values["Transforms"] = Sz(kPath1);
        Key(1).values["Transforms"] = Sz(kPath2);
        Key(0).openStatus = c.open1;
        Key(0).deleteStatus = c.delete1;
        Key(1).openStatus = c.open2;
        Key(1).deleteStatus = c.delete2;
        if (c.open1 == kStatusNotFound)
            gFake.keys.erase(kRepairTargets[0].productSubKey);
        if (c.open2 == kStatusNotFound)
            gFake.keys.erase(kRepairTargets[1].productSubKey);
        EXPECT_EQ(c.exitStatus, RunRepair()) << "case " << i;
        EXPECT_EQ(*c.box, gFake.log.back()) << "case " << i;
        EXPECT_EQ(1, std::count_if(gFake.log.begin(), gFake.log.end(),
                                   [](const std::string &l) { return l.rfind("box ", 0) == 0; }))
            << "case " << i;
    }
}

// What the read hands back, byte for byte, and whether that counts as a match.
struct ReadCase {
    std::string data;
    int keyOf;  // which target's key holds it
    bool deleted;
};

TEST_F(RunTest, ReadDataTable) {
    const std::string pad(128, 'x');
    const ReadCase cases[] = {
        {Sz(kPath1), 0, true},
        {kPath1, 0, true},                                  // exactly 70 bytes, no NUL
        {Sz(Lower(kPath1)) + "trailing bytes", 0, true},    // the text ends at the first NUL
        {(Sz(kPath1) + pad).substr(0, 128), 0, true},       // fills the read exactly
        {(Sz(kPath1) + pad).substr(0, 129), 0, false},      // too long for the read
        {kPath1 + (pad).substr(0, 58), 0, false},           // 128 bytes, no NUL, longer text
        {Sz(kPath1 + ";" + kPath2), 0, false},
        {Sz(kPath1 + " "), 0, false},
        {Sz(kPath2), 0, false},
        {Sz(kPath1), 1, false},
        {"", 0, false},
        {std::string(1, '\0') + kPath1, 0, false},
        {Sz(kPath2), 1, true},
    };
    for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
        const ReadCase &c = cases[i];
        SetUp();
        Key(c.keyOf).values["Transforms"] = c.data;
        EXPECT_EQ(0, RunRepair()) << "case " << i;
        EXPECT_EQ(c.deleted, !HasTransforms(c.keyOf)) << "case " << i;
        EXPECT_EQ(c.deleted ? kFixedBox : kNotRequiredBox, gFake.log.back()) << "case " << i;
    }
}

// FixTarget on its own: it reports the key only when the open succeeded.
TEST_F(RunTest, FixTargetHandsBackTheKeyOnlyWhenOpened) {
    const PlatformStatus opens[] = {kStatusOk, kStatusNotFound, kStatusAccessDenied};
    const TargetOutcome outcomes[] = {kTargetNothingToDo, kTargetNothingToDo, kTargetFailed};
    for (size_t i = 0; i < 3; ++i) {
        SetUp();
        if (opens[i] != kStatusNotFound)
            Key(0).openStatus = opens[i];
        unsigned char buffer[kReadBufferSize] = {};
        ProductKey key = (ProductKey)0xBADC0DE;
        bool keyOpened = opens[i] != kStatusOk;  // the opposite of what is expected
        EXPECT_EQ(outcomes[i], FixTarget(kRepairTargets[0], buffer, &key, &keyOpened)) << "case " << i;
        EXPECT_EQ(opens[i] == kStatusOk, keyOpened) << "case " << i;
        if (keyOpened)
            CloseProductKey(key);
        else
            EXPECT_EQ((ProductKey)0xBADC0DE, key) << "case " << i;
    }
}

}  // namespace
