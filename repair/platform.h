// The few platform operations the repair needs, in its own words; one file per platform implements them.
#ifndef FIX_TRANSFORMS_PLATFORM_H
#define FIX_TRANSFORMS_PLATFORM_H

#include <stdint.h>

// Status of a platform operation, as Windows reports it: 0 is success.
typedef uint32_t PlatformStatus;
const PlatformStatus kStatusOk = 0;
const PlatformStatus kStatusNotFound = 2;  // ERROR_FILE_NOT_FOUND: no such key or value

// An open product registration key.
typedef void *ProductKey;

// Opens HKEY_LOCAL_MACHINE\productSubKey with full access.
PlatformStatus OpenProductKey(const char *productSubKey, ProductKey *key);

// Reads the data of the named value into buffer. *size holds the bytes offered on
// entry and the bytes written on success. The value's type is not reported.
PlatformStatus ReadKeyValue(ProductKey key, const char *valueName, unsigned char *buffer,
                            uint32_t *size);

PlatformStatus DeleteKeyValue(ProductKey key, const char *valueName);

void CloseProductKey(ProductKey key);

enum MessageKind { kMessageInformation, kMessageError };

// Shows a modal box with one OK button, owned by no window, and returns when the
// user dismisses it. An information box has no icon; an error box has the error icon.
void ShowMessage(const char *caption, const char *text, MessageKind kind);

#endif
