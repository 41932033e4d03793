// The rules a release exe must keep, read from its PE headers, import table and resources.
#include "pe_check.h"

#include "../test_text.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>

namespace {

const uint32_t kDirImport = 1, kDirResource = 2, kDirReloc = 5;
const uint32_t kResourceVersion = 16, kResourceManifest = 24;
const size_t kMaxX86Size = 6 * 1024;

struct AllowedImport {
    const char *dll;
    const char *function;
};

// Every function the exe may import; each exists on Windows 2000.
const AllowedImport kAllowedImports[] = {
    {"advapi32.dll", "RegOpenKeyExA"},    {"advapi32.dll", "RegQueryValueExA"},
    {"advapi32.dll", "RegDeleteValueA"},  {"advapi32.dll", "RegCloseKey"},
    {"user32.dll", "MessageBoxA"},        {"kernel32.dll", "ExitProcess"},
    {"kernel32.dll", "GetCommandLineA"},  {"kernel32.dll", "GetModuleHandleA"},
    {"kernel32.dll", "GetProcAddress"},
};

uint16_t Read16(const Image &image, size_t offset) {
    return offset + 2 <= image.size() ? (uint16_t)(image[offset] | image[offset + 1] << 8) : 0;
}

uint32_t Read32(const Image &image, size_t offset) {
    return offset + 4 <= image.size() ? (uint32_t)Read16(image, offset) | (uint32_t)Read16(image, offset + 2) << 16
                                      : 0;
}

uint64_t Read64(const Image &image, size_t offset) {
    return (uint64_t)Read32(image, offset) | (uint64_t)Read32(image, offset + 4) << 32;
}

// A NUL-terminated string at a file offset, cut at 256 bytes or the end of the file.
std::string ReadString(const Image &image, size_t offset) {
    std::string s;
    while (offset != 0 && offset < image.size() && image[offset] != 0 && s.size() < 256)
        s += (char)image[offset++];
    return s;
}


uint32_t DirectoryRva(const Image &image, const PeLayout &layout, uint32_t index) {
    return Read32(image, layout.dataDirectories + index * 8);
}

uint32_t DirectorySize(const Image &image, const PeLayout &layout, uint32_t index) {
    return Read32(image, layout.dataDirectories + index * 8 + 4);
}

std::string Version(uint16_t major, uint16_t minor) {
    return std::to_string(major) + "." + std::to_string(minor);
}

void CheckImports(const Image &image, const PeLayout &layout, std::vector<std::string> *problems) {
    size_t descriptor = RvaToOffset(image, layout, DirectoryRva(image, layout, kDirImport));
    if (descriptor == 0) {
        problems->push_back("there is no import table");
        return;
    }
    for (;; descriptor += 20) {
        uint32_t lookupRva = Read32(image, descriptor);
        uint32_t nameRva = Read32(image, descriptor + 12);
        uint32_t addressRva = Read32(image, descriptor + 16);
        if (nameRva == 0)
            break;
        std::string dll = Lower(ReadString(image, RvaToOffset(image, layout, nameRva)));
        size_t thunk = RvaToOffset(image, layout, lookupRva != 0 ? lookupRva : addressRva);
        size_t thunkSize = layout.is64 ? 8 : 4;
        for (;; thunk += thunkSize) {
            uint64_t entry = layout.is64 ? Read64(image, thunk) : Read32(image, thunk);
            if (entry == 0 || thunk == 0)
                break;
            uint64_t byOrdinal = layout.is64 ? 1ull << 63 : 1ull << 31;
            if (entry & byOrdinal) {
                problems->push_back("imports ordinal " + std::to_string(entry & 0xFFFF) + " from " + dll);
                continue;
            }
            std::string function = ReadString(image, RvaToOffset(image, layout, (uint32_t)entry + 2));
            bool allowed = false;
            for (const AllowedImport &a : kAllowedImports)
                allowed = allowed || (dll == a.dll && function == a.function);
            if (!allowed)
                problems->push_back("imports " + dll + "!" + function + ", which is not on the allowed list");
        }
    }
}

// The data of the first resource of a type (any name, any language), or empty.
std::string ResourceData(const Image &image, const PeLayout &layout, uint32_t type) {
    size_t root = RvaToOffset(image, layout, DirectoryRva(image, layout, kDirResource));
    size_t entry = ResourceTypeEntryOffset(image, layout, type);
    if (root == 0 || entry == 0)
        return "";
    // Type entry -> name directory -> language directory -> data entry.
    uint32_t next = Read32(image, entry + 4);
    for (int level = 0; level < 2; ++level) {
        if (!(next & 0x80000000u))
            return "";
        size_t directory = root + (next & 0x7FFFFFFFu);
        if (Read16(image, directory + 12) + Read16(image, directory + 14) == 0)
            return "";
        next = Read32(image, directory + 16 + 4);
    }
    if (next & 0x80000000u)
        return "";
    size_t dataEntry = root + next;
    size_t data = RvaToOffset(image, layout, Read32(image, dataEntry));
    uint32_t size = Read32(image, dataEntry + 4);
    if (data == 0 || data + size > image.size())
        return "";
    return std::string(image.begin() + (long)data, image.begin() + (long)(data + size));
}

}  // namespace

