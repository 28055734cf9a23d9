#include <map>
#include <string>

#include "CoreFoundation/CFString.h"
#include "cf_objects.h"

namespace {
// Core Foundation's own numbering of these types.
enum : CFTypeID { kTypeIDType = 1, kStringTypeID = 7, kDictionaryTypeID = 18, kNumberTypeID = 22 };
}  // namespace

CFTypeID CFStringGetTypeID(void) { return kStringTypeID; }
CFTypeID CFDictionaryGetTypeID(void) { return kDictionaryTypeID; }
CFTypeID CFNumberGetTypeID(void) { return kNumberTypeID; }

CFTypeID CFGetTypeID(CFTypeRef cf) {
  NSObject* object = CFBridgeObject(cf);
  if (dynamic_cast<NSString*>(object)) return kStringTypeID;
  if (dynamic_cast<CFDictionaryObject*>(object)) return kDictionaryTypeID;
  if (dynamic_cast<CFNumberObject*>(object)) return kNumberTypeID;
  return kTypeIDType;
}

CFStringRef __CFStringMakeConstantString(const char* text) {
  // Kept reachable for the life of the process, like constant strings.
  static auto* constants = new std::map<std::string, CFStringRef>;
  auto it = constants->find(text);
  if (it != constants->end()) return it->second;
  CFStringRef s = CFStringCreateWithCString(kCFAllocatorDefault, text, kCFStringEncodingUTF8);
  constants->emplace(text, s);
  return s;
}
