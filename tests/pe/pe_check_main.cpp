// pe_check <x86|x64> <exe>: prints every rule the exe breaks and exits 1, or says it is fine.
#include <stdio.h>

#include <fstream>
#include <iterator>

#include "pe_check.h"

int main(int argc, char **argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: pe_check <x86|x64> <exe>\n");
        return 2;
    }
    std::ifstream file(argv[2], std::ios::binary);
    if (!file) {
        fprintf(stderr, "pe_check: %s: cannot read it (build the %s preset first)\n", argv[2], argv[1]);
        return 1;
    }
    Image image((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<std::string> problems = CheckImage(image, argv[1]);
    for (const std::string &problem : problems)
        fprintf(stderr, "pe_check: %s: %s\n", argv[2], problem.c_str());
    if (problems.empty())
        printf("pe_check: %s: %s image, %zu bytes, keeps every rule\n", argv[2], argv[1], image.size());
    return problems.empty() ? 0 : 1;
}
