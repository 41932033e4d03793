// libFuzzer target: the whole run over a registry whose every answer comes from the fuzz input.
//
// The input is read as the run makes its calls, a byte at a time (zeros once it
// runs out):
//   open:   selector  -> 0, 2 (not found), 5 (access denied), or another failure
//   read:   selector  -> 0, 2, 234 (more data), or another failure; on 0 it goes on:
//           length    -> the size reported, 0..255 (past 128 breaks the platform's word)
//           bytes     -> min(length, bytes offered) bytes of data
//   delete: selector  -> 0 (half the time), 5, or another failure
// After each run it checks what the run did against what it was told.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "../../repair/repair.h"

namespace {

const uint8_t *gInput;
size_t gInputLeft;

uint8_t NextByte() {
    if (gInputLeft == 0)
        return 0;
    --gInputLeft;
    return *gInput++;
}

const unsigned kNoTarget = kTargetCount;

// What happened to each target, as told and as seen.
struct TargetRecord {
    bool openCalled, opened;
    PlatformStatus openStatus;
    int handle;  // the slot its key was given
    bool readCalled;
    PlatformStatus readStatus;
    uint32_t reportedSize;
    const unsigned char *buffer;  // where the run asked the data to go
    unsigned char data[256];
    bool deleteCalled;
    PlatformStatus deleteStatus;
    int closeCount;
};

TargetRecord gTargets[kTargetCount];
int gKeySlots[kTargetCount];  // the addresses handed out as keys
int gEventIndex;
int gOpenEvent[kTargetCount], gCloseEvent[kTargetCount], gBoxEvent;
int gBoxCount;
const char *gBoxCaption, *gBoxText;
MessageKind gBoxKind;

[[noreturn]] void Fail(const char *what, unsigned target) {
    if (target < kTargetCount)
        fprintf(stderr, "invariant broken: %s (target %u)\n", what, target + 1);
    else
        fprintf(stderr, "invariant broken: %s\n", what);
    abort();
}

unsigned TargetOfPath(const char *path) {
    for (unsigned i = 0; i < kTargetCount; ++i)
        if (strcmp(path, kRepairTargets[i].productSubKey) == 0)
            return i;
    return kNoTarget;
}

unsigned TargetOfKey(ProductKey key) {
    for (unsigned i = 0; i < kTargetCount; ++i)
        if (key == &gKeySlots[i])
            return i;
    Fail("a call on a key that was never handed out", kNoTarget);
}

// An independent statement of the rule: the text is the data up to the first NUL
// or the reported size; it equals the path when both have the same length and
// every byte agrees once a-z are upper-cased.
bool ShouldDelete(const TargetRecord &r, const char *expected) {
    if (!r.opened || r.readStatus != 0 || r.reportedSize > 128)
        return false;
    size_t length = 0;
    while (length < r.reportedSize && r.data[length] != 0)
        ++length;
    if (length != strlen(expected))
        return false;
    for (size_t i = 0; i < length; ++i) {
        int a = r.data[i], b = (unsigned char)expected[i];
        if (a >= 'a' && a <= 'z')
            a -= 32;
        if (b >= 'a' && b <= 'z')
            b -= 32;
        if (a != b)
            return false;
    }
    return true;
}

}  // namespace

PlatformStatus OpenProductKey(const char *productSubKey, ProductKey *key) {
    unsigned t = TargetOfPath(productSubKey);
    if (t == kNoTarget)
        Fail("opened a key that is not a target", t);
    TargetRecord &r = gTargets[t];
    if (r.openCalled)
        Fail("opened twice", t);
    if (t > 0 && !gTargets[t - 1].openCalled)
        Fail("targets out of order", t);
    r.openCalled = true;
    gOpenEvent[t] = gEventIndex++;
    uint8_t selector = NextByte();
    const PlatformStatus choices[] = {0, 2, 5, (PlatformStatus)(selector >> 2) + 1};
    r.openStatus = choices[selector & 3];
    if (r.openStatus == 0) {
        r.opened = true;
        *key = &gKeySlots[t];
    }
    return r.openStatus;
}

