// CFDictionary: string keys to retained Core Foundation values.
//
// A dictionary retains every key and value it holds and releases them when it
// is deleted. Keys are compared by their text. Values handed out by
// CFDictionaryGetValue are borrowed: retain one to keep it past the
// dictionary's release.
#pragma once

#include "CoreFoundation/CFBase.h"
#include "CoreFoundation/CFString.h"

typedef const struct __CFDictionary* CFDictionaryRef;
typedef struct __CFDictionary* CFMutableDictionaryRef;

// Accepted for the shape of the call; every dictionary here retains its keys
// and values as CFType objects.
struct CFDictionaryKeyCallBacks {
  int version;
};
struct CFDictionaryValueCallBacks {
  int version;
};
extern const CFDictionaryKeyCallBacks kCFTypeDictionaryKeyCallBacks;
extern const CFDictionaryValueCallBacks kCFTypeDictionaryValueCallBacks;

CFTypeID CFDictionaryGetTypeID(void);

// One owned reference to a new, empty dictionary.
CFMutableDictionaryRef CFDictionaryCreateMutable(CFAllocatorRef alloc, CFIndex capacity,
                                                 const CFDictionaryKeyCallBacks* keyCallBacks,
                                                 const CFDictionaryValueCallBacks* valueCallBacks);
// Keys must be CFStrings. Replaces (and releases) any value under an equal key.
void CFDictionarySetValue(CFMutableDictionaryRef dict, const void* key, const void* value);
// The value under a key equal to key, borrowed; null when there is none or
// key is not a string.
const void* CFDictionaryGetValue(CFDictionaryRef dict, const void* key);
CFIndex CFDictionaryGetCount(CFDictionaryRef dict);
