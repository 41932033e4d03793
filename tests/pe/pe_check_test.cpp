// The exe checker against the real exes, each broken one way: it must name the rule broken.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>

#include "pe_check.h"

namespace {

Image Load(const std::string &arch) {
    std::string path = std::string(DIST_DIR) + "/" + arch + "/fix-transforms.exe";
    std::ifstream file(path, std::ios::binary);
    Image image((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_FALSE(image.empty()) << path << " is missing: build the " << arch << " preset first";
    return image;
}

void Write16(Image *image, size_t offset, uint16_t value) {
    (*image)[offset] = (unsigned char)value;
    (*image)[offset + 1] = (unsigned char)(value >> 8);
}

// Overwrites the first occurrence of a text with another of the same length.
void Replace(Image *image, const std::string &from, const std::string &to) {
    auto at = std::search(image->begin(), image->end(), from.begin(), from.end());
    ASSERT_NE(image->end(), at) << from << " not found";
    std::copy(to.begin(), to.end(), at);
}

struct Breakage {
    const char *arch;
    const char *what;
    std::function<void(Image *, const PeLayout &)> breakIt;
    const char *expected;
};

const Breakage kBreakages[] = {
    {"x86", "console subsystem", [](Image *i, const PeLayout &l) { Write16(i, l.optionalHeader + 68, 3); },
     "subsystem is 3, not 2 (Windows GUI)"},
    {"x86", "OS version 5.1", [](Image *i, const PeLayout &l) { Write16(i, l.optionalHeader + 42, 1); },
     "operating system version is 5.1, above 5.0"},
    {"x86", "subsystem version 6.0", [](Image *i, const PeLayout &l) { Write16(i, l.optionalHeader + 48, 6); },
     "subsystem version is 6.0, above 5.0"},
    {"x64", "OS version 6.2", [](Image *i, const PeLayout &l) { Write16(i, l.optionalHeader + 40, 6); },
     "operating system version is 6.2, above 5.2"},
    {"x64", "no ASLR", [](Image *i, const PeLayout &l) { (*i)[l.optionalHeader + 70] &= ~0x40; },
     "ASLR is off: DYNAMIC_BASE is not set"},
    {"x86", "no DEP", [](Image *i, const PeLayout &l) { (*i)[l.optionalHeader + 71] &= ~0x01; },
     "DEP is off: NX_COMPAT is not set"},
    {"x64", "no high-entropy ASLR", [](Image *i, const PeLayout &l) { (*i)[l.optionalHeader + 70] &= ~0x20; },
     "HIGH_ENTROPY_VA is not set"},
    {"x86", "no relocations", [](Image *i, const PeLayout &l) { Write16(i, l.dataDirectories + 5 * 8 + 4, 0); },
     "there is no relocation table, so Windows cannot move the image (ASLR)"},
    {"x64", "a C runtime DLL", [](Image *i, const PeLayout &) { Replace(i, "USER32.dll", "MSVCRT.dll"); },
     "imports msvcrt.dll!MessageBoxA, which is not on the allowed list"},
    {"x86", "a wide function", [](Image *i, const PeLayout &) { Replace(i, "MessageBoxA", "MessageBoxW"); },
     "imports user32.dll!MessageBoxW, which is not on the allowed list"},
    {"x64", "no elevation", [](Image *i, const PeLayout &) { Replace(i, "requireAdministrator", "highestAvailable\"   "); },
     "the manifest does not ask for requireAdministrator"},
    {"x86", "no manifest",
     [](Image *i, const PeLayout &l) { Write16(i, ResourceTypeEntryOffset(*i, l, 24), 25); },
     "the manifest resource is missing"},
    {"x64", "no version resource",
     [](Image *i, const PeLayout &l) { Write16(i, ResourceTypeEntryOffset(*i, l, 16), 17); },
     "the version resource is missing"},
    {"x86", "too large", [](Image *i, const PeLayout &) { i->resize(6 * 1024 + 1); },
     "the x86 exe is 6145 bytes, over 6144"},
};

TEST(PeCheck, ReleaseExesKeepEveryRule) {
    for (const char *arch : {"x86", "x64"}) {
        std::vector<std::string> problems = CheckImage(Load(arch), arch);
        EXPECT_EQ(std::vector<std::string>(), problems) << arch;
    }
}

TEST(PeCheck, EachBrokenRuleIsNamed) {
    for (size_t n = 0; n < sizeof(kBreakages) / sizeof(kBreakages[0]); ++n) {
        const Breakage &b = kBreakages[n];
        Image image = Load(b.arch);
        PeLayout layout = ParseLayout(image);
        ASSERT_EQ("", layout.error) << b.arch;
        b.breakIt(&image, layout);
        EXPECT_EQ(std::vector<std::string>{b.expected}, CheckImage(image, b.arch))
            << "breakage " << n << ": " << b.what << " (" << b.arch << ")";
    }
}

TEST(PeCheck, WrongArchitectureOrNotAnExe) {
    EXPECT_EQ(std::vector<std::string>{"machine is 0x8664, not an x86 image"},
              CheckImage(Load("x64"), "x86"));
    EXPECT_EQ(std::vector<std::string>{"not an MZ executable"}, CheckImage(Image(100, 0), "x86"));
}

}  // namespace
