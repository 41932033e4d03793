// Runs the real fix-transforms.exe against a real registry and message box (under Wine) and checks what it did.
//
//   e2e_driver <fix-transforms.exe>             the end-to-end cases below
//   e2e_driver --press-ok <fix-transforms.exe>  one run: print the box, press OK, print the exit status
//
// Each case empties the product keys, seeds them, records the whole Products
// subtree, runs the exe, reads its box (caption, text, icon, buttons), presses OK,
// waits for the exit status and records the subtree again. Only the values the
// case names may be gone; everything else must be as it was.
#include <windows.h>

#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../test_text.h"

namespace {

const char kProducts[] = "SOFTWARE\\Classes\\Installer\\Products";
const char *const kProductKeys[] = {
    "SOFTWARE\\Classes\\Installer\\Products\\904010001E872D116BF00006799C897E",
    "SOFTWARE\\Classes\\Installer\\Products\\904040001E872D116BF00006799C897E",
    // Another product with the very same value: never the program's business.
    "SOFTWARE\\Classes\\Installer\\Products\\904010001E872D116BF00006799C897F",
};
const std::string kPath1 =
    "C:\\Winnt\\Installer\\{00010409-78E1-11D2-B60F-006097C998E7}\\00TXM_1C.MST";
const std::string kPath2 =
    "C:\\Winnt\\Installer\\{00040409-78E1-11D2-B60F-006097C998E7}\\00TXM_2C.MST";

const char kFixed[] = "The fix was completed succesfully!";
const char kNotRequired[] = "Your system does not require the fix!";
const char kFailed[] = "The fix could not be completed! Please run this program as an administrator.";

// 0x00 and 'x' padding up to a length, for data around the 128-byte read.
std::string Padded(const std::string &text, size_t length) {
    std::string data = Sz(text);
    data.resize(length, 'x');
    return data;
}

struct SeedValue {
    int key;             // index into kProductKeys
    const char *subkey;  // below the product key; "" for the key itself
    const char *name;
    DWORD type;
    std::string data;
};

struct Case {
    const char *name;
    bool reseed;         // false: run again on what the previous case left
    std::vector<SeedValue> seed;
    bool lockKey1;       // product key 1 grants Everyone KEY_READ only
    const char *text;
    bool errorIcon;
    DWORD exitCode;
    std::vector<int> deleted;  // product keys whose "Transforms" must be gone
};

// Seeded in every case, so that "nothing else changed" always has something to check.
std::vector<SeedValue> WithBystanders(std::vector<SeedValue> seed) {
    seed.push_back({2, "", "Transforms", REG_SZ, Sz(kPath1)});
    seed.push_back({2, "SourceList", "PackageName", REG_SZ, Sz("product.msi")});
    return seed;
}

const std::vector<Case> &Cases() {
    static const std::vector<Case> cases = {
        {"neither key", true, {}, false, kNotRequired, false, 0, {}},
        {"target 1 lower case, target 2 absent", true,
         {{0, "", "Transforms", REG_SZ, Sz(Lower(kPath1))}}, false, kFixed, false, 0, {0}},
        {"second run after a fix", false, {}, false, kNotRequired, false, 0, {}},
        {"only target 2 matches", true,
         {{0, "", "ProductName", REG_SZ, Sz("Product 1")},
          {1, "", "Transforms", REG_SZ, Sz(kPath2)}},
         false, kFixed, false, 0, {1}},
        {"both match, one box", true,
         {{0, "", "Transforms", REG_SZ, Sz(kPath1)}, {1, "", "Transforms", REG_SZ, Sz(kPath2)}},
         false, kFixed, false, 0, {0, 1}},
        {"non-matching values kept", true,
         {{0, "", "Transforms", REG_SZ, Sz(kPath2)},
          {1, "", "Transforms", REG_SZ, Sz(kPath2 + ";" + kPath1)}},
         false, kNotRequired, false, 0, {}},
        {"other values and subkeys untouched", true,
         {{0, "", "Transforms", REG_SZ, Sz(kPath1)},
          {0, "", "", REG_SZ, Sz("default value")},
          {0, "", "ProductName", REG_SZ, Sz("Product 1")},
          {0, "", "Language", REG_DWORD, std::string("\x09\x04\0\0", 4)},
          {0, "SourceList", "Transforms", REG_SZ, Sz(kPath1)},
          {0, "Features", "Core", REG_SZ, Sz("")}},
         false, kFixed, false, 0, {0}},
        {"trailing space and another drive kept", true,
         {{0, "", "Transforms", REG_SZ, Sz(kPath1 + " ")},
          {1, "", "Transforms", REG_SZ, Sz("D" + kPath2.substr(1))}},
         false, kNotRequired, false, 0, {}},
        // The type plays no part; the text ends at the first NUL or the end of the data.
        {"expand string and multi-string match", true,
         {{0, "", "Transforms", REG_EXPAND_SZ, Sz(kPath1)},
          {1, "", "Transforms", REG_MULTI_SZ, Sz(kPath2) + Sz("C:\\other.mst") + Sz("")}},
         false, kFixed, false, 0, {0, 1}},
        {"70 bytes with no NUL, and 128 bytes in all", true,
         {{0, "", "Transforms", REG_BINARY, kPath1},
          {1, "", "Transforms", REG_BINARY, Padded(kPath2, 128)}},
         false, kFixed, false, 0, {0, 1}},
        {"129 bytes is too long to read", true,
         {{0, "", "Transforms", REG_BINARY, Padded(kPath1, 129)},
          {1, "", "Transforms", REG_SZ, Padded(kPath2, 200)}},
         false, kNotRequired, false, 0, {}},
        {"empty and leading NUL kept", true,
         {{0, "", "Transforms", REG_SZ, ""},
          {1, "", "Transforms", REG_BINARY, std::string(1, '\0') + kPath2}},
         false, kNotRequired, false, 0, {}},
        {"no full access to key 1: failure, key 2 still fixed", true,
         {{0, "", "Transforms", REG_SZ, Sz(kPath1)}, {1, "", "Transforms", REG_SZ, Sz(kPath2)}},
         true, kFailed, true, 1, {1}},
        {"no full access to key 1, key 2 absent", true,
         {{0, "", "Transforms", REG_SZ, Sz(kPath1)}}, true, kFailed, true, 1, {}},
    };
    return cases;
}

// --- Registry ---------------------------------------------------------------------

std::string Hex(const BYTE *data, DWORD size) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (DWORD i = 0; i < size; ++i) {
        hex += digits[data[i] >> 4];
        hex += digits[data[i] & 15];
    }
    return hex;
}

