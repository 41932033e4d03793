// An in-memory registry and message box standing in for Windows, recording every call.
#ifndef FIX_TRANSFORMS_FAKE_PLATFORM_H
#define FIX_TRANSFORMS_FAKE_PLATFORM_H

#include <map>
#include <string>
#include <vector>

#include "../repair/platform.h"

const PlatformStatus kStatusAccessDenied = 5;  // ERROR_ACCESS_DENIED
const PlatformStatus kStatusMoreData = 234;    // ERROR_MORE_DATA

struct FakeKey {
    PlatformStatus openStatus = kStatusOk;          // what opening the key answers
    PlatformStatus deleteStatus = kStatusOk;        // what deleting a value answers
    std::map<std::string, std::string> values;      // value name -> raw data bytes
};

// The registry below HKEY_LOCAL_MACHINE, keyed by path, and the log of calls made.
// Log lines: "open T1 -> 0", "read T1 Transforms offered=128 -> 0 size=70",
// "delete T1 Transforms -> 0", "close T1", "box <caption>|<text>|info" (or "|error").
struct FakePlatform {
    std::map<std::string, FakeKey> keys;
    std::map<std::string, std::string> names;  // path -> short name for the log
    std::vector<std::string> log;
    std::vector<std::string> faults;  // misuse seen: bad handles, double closes, dirty buffers
    int openHandles = 0;
};

extern FakePlatform gFake;

// Clears the registry and the logs.
void ResetFake();

// Names a path in the log ("T1" reads better than a product key path).
void NameFakePath(const std::string &path, const std::string &name);

#endif
