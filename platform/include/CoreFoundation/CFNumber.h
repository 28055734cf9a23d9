// CFNumber: an immutable signed integer value (the registry's numeric
// properties).
#pragma once

#include "CoreFoundation/CFBase.h"

typedef const struct __CFNumber* CFNumberRef;
typedef CFIndex CFNumberType;
enum : CFNumberType {
  kCFNumberSInt32Type = 3,
  kCFNumberSInt64Type = 4,
};

CFTypeID CFNumberGetTypeID(void);
// One owned reference; valuePtr points to an int32_t or int64_t as theType says.
CFNumberRef CFNumberCreate(CFAllocatorRef alloc, CFNumberType theType, const void* valuePtr);
// Stores the value as theType; false when it does not fit (the stored value is
// then truncated).
Boolean CFNumberGetValue(CFNumberRef number, CFNumberType theType, void* valuePtr);
