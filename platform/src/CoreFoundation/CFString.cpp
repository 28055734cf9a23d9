#include "CoreFoundation/CFString.h"

#include <cstring>

CFTypeRef CFRetain(CFTypeRef cf) {
  CFBridgeObject(cf)->retain();
  return cf;
}

void CFRelease(CFTypeRef cf) { CFBridgeObject(cf)->release(); }

CFIndex CFGetRetainCount(CFTypeRef cf) { return CFBridgeObject(cf)->retainCount(); }

CFStringRef CFStringCreateWithCString(CFAllocatorRef, const char* text, CFStringEncoding encoding) {
  if (!text) return nullptr;
  NSString* s = nullptr;
  switch (encoding) {
    case kCFStringEncodingUTF8:
      s = NSString::initWithUTF8String(text);
      break;
    case kCFStringEncodingASCII:
      s = NSString::initWithBytes(text, std::strlen(text), NSASCIIStringEncoding);
      break;
    case kCFStringEncodingMacRoman:
      s = NSString::initWithCString(text, std::strlen(text));
      break;
  }
  return CFStringFromNS(s);
}

CFIndex CFStringGetLength(CFStringRef s) { return NSStringFromCF(s)->length(); }

namespace {
bool isPlainAscii(const NSString* s) {
  for (char16_t u : s->units())
    if (u >= 0x80) return false;
  return true;
}
}  // namespace

const char* CFStringGetCStringPtr(CFStringRef s, CFStringEncoding encoding) {
  NSString* ns = NSStringFromCF(s);
  if (!ns) return nullptr;
  if ((encoding == kCFStringEncodingMacRoman || encoding == kCFStringEncodingASCII) &&
      isPlainAscii(ns))
    return ns->UTF8String();
  return nullptr;
}

Boolean CFStringGetCString(CFStringRef s, char* buffer, CFIndex size, CFStringEncoding encoding) {
  NSString* ns = NSStringFromCF(s);
  if (!ns || !buffer || size <= 0) return false;
  if (encoding != kCFStringEncodingUTF8 && !isPlainAscii(ns)) return false;
  const char* utf8 = ns->UTF8String();
  size_t n = std::strlen(utf8);
  if (n + 1 > static_cast<size_t>(size)) return false;
  std::memcpy(buffer, utf8, n + 1);
  return true;
}