// Every key, value name, type and data below path, one line each, in enumeration order.
void Snapshot(HKEY parent, const std::string &path, std::vector<std::string> *lines) {
    HKEY key;
    if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    lines->push_back("[" + path + "]");
    for (DWORD i = 0;; ++i) {
        char name[256];
        BYTE data[1024];
        DWORD nameSize = sizeof(name), dataSize = sizeof(data), type = 0;
        if (RegEnumValueA(key, i, name, &nameSize, NULL, &type, data, &dataSize) != ERROR_SUCCESS)
            break;
        lines->push_back("[" + path + "] \"" + name + "\" type " + std::to_string(type) + " " +
                         Hex(data, dataSize));
    }
    std::vector<std::string> subkeys;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameSize = sizeof(name);
        if (RegEnumKeyExA(key, i, name, &nameSize, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        subkeys.push_back(name);
    }
    RegCloseKey(key);
    for (const std::string &subkey : subkeys)
        Snapshot(parent, path + "\\" + subkey, lines);
}

std::vector<std::string> ProductsSnapshot() {
    std::vector<std::string> lines;
    Snapshot(HKEY_LOCAL_MACHINE, kProducts, &lines);
    return lines;
}

// A DACL with a single ACE for Everyone; a null access mask means no DACL at all.
bool SetEveryoneAccess(HKEY key, DWORD access) {
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    BYTE aclBuffer[256];
    PACL acl = (PACL)aclBuffer;
    if (access != 0) {
        SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
        PSID everyone;
        AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
        InitializeAcl(acl, sizeof(aclBuffer), ACL_REVISION);
        AddAccessAllowedAce(acl, ACL_REVISION, access, everyone);
        FreeSid(everyone);
    }
    SetSecurityDescriptorDacl(&descriptor, TRUE, access != 0 ? acl : NULL, FALSE);
    return RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
}

void EmptyProductKeys() {
    for (const char *path : kProductKeys) {
        HKEY key;
        // As owner we may always rewrite the DACL, even of a key we locked.
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, WRITE_DAC, &key) == ERROR_SUCCESS) {
            SetEveryoneAccess(key, 0);
            RegCloseKey(key);
        }
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, path);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, path);
    }
}

std::string Seed(const std::vector<SeedValue> &seed, bool lockKey1) {
    for (const SeedValue &value : seed) {
        std::string path = kProductKeys[value.key];
        if (*value.subkey != 0)
            path += std::string("\\") + value.subkey;
        HKEY key;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL,
                            &key, NULL) != ERROR_SUCCESS)
            return "cannot create " + path;
        LONG status = RegSetValueExA(key, value.name, 0, value.type, (const BYTE *)value.data.data(),
                                     (DWORD)value.data.size());
        RegCloseKey(key);
        if (status != ERROR_SUCCESS)
            return std::string("cannot set ") + value.name + ": " + std::to_string(status);
    }
    if (lockKey1) {
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductKeys[0], 0, WRITE_DAC, &key) != ERROR_SUCCESS ||
            !SetEveryoneAccess(key, KEY_READ))
            return "cannot lock product key 1";
        RegCloseKey(key);
        LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductKeys[0], 0, KEY_ALL_ACCESS, &key);
        if (status == ERROR_SUCCESS)
            RegCloseKey(key);
        if (status != ERROR_ACCESS_DENIED)
            return "locked key opens with full access anyway: status " + std::to_string(status);
    }
    return "";
}

