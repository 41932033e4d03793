// The repair run: inspect each target in order, close what was opened, report once.
#include "repair.h"

TargetOutcome FixTarget(const RepairTarget &target, unsigned char *readBuffer,
                        ProductKey *key, bool *keyOpened) {
    *keyOpened = false;
    PlatformStatus status = OpenProductKey(target.productSubKey, key);
    if (status != kStatusOk) {
        // Not registered: nothing to repair. Anything else (most often access
        // denied) means the target could not be checked, which the user must hear.
        return status == kStatusNotFound ? kTargetNothingToDo : kTargetFailed;
    }
    *keyOpened = true;

    uint32_t size = kReadLimit;
    status = ReadKeyValue(*key, kTransformsValueName, readBuffer, &size);
    // No value, or data longer than the read limit: nothing to compare.
    if (status != kStatusOk || size > kReadLimit)
        return kTargetNothingToDo;
    // The text ends at the first NUL or at the end of the data read, whichever
    // comes first; data that exactly fills the read has no NUL of its own.
    readBuffer[size] = 0;
    if (!TransformMatches((const char *)readBuffer, target.expectedTransform))
        return kTargetNothingToDo;

    return DeleteKeyValue(*key, kTransformsValueName) == kStatusOk ? kTargetFixed
                                                                   : kTargetFailed;
}

int RunRepair() {
    unsigned fixedCount = 0;
    unsigned failedCount = 0;
    ProductKey keys[kTargetCount];
    bool keyOpened[kTargetCount];
    unsigned char readBuffers[kTargetCount][kReadBufferSize] = {};

    for (unsigned i = 0; i < kTargetCount; ++i) {
        TargetOutcome outcome =
            FixTarget(kRepairTargets[i], readBuffers[i], &keys[i], &keyOpened[i]);
        if (outcome == kTargetFixed)
            ++fixedCount;
        else if (outcome == kTargetFailed)
            ++failedCount;
    }

    // Every key stays open until both targets are handled; close the last opened first.
    for (unsigned i = kTargetCount; i-- > 0;) {
        if (keyOpened[i])
            CloseProductKey(keys[i]);
    }

    if (failedCount != 0) {
        ShowMessage(kMessageCaption, kFailedText, kMessageError);
        return 1;
    }
    ShowMessage(kMessageCaption, fixedCount != 0 ? kFixedText : kNotRequiredText,
                kMessageInformation);
    return 0;
}
