// The fake registry and message box behind the unit tests.
#include "fake_platform.h"

#include <cstring>

FakePlatform gFake;

// Handles are indexes into this table, offset by one so that no handle is null.
static std::vector<std::map<std::string, FakeKey>::iterator> gHandles;
static std::vector<bool> gHandleOpen;

void ResetFake() {
    gFake = FakePlatform();
    gHandles.clear();
    gHandleOpen.clear();
}

void NameFakePath(const std::string &path, const std::string &name) {
    gFake.names[path] = name;
}

static std::string NameOf(const std::string &path) {
    auto found = gFake.names.find(path);
    return found == gFake.names.end() ? path : found->second;
}

// The open key behind a handle, and its name for the log.
static FakeKey *KeyOf(ProductKey handle, const char *operation, std::string *name) {
    size_t index = (size_t)handle;
    if (index == 0 || index > gHandles.size() || !gHandleOpen[index - 1]) {
        gFake.faults.push_back(std::string(operation) + " on a handle that is not open");
        return nullptr;
    }
    *name = NameOf(gHandles[index - 1]->first);
    return &gHandles[index - 1]->second;
}

PlatformStatus OpenProductKey(const char *productSubKey, ProductKey *key) {
    auto found = gFake.keys.find(productSubKey);
    PlatformStatus status = found == gFake.keys.end() ? kStatusNotFound : found->second.openStatus;
    gFake.log.push_back("open " + NameOf(productSubKey) + " -> " + std::to_string(status));
    if (status != kStatusOk)
        return status;
    gHandles.push_back(found);
    gHandleOpen.push_back(true);
    ++gFake.openHandles;
    *key = (ProductKey)gHandles.size();
    return kStatusOk;
}

PlatformStatus ReadKeyValue(ProductKey key, const char *valueName, unsigned char *buffer,
                            uint32_t *size) {
    std::string name;
    FakeKey *fakeKey = KeyOf(key, "read", &name);
    if (fakeKey == nullptr)
        return 6;  // ERROR_INVALID_HANDLE
    // The run promises a zero-filled buffer of 256 bytes; reading all of it also
    // lets AddressSanitizer catch a smaller one.
    for (int i = 0; i < 256; ++i) {
        if (buffer[i] != 0) {
            gFake.faults.push_back("read into a buffer that is not zero-filled");
            break;
        }
    }
    std::string line = "read " + name + " " + valueName +
                       " offered=" + std::to_string(*size) + " -> ";
    auto value = fakeKey->values.find(valueName);
    PlatformStatus status;
    if (value == fakeKey->values.end()) {
        status = kStatusNotFound;
    } else if (value->second.size() > *size) {
        // As Windows does: the size needed comes back, the buffer is left alone.
        status = kStatusMoreData;
        *size = (uint32_t)value->second.size();
    } else {
        status = kStatusOk;
        memcpy(buffer, value->second.data(), value->second.size());
        *size = (uint32_t)value->second.size();
    }
    gFake.log.push_back(line + std::to_string(status) +
                        (status == kStatusNotFound ? "" : " size=" + std::to_string(*size)));
    return status;
}

PlatformStatus DeleteKeyValue(ProductKey key, const char *valueName) {
    std::string name;
    FakeKey *fakeKey = KeyOf(key, "delete", &name);
    if (fakeKey == nullptr)
        return 6;
    PlatformStatus status = fakeKey->deleteStatus;
    if (status == kStatusOk && fakeKey->values.erase(valueName) == 0)
        status = kStatusNotFound;
    gFake.log.push_back("delete " + name + " " + valueName + " -> " +
                        std::to_string(status));
    return status;
}

void CloseProductKey(ProductKey key) {
    std::string name;
    FakeKey *fakeKey = KeyOf(key, "close", &name);
    if (fakeKey == nullptr)
        return;
    gHandleOpen[(size_t)key - 1] = false;
    --gFake.openHandles;
    gFake.log.push_back("close " + name);
}

void ShowMessage(const char *caption, const char *text, MessageKind kind) {
    if (gFake.openHandles != 0)
        gFake.faults.push_back("message box shown while a key is open");
    gFake.log.push_back(std::string("box ") + caption + "|" + text + "|" +
                        (kind == kMessageError ? "error" : "info"));
}