// --- The program and its box ---------------------------------------------------------

struct Box {
    HWND window = NULL;
    std::string caption, text, buttons;  // buttons: their texts, joined with '|'
    bool hasIcon = false;
};

struct FindBox {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindTopLevel(HWND window, LPARAM param) {
    FindBox *find = (FindBox *)param;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == find->processId && IsWindowVisible(window)) {
        find->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK ReadChild(HWND child, LPARAM param) {
    Box *box = (Box *)param;
    char className[64], text[256];
    GetClassNameA(child, className, sizeof(className));
    GetWindowTextA(child, text, sizeof(text));
    LONG style = GetWindowLongA(child, GWL_STYLE);
    if (lstrcmpiA(className, "Button") == 0 && (style & WS_VISIBLE)) {
        box->buttons += (box->buttons.empty() ? "" : "|") + std::string(text);
    } else if (lstrcmpiA(className, "Static") == 0 && (style & WS_VISIBLE) &&
               (style & SS_TYPEMASK) == SS_ICON) {
        HICON icon = (HICON)SendMessageA(child, STM_GETICON, 0, 0);
        // The handle belongs to the program's process, so which icon it is cannot be
        // read from here; that there is one (the error box) or none (the others) can.
        box->hasIcon = icon != NULL;
    }
    return TRUE;
}

// The visible top-level window of the process, waited for up to timeoutMs.
bool WaitForBox(DWORD processId, HANDLE process, DWORD timeoutMs, Box *box) {
    for (DWORD waited = 0; waited <= timeoutMs; waited += 50) {
        FindBox find = {processId, NULL};
        EnumWindows(FindTopLevel, (LPARAM)&find);
        if (find.found != NULL) {
            Sleep(200);  // let the dialog finish laying out its controls
            box->window = find.found;
            char text[512];
            GetWindowTextA(find.found, text, sizeof(text));
            box->caption = text;
            GetDlgItemTextA(find.found, 0xFFFF, text, sizeof(text));
            box->text = text;
            EnumChildWindows(find.found, ReadChild, (LPARAM)box);
            return true;
        }
        if (WaitForSingleObject(process, 50) == WAIT_OBJECT_0)
            return false;
    }
    return false;
}

void PressOk(const Box &box) {
    PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 (LPARAM)GetDlgItem(box.window, IDOK));
}

struct RunResult {
    std::vector<Box> boxes;  // every box seen, in order
    DWORD exitCode = 0;
    bool ended = false;
    std::string error;
};

RunResult RunProgram(const std::string &exe) {
    RunResult result;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::string commandLine = "\"" + exe + "\"";
    if (!CreateProcessA(exe.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                        &process)) {
        result.error = "cannot start " + exe + ": error " + std::to_string(GetLastError());
        return result;
    }
    // Answer every box that appears until the process ends; more than one is a fault
    // the case reports, and answering it lets the process end all the same.
    DWORD timeoutMs = 20000;  // the first start in a new Wine machine is slow
    for (int i = 0; i < 3; ++i) {
        Box box;
        if (!WaitForBox(process.dwProcessId, process.hProcess, timeoutMs, &box))
            break;
        result.boxes.push_back(box);
        PressOk(box);
        // Wait for the box to go before looking for another one.
        for (int w = 0; w < 100 && IsWindow(box.window) && IsWindowVisible(box.window); ++w)
            Sleep(20);
        timeoutMs = 2000;
    }
    result.ended = WaitForSingleObject(process.hProcess, 5000) == WAIT_OBJECT_0;
    if (!result.ended)
        TerminateProcess(process.hProcess, 255);
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}

std::string Describe(const RunResult &run) {
    std::string s = std::to_string(run.boxes.size()) + " box(es)";
    for (const Box &box : run.boxes)
        s += "; caption \"" + box.caption + "\" text \"" + box.text + "\" buttons \"" + box.buttons +
             "\"" + (box.hasIcon ? " with an icon" : " with no icon");
    s += run.ended ? "; exit status " + std::to_string(run.exitCode) : "; did not end";
    return s;
}

// What the case expects the subtree to be after the run: the same, less the deleted values.
std::vector<std::string> Without(std::vector<std::string> lines, const std::vector<int> &deleted) {
    for (int key : deleted) {
        std::string line = std::string("[") + kProductKeys[key] + "] \"Transforms\" ";
        for (size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].compare(0, line.size(), line) == 0) {
                lines.erase(lines.begin() + (long)i);
                break;
            }
        }
    }
    return lines;
}

