// The repair's platform operations bound to the Windows registry and message box.
#include <windows.h>

#include "../repair/platform.h"

PlatformStatus OpenProductKey(const char *productSubKey, ProductKey *key) {
    HKEY opened;
    LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, productSubKey, 0, KEY_ALL_ACCESS, &opened);
    if (status == ERROR_SUCCESS)
        *key = opened;
    return (PlatformStatus)status;
}

PlatformStatus ReadKeyValue(ProductKey key, const char *valueName, unsigned char *buffer,
                            uint32_t *size) {
    DWORD type;  // received because Windows reports it; the repair does not use it
    DWORD bytes = *size;
    LONG status = RegQueryValueExA((HKEY)key, valueName, NULL, &type, buffer, &bytes);
    *size = bytes;
    return (PlatformStatus)status;
}

PlatformStatus DeleteKeyValue(ProductKey key, const char *valueName) {
    return (PlatformStatus)RegDeleteValueA((HKEY)key, valueName);
}

void CloseProductKey(ProductKey key) {
    RegCloseKey((HKEY)key);
}

void ShowMessage(const char *caption, const char *text, MessageKind kind) {
    MessageBoxA(NULL, text, caption, kind == kMessageError ? MB_OK | MB_ICONERROR : MB_OK);
}
