// Small string helpers shared by the tests.
#ifndef FIX_TRANSFORMS_TEST_TEXT_H
#define FIX_TRANSFORMS_TEST_TEXT_H

#include <string>

// A-Z folded to a-z, every other byte as it is.
inline std::string Lower(std::string s) {
    for (char &c : s)
        if (c >= 'A' && c <= 'Z')
            c = (char)(c - 'A' + 'a');
    return s;
}

// Registry string data as Windows Installer writes it: the text and its NUL.
inline std::string Sz(const std::string &text) {
    return text + std::string(1, '\0');
}

#endif
