// Core Foundation's object base. CF objects here are NSObjects (toll-free
// bridged, as on macOS): CFRetain/CFRelease act on the same reference count.
#pragma once

#include <cstdint>

#include "Foundation/NSObject.h"

typedef const void* CFTypeRef;
typedef long CFIndex;
typedef unsigned char Boolean;
typedef int32_t OSStatus;
typedef const struct __CFAllocator* CFAllocatorRef;
typedef unsigned long CFTypeID;
#define kCFAllocatorDefault ((CFAllocatorRef) nullptr)

CFTypeRef CFRetain(CFTypeRef cf);
void CFRelease(CFTypeRef cf);  // cf must not be null, as on macOS
CFIndex CFGetRetainCount(CFTypeRef cf);
// The object's type, to compare with CFStringGetTypeID() and the like.
CFTypeID CFGetTypeID(CFTypeRef cf);

// Bridging between CF references and the NSObjects behind them.
inline NSObject* CFBridgeObject(CFTypeRef cf) {
  return static_cast<NSObject*>(const_cast<void*>(cf));
}
inline CFTypeRef CFBridgeRef(const NSObject* object) { return object; }