std::string Difference(const std::vector<std::string> &expected,
                       const std::vector<std::string> &actual) {
    std::string s;
    for (const std::string &line : expected)
        if (std::find(actual.begin(), actual.end(), line) == actual.end())
            s += "\n    missing: " + line;
    for (const std::string &line : actual)
        if (std::find(expected.begin(), expected.end(), line) == expected.end())
            s += "\n    unexpected: " + line;
    if (s.empty() && expected != actual)
        s = "\n    same lines in another order";
    return s;
}

// Wine hands Unix paths over as they are; Windows calls want its Z: drive.
std::string WindowsPath(std::string path) {
    if (!path.empty() && path[0] == '/') {
        for (char &c : path)
            if (c == '/')
                c = '\\';
        path = "Z:" + path;
    }
    return path;
}

// The version resource as Windows reads it: every field a user sees in the file's properties.
std::string CheckVersionResource(const std::string &exe) {
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &handle);
    std::vector<char> info(size);
    if (size == 0 || !GetFileVersionInfoA(exe.c_str(), 0, size, info.data()))
        return "no version information: error " + std::to_string(GetLastError());
    std::string problem;
    const char *fields[] = {"FileDescription", "ProductName",    "FileVersion",
                            "ProductVersion",  "OriginalFilename", "LegalCopyright"};
    for (const char *field : fields) {
        char *value = NULL;
        UINT length = 0;
        std::string path = std::string("\\StringFileInfo\\040904b0\\") + field;
        if (!VerQueryValueA(info.data(), path.c_str(), (void **)&value, &length) || length <= 1)
            problem += std::string(problem.empty() ? "" : ", ") + field + " missing";
        else if (std::string(field) == "OriginalFilename" && std::string(value) != "fix-transforms.exe")
            problem += std::string(problem.empty() ? "" : ", ") + "OriginalFilename is " + value;
    }
    return problem;
}

int RunCases(const std::string &exe) {
    int passed = 0, failed = 0;
    std::string versionProblem = CheckVersionResource(exe);
    if (versionProblem.empty()) {
        ++passed;
        printf("ok 0 - version resource\n");
    } else {
        ++failed;
        printf("FAIL 0 - version resource: %s\n", versionProblem.c_str());
    }
    const std::vector<Case> &cases = Cases();
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case &c = cases[i];
        std::string problem;
        if (c.reseed) {
            EmptyProductKeys();
            problem = Seed(WithBystanders(c.seed), c.lockKey1);
        }
        std::vector<std::string> before = ProductsSnapshot();
        RunResult run;
        if (problem.empty()) {
            run = RunProgram(exe);
            problem = run.error;
        }
        if (problem.empty()) {
            const Box *box = run.boxes.empty() ? NULL : &run.boxes[0];
            if (run.boxes.size() != 1 || box->caption != "Message Alert" || box->text != c.text ||
                box->buttons != "OK" || box->hasIcon != c.errorIcon || !run.ended ||
                run.exitCode != c.exitCode) {
                problem = "expected 1 box \"" + std::string(c.text) + "\"" +
                          (c.errorIcon ? " with an icon" : " with no icon") + ", exit status " +
                          std::to_string(c.exitCode) + "; saw " + Describe(run);
            }
            std::string changes = Difference(Without(before, c.deleted), ProductsSnapshot());
            if (!changes.empty())
                problem += (problem.empty() ? "" : "; ") + std::string("registry after the run:") + changes;
        }
        if (problem.empty()) {
            ++passed;
            printf("ok %zu - %s\n", i + 1, c.name);
        } else {
            ++failed;
            printf("FAIL %zu - %s: %s\n", i + 1, c.name, problem.c_str());
        }
        fflush(stdout);
    }
    EmptyProductKeys();
    printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc == 3 && std::string(argv[1]) == "--press-ok") {
        RunResult run = RunProgram(WindowsPath(argv[2]));
        if (!run.error.empty()) {
            printf("%s\n", run.error.c_str());
            return 2;
        }
        for (const Box &box : run.boxes)
            printf("box: [%s] %s%s  (buttons: %s; pressed OK)\n", box.caption.c_str(),
                   box.text.c_str(), box.hasIcon ? "  (with an icon)" : "", box.buttons.c_str());
        if (run.ended)
            printf("exit status: %lu\n", (unsigned long)run.exitCode);
        else
            printf("the program did not end\n");
        return run.boxes.size() == 1 && run.ended ? 0 : 1;
    }
    if (argc != 2) {
        fprintf(stderr, "usage: e2e_driver [--press-ok] <fix-transforms.exe>\n");
        return 2;
    }
    return RunCases(WindowsPath(argv[1]));
}
