// The matching rule on its own: only a-z fold, the whole text must match.
#include <gtest/gtest.h>

#include "../repair/repair.h"

namespace {

const char *const kPath1 = kRepairTargets[0].expectedTransform;
const char *const kPath2 = kRepairTargets[1].expectedTransform;

TEST(RepairTargets, TableHoldsTheTwoProductsInOrder) {
    EXPECT_STREQ("SOFTWARE\\Classes\\Installer\\Products\\904010001E872D116BF00006799C897E",
                 kRepairTargets[0].productSubKey);
    EXPECT_STREQ("C:\\Winnt\\Installer\\{00010409-78E1-11D2-B60F-006097C998E7}\\00TXM_1C.MST",
                 kPath1);
    EXPECT_STREQ("SOFTWARE\\Classes\\Installer\\Products\\904040001E872D116BF00006799C897E",
                 kRepairTargets[1].productSubKey);
    EXPECT_STREQ("C:\\Winnt\\Installer\\{00040409-78E1-11D2-B60F-006097C998E7}\\00TXM_2C.MST",
                 kPath2);
    EXPECT_EQ(70u, strlen(kPath1));
    EXPECT_EQ(70u, strlen(kPath2));
    EXPECT_STREQ("Transforms", kTransformsValueName);
}

struct MatchCase {
    const char *valueText;
    const char *expected;
    bool matches;
};

const MatchCase kMatchCases[] = {
    {"C:\\Winnt\\Installer\\{00010409-78E1-11D2-B60F-006097C998E7}\\00TXM_1C.MST", kPath1, true},
    {"c:\\winnt\\installer\\{00010409-78e1-11d2-b60f-006097c998e7}\\00txm_1c.mst", kPath1, true},
    {"C:\\WINNT\\installer\\{00010409-78e1-11D2-b60F-006097C998E7}\\00Txm_1c.Mst", kPath1, true},
    {"c:\\winnt\\installer\\{00040409-78e1-11d2-b60f-006097c998e7}\\00txm_2c.mst", kPath2, true},
    // Another target's path, or the same file elsewhere.
    {"C:\\Winnt\\Installer\\{00040409-78E1-11D2-B60F-006097C998E7}\\00TXM_2C.MST", kPath1, false},
    {"C:\\Winnt\\Installer\\{00010409-78E1-11D2-B60F-006097C998E7}\\00TXM_1C.MST", kPath2, false},
    {"D:\\Winnt\\Installer\\{00010409-78E1-11D2-B60F-006097C998E7}\\00TXM_1C.MST", kPath1, false},
    {"C:\\Windows\\Installer\\{00010409-78E1-11D2-B60F-006097C998E7}\\00TXM_1C.MST", kPath1, false},
    {"C:/Winnt/Installer/{00010409-78E1-11D2-B60F-006097C998E7}/00TXM_1C.MST", kPath1, false},
    // The whole text must match: no trimming, no search inside a list.
    {"C:\\Winnt\\Installer\\{00010409-78E1-11D2-B60F-006097C998E7}\\00TXM_1C.MST ", kPath1, false},
    {" C:\\Winnt\\Installer\\{00010409-78E1-11D2-B60F-006097C998E7}\\00TXM_1C.MST", kPath1, false},
    {"C:\\Winnt\\Installer\\{00010409-78E1-11D2-B60F-006097C998E7}\\00TXM_1C.MST;"
     "C:\\Winnt\\Installer\\{00040409-78E1-11D2-B60F-006097C998E7}\\00TXM_2C.MST",
     kPath1, false},
    {"C:\\Winnt\\Installer\\{00010409-78E1-11D2-B60F-006097C998E7}\\00TXM_1C.MS", kPath1, false},
    {"", kPath1, false},
    // Only a-z fold: not the neighbours of the letters, not bytes above 0x7F.
    {"{", "[", false},
    {"`", "@", false},
    {"~", "^", false},
    {"\xE9", "\xC9", false},
    {"\xE9", "\xE9", true},
    {"az", "AZ", true},
    {"", "", true},
};

TEST(TransformMatches, Table) {
    for (size_t i = 0; i < sizeof(kMatchCases) / sizeof(kMatchCases[0]); ++i) {
        const MatchCase &c = kMatchCases[i];
        EXPECT_EQ(c.matches, TransformMatches(c.valueText, c.expected))
            << "case " << i << ": value \"" << c.valueText << "\" against \"" << c.expected << "\"";
        // The rule is symmetric: folding applies to both sides.
        EXPECT_EQ(c.matches, TransformMatches(c.expected, c.valueText)) << "case " << i << " reversed";
    }
}

}  // namespace
