// CFString over NSString (toll-free bridged).
#pragma once

#include "CoreFoundation/CFBase.h"
#include "Foundation/NSString.h"

typedef const struct __CFString* CFStringRef;
typedef uint32_t CFStringEncoding;
enum : CFStringEncoding {
  kCFStringEncodingMacRoman = 0,
  kCFStringEncodingASCII = 0x0600,
  kCFStringEncodingUTF8 = 0x08000100,
};

inline CFStringRef CFStringFromNS(const NSString* s) { return reinterpret_cast<CFStringRef>(s); }
inline NSString* NSStringFromCF(CFStringRef s) {
  return const_cast<NSString*>(reinterpret_cast<const NSString*>(s));
}

CFTypeID CFStringGetTypeID(void);

// A constant string for a literal, made once and kept for the life of the
// process (never release it), as the compiler's constant strings are.
CFStringRef __CFStringMakeConstantString(const char* text);
#define CFSTR(text) __CFStringMakeConstantString("" text "")

// One owned reference, or null when the bytes are not valid in the encoding.
CFStringRef CFStringCreateWithCString(CFAllocatorRef alloc, const char* text,
                                      CFStringEncoding encoding);
CFIndex CFStringGetLength(CFStringRef s);
// The string's bytes in the encoding when they can be had without converting;
// null otherwise (callers fall back to CFStringGetCString). Here: a pointer
// for Mac Roman and ASCII only when the text is plain ASCII, else null.
const char* CFStringGetCStringPtr(CFStringRef s, CFStringEncoding encoding);
// Copies the text, zero-terminated, into buffer; false when it does not fit
// or cannot be encoded.
Boolean CFStringGetCString(CFStringRef s, char* buffer, CFIndex size, CFStringEncoding encoding);