PeLayout ParseLayout(const Image &image) {
    PeLayout layout;
    if (image.size() < 0x40 || image[0] != 'M' || image[1] != 'Z') {
        layout.error = "not an MZ executable";
        return layout;
    }
    size_t pe = Read32(image, 0x3C);
    if (pe + 24 > image.size() || memcmp(&image[pe], "PE\0\0", 4) != 0) {
        layout.error = "no PE signature";
        return layout;
    }
    layout.machine = Read16(image, pe + 4);
    layout.sectionCount = Read16(image, pe + 6);
    size_t optionalSize = Read16(image, pe + 20);
    layout.optionalHeader = pe + 24;
    uint16_t magic = Read16(image, layout.optionalHeader);
    if (magic != 0x10B && magic != 0x20B) {
        layout.error = "unknown optional header magic";
        return layout;
    }
    layout.is64 = magic == 0x20B;
    layout.dataDirectories = layout.optionalHeader + (layout.is64 ? 112 : 96);
    layout.sectionTable = layout.optionalHeader + optionalSize;
    if (layout.sectionTable + layout.sectionCount * 40 > image.size())
        layout.error = "section table past the end of the file";
    return layout;
}

size_t RvaToOffset(const Image &image, const PeLayout &layout, uint32_t rva) {
    for (unsigned i = 0; i < layout.sectionCount && rva != 0; ++i) {
        size_t section = layout.sectionTable + i * 40;
        uint32_t virtualSize = Read32(image, section + 8);
        uint32_t virtualAddress = Read32(image, section + 12);
        uint32_t rawSize = Read32(image, section + 16);
        uint32_t rawOffset = Read32(image, section + 20);
        if (rva >= virtualAddress && rva < virtualAddress + std::max(virtualSize, rawSize)) {
            size_t offset = rawOffset + (rva - virtualAddress);
            return offset < image.size() ? offset : 0;
        }
    }
    return 0;
}

size_t ResourceTypeEntryOffset(const Image &image, const PeLayout &layout, uint32_t type) {
    size_t root = RvaToOffset(image, layout, DirectoryRva(image, layout, kDirResource));
    if (root == 0)
        return 0;
    unsigned named = Read16(image, root + 12), ids = Read16(image, root + 14);
    for (unsigned i = 0; i < named + ids; ++i) {
        size_t entry = root + 16 + i * 8;
        if (Read32(image, entry) == type)
            return entry;
    }
    return 0;
}

std::vector<std::string> CheckImage(const Image &image, const std::string &arch) {
    std::vector<std::string> problems;
    PeLayout layout = ParseLayout(image);
    if (!layout.error.empty()) {
        problems.push_back(layout.error);
        return problems;
    }
    bool x64 = arch == "x64";
    uint16_t machine = x64 ? 0x8664 : 0x14C;
    if (layout.machine != machine || layout.is64 != x64) {
        char text[80];
        snprintf(text, sizeof(text), "machine is 0x%04x, not an %s image", layout.machine, arch.c_str());
        problems.push_back(text);
        return problems;
    }

    size_t o = layout.optionalHeader;
    uint16_t subsystem = Read16(image, o + 68);
    if (subsystem != 2)
        problems.push_back("subsystem is " + std::to_string(subsystem) + ", not 2 (Windows GUI)");
    // Windows 2000 refuses an image that asks for a later version than 5.0; x64
    // Windows starts at 5.2.
    uint16_t maxMinor = x64 ? 2 : 0;
    struct { const char *name; size_t offset; } versions[] = {
        {"operating system version", 40}, {"subsystem version", 48}};
    for (const auto &v : versions) {
        uint16_t major = Read16(image, o + v.offset), minor = Read16(image, o + v.offset + 2);
        if (major > 5 || (major == 5 && minor > maxMinor))
            problems.push_back(std::string(v.name) + " is " + Version(major, minor) + ", above " +
                               Version(5, maxMinor));
    }

    uint16_t dllCharacteristics = Read16(image, o + 70);
    if (!(dllCharacteristics & 0x0040))
        problems.push_back("ASLR is off: DYNAMIC_BASE is not set");
    if (!(dllCharacteristics & 0x0100))
        problems.push_back("DEP is off: NX_COMPAT is not set");
    if (x64 && !(dllCharacteristics & 0x0020))
        problems.push_back("HIGH_ENTROPY_VA is not set");
    uint16_t characteristics = Read16(image, layout.optionalHeader - 20 + 18);
    if ((characteristics & 0x0001) || DirectorySize(image, layout, kDirReloc) == 0)
        problems.push_back("there is no relocation table, so Windows cannot move the image (ASLR)");

    CheckImports(image, layout, &problems);

    std::string manifest = ResourceData(image, layout, kResourceManifest);
    if (manifest.empty())
        problems.push_back("the manifest resource is missing");
    else if (manifest.find("level=\"requireAdministrator\"") == std::string::npos)
        problems.push_back("the manifest does not ask for requireAdministrator");
    if (ResourceData(image, layout, kResourceVersion).empty())
        problems.push_back("the version resource is missing");

    if (!x64 && image.size() > kMaxX86Size)
        problems.push_back("the x86 exe is " + std::to_string(image.size()) + " bytes, over " +
                           std::to_string(kMaxX86Size));
    return problems;
}