PlatformStatus ReadKeyValue(ProductKey key, const char *valueName, unsigned char *buffer,
                            uint32_t *size) {
    unsigned t = TargetOfKey(key);
    TargetRecord &r = gTargets[t];
    if (r.readCalled || strcmp(valueName, "Transforms") != 0 || *size != 128)
        Fail("read twice, another value, or not 128 bytes offered", t);
    for (int i = 0; i < 256; ++i)  // also makes AddressSanitizer check the buffer's size
        if (buffer[i] != 0)
            Fail("read buffer not zero-filled", t);
    if (t > 0 && buffer == gTargets[0].buffer)
        Fail("targets share a buffer", t);
    r.readCalled = true;
    r.buffer = buffer;
    uint8_t selector = NextByte();
    const PlatformStatus choices[] = {0, 2, 234, (PlatformStatus)(selector >> 2) + 1};
    r.readStatus = choices[selector & 3];
    if (r.readStatus == 234) {
        *size = 129 + NextByte();
    } else if (r.readStatus == 0) {
        r.reportedSize = NextByte();
        uint32_t written = r.reportedSize < *size ? r.reportedSize : *size;
        for (uint32_t i = 0; i < written; ++i)
            r.data[i] = buffer[i] = NextByte();
        *size = r.reportedSize;
    }
    return r.readStatus;
}

PlatformStatus DeleteKeyValue(ProductKey key, const char *valueName) {
    unsigned t = TargetOfKey(key);
    TargetRecord &r = gTargets[t];
    if (r.deleteCalled || strcmp(valueName, "Transforms") != 0)
        Fail("deleted twice or another value", t);
    if (!ShouldDelete(r, kRepairTargets[t].expectedTransform))
        Fail("deleted a value that does not match", t);
    r.deleteCalled = true;
    uint8_t selector = NextByte();
    const PlatformStatus choices[] = {0, 0, 5, (PlatformStatus)(selector >> 2) + 1};
    r.deleteStatus = choices[selector & 3];
    return r.deleteStatus;
}

void CloseProductKey(ProductKey key) {
    unsigned t = TargetOfKey(key);
    if (gTargets[t].closeCount++ != 0)
        Fail("closed twice", t);
    gCloseEvent[t] = gEventIndex++;
}

void ShowMessage(const char *caption, const char *text, MessageKind kind) {
    ++gBoxCount;
    gBoxEvent = gEventIndex++;
    gBoxCaption = caption;
    gBoxText = text;
    gBoxKind = kind;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    gInput = data;
    gInputLeft = size;
    memset(gTargets, 0, sizeof(gTargets));
    gEventIndex = 0;
    gBoxCount = 0;

    int exitStatus = RunRepair();

    bool failed = false, fixed = false;
    for (unsigned t = 0; t < kTargetCount; ++t) {
        const TargetRecord &r = gTargets[t];
        if (!r.openCalled)
            Fail("target never looked at", t);
        if (r.opened != (r.closeCount == 1))
            Fail("an opened key not closed once, or a key closed that never opened", t);
        if (r.opened && gCloseEvent[t] > gBoxEvent)
            Fail("key closed after the box", t);
        if (r.opened != r.readCalled)
            Fail("read without an open key, or an open key not read", t);
        bool shouldDelete = ShouldDelete(r, kRepairTargets[t].expectedTransform);
        if (shouldDelete != r.deleteCalled)
            Fail("matching value not deleted", t);
        if (r.openStatus != 0 && r.openStatus != 2)
            failed = true;
        if (r.deleteCalled)
            (r.deleteStatus == 0 ? fixed : failed) = true;
    }
    // Keys stay open until both targets are handled, then close in reverse order.
    if (gTargets[0].opened && gTargets[1].opened &&
        !(gOpenEvent[1] < gCloseEvent[1] && gCloseEvent[1] < gCloseEvent[0]))
        Fail("keys not closed last-opened first, after both were handled", 0);
    if (gTargets[0].opened && gCloseEvent[0] < gOpenEvent[1])
        Fail("key closed before the next target was handled", 0);
    if (gBoxCount != 1 || strcmp(gBoxCaption, "Message Alert") != 0)
        Fail("not exactly one box with the caption", kNoTarget);
    const char *text = failed ? kFailedText : fixed ? kFixedText : kNotRequiredText;
    if (strcmp(gBoxText, text) != 0 || (gBoxKind == kMessageError) != failed ||
        exitStatus != (failed ? 1 : 0))
        Fail("box text, icon or exit status does not fit what happened", kNoTarget);
    return 0;
}
