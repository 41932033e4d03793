// The fixed repair targets, the message texts, and the rule that decides whether a value needs repair.
#include "repair.h"

// Each product key's last component is the packed form of the product code that
// names the folder in its transform path: braces and hyphens dropped, the first
// three groups reversed digit by digit, each later byte's two digits swapped.
const RepairTarget kRepairTargets[kTargetCount] = {
    {"SOFTWARE\\Classes\\Installer\\Products\\904010001E872D116BF00006799C897E",
     "C:\\Winnt\\Installer\\{00010409-78E1-11D2-B60F-006097C998E7}\\00TXM_1C.MST"},
    {"SOFTWARE\\Classes\\Installer\\Products\\904040001E872D116BF00006799C897E",
     "C:\\Winnt\\Installer\\{00040409-78E1-11D2-B60F-006097C998E7}\\00TXM_2C.MST"},
};

const char kTransformsValueName[] = "Transforms";

const char kMessageCaption[] = "Message Alert";
const char kFixedText[] = "The fix was completed succesfully!";
const char kNotRequiredText[] = "Your system does not require the fix!";
const char kFailedText[] =
    "The fix could not be completed! Please run this program as an administrator.";

// Folds a-z to A-Z and leaves every other byte alone, whatever the locale.
static unsigned char FoldLetter(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? (unsigned char)(c - ('a' - 'A')) : c;
}

bool TransformMatches(const char *valueText, const char *expectedTransform) {
    const unsigned char *a = (const unsigned char *)valueText;
    const unsigned char *b = (const unsigned char *)expectedTransform;
    for (;; ++a, ++b) {
        if (FoldLetter(*a) != FoldLetter(*b))
            return false;
        if (*a == 0)
            return true;
    }
}
