// The process entry: no C runtime, so this sets up nothing but DLL-search hardening before WinMain.
#include <windows.h>

#include "../repair/repair.h"

// The image's own base address; the linker defines it, so no call is needed to find it.
extern "C" IMAGE_DOS_HEADER __ImageBase;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return RunRepair();
}

// The program runs elevated from wherever it was saved, often a folder full of
// other downloads. Where Windows can (Windows 8, or 7 and Vista with KB2533623),
// DLLs that system DLLs load by name come only from System32. Looked up at run
// time so the program still loads on Windows 2000.
static void RestrictDllSearch() {
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == NULL)
        return;
    SetDefaultDllDirectoriesFn setDefaultDllDirectories =
        (SetDefaultDllDirectoriesFn)(void *)GetProcAddress(kernel, "SetDefaultDllDirectories");
    if (setDefaultDllDirectories != NULL)
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// The arguments part of the command line, as a C runtime would hand it to WinMain.
static LPSTR CommandLineArguments() {
    LPSTR p = GetCommandLineA();
    bool quoted = false;
    for (; *p != 0 && (quoted || (*p != ' ' && *p != '\t')); ++p) {
        if (*p == '"')
            quoted = !quoted;
    }
    while (*p == ' ' || *p == '\t')
        ++p;
    return p;
}

extern "C" void EntryPoint() {
    RestrictDllSearch();
    ExitProcess((UINT)WinMain((HINSTANCE)&__ImageBase, NULL, CommandLineArguments(),
                              SW_SHOWDEFAULT));
}

// The compiler may turn the zero-filling of the read buffers into a call to memset;
// with no C runtime, this is it.
extern "C" void *memset(void *destination, int value, size_t count) {
    unsigned char *p = (unsigned char *)destination;
    while (count-- != 0)
        *p++ = (unsigned char)value;
    return destination;
}
