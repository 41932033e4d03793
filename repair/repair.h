// The repair itself: which product registrations to inspect, the matching rule, and the run.
#ifndef FIX_TRANSFORMS_REPAIR_H
#define FIX_TRANSFORMS_REPAIR_H

#include "platform.h"

// One Windows Installer product registration to inspect.
struct RepairTarget {
    const char *productSubKey;      // path of the product key below HKEY_LOCAL_MACHINE
    const char *expectedTransform;  // the one "Transforms" text that means the target needs repair
};

const unsigned kTargetCount = 2;
extern const RepairTarget kRepairTargets[kTargetCount];
extern const char kTransformsValueName[];

// Bytes offered to each registry read, and the size of each target's read buffer.
// The buffer is larger than what is offered and zero-filled, so the text always
// ends inside it.
const unsigned kReadLimit = 128;
const unsigned kReadBufferSize = 256;

// The message box texts and caption.
extern const char kMessageCaption[];
extern const char kFixedText[];
extern const char kNotRequiredText[];
extern const char kFailedText[];

// True when valueText equals expectedTransform once the letters a-z of both are
// folded to upper case. Every other byte must match as it stands.
bool TransformMatches(const char *valueText, const char *expectedTransform);

enum TargetOutcome {
    kTargetNothingToDo,  // not registered, no value, or a value that does not match
    kTargetFixed,        // the matching value was deleted
    kTargetFailed,       // the key could not be opened, or the matching value could not be deleted
};

// Inspects one target and deletes its "Transforms" value when it matches.
// readBuffer must hold kReadBufferSize zero bytes. When the key opens, *keyOpened
// is set and *key must be closed by the caller once every target is handled.
TargetOutcome FixTarget(const RepairTarget &target, unsigned char *readBuffer,
                        ProductKey *key, bool *keyOpened);

// The whole run: both targets in order, every opened key closed in reverse order,
// then one message box. Returns the process exit status: 0, or 1 when a target
// could not be repaired.
int RunRepair();

#endif
