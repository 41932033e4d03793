// Checks a built fix-transforms.exe: imports, subsystem and versions, ASLR/DEP, resources, size.
#ifndef FIX_TRANSFORMS_PE_CHECK_H
#define FIX_TRANSFORMS_PE_CHECK_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

typedef std::vector<unsigned char> Image;

// Where the parts of a PE image are, as file offsets; 0 where absent or broken.
struct PeLayout {
    std::string error;          // set when the image cannot be parsed at all
    size_t optionalHeader = 0;  // offset of the optional header
    size_t dataDirectories = 0; // offset of the data directory array
    bool is64 = false;
    uint16_t machine = 0;
    size_t sectionTable = 0;
    unsigned sectionCount = 0;
};

PeLayout ParseLayout(const Image &image);

// The file offset of an RVA, or 0 when no section holds it.
size_t RvaToOffset(const Image &image, const PeLayout &layout, uint32_t rva);

// The file offset of the root resource directory entry for a type id, or 0.
size_t ResourceTypeEntryOffset(const Image &image, const PeLayout &layout, uint32_t type);

// Every rule the exe breaks, one clear sentence each; empty when it keeps them all.
// arch is "x86" or "x64".
std::vector<std::string> CheckImage(const Image &image, const std::string &arch);

#endif
