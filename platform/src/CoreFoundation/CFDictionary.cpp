#include "CoreFoundation/CFDictionary.h"

#include "cf_objects.h"

const CFDictionaryKeyCallBacks kCFTypeDictionaryKeyCallBacks = {0};
const CFDictionaryValueCallBacks kCFTypeDictionaryValueCallBacks = {0};

CFDictionaryObject::~CFDictionaryObject() {
  for (auto& entry : entries) {
    CFRelease(entry.second.first);
    CFRelease(entry.second.second);
  }
}

CFMutableDictionaryRef CFDictionaryCreateMutable(CFAllocatorRef, CFIndex,
                                                 const CFDictionaryKeyCallBacks*,
                                                 const CFDictionaryValueCallBacks*) {
  return reinterpret_cast<CFMutableDictionaryRef>(
      const_cast<void*>(CFBridgeRef(new CFDictionaryObject)));
}

namespace {
const NSString* keyString(const void* key) {
  if (!key) return nullptr;
  return dynamic_cast<const NSString*>(CFBridgeObject(key));
}
}  // namespace

void CFDictionarySetValue(CFMutableDictionaryRef dict, const void* key, const void* value) {
  CFDictionaryObject* d = CFDictionaryObjectFrom(dict);
  const NSString* k = keyString(key);
  if (!d || !k || !value) return;
  CFRetain(key);
  CFRetain(value);
  auto [it, inserted] = d->entries.try_emplace(k->UTF8String(), key, value);
  if (!inserted) {
    CFRelease(it->second.first);
    CFRelease(it->second.second);
    it->second = {key, value};
  }
}

const void* CFDictionaryGetValue(CFDictionaryRef dict, const void* key) {
  CFDictionaryObject* d = dict ? CFDictionaryObjectFrom(dict) : nullptr;
  const NSString* k = keyString(key);
  if (!d || !k) return nullptr;
  auto it = d->entries.find(k->UTF8String());
  return it == d->entries.end() ? nullptr : it->second.second;
}

CFIndex CFDictionaryGetCount(CFDictionaryRef dict) {
  CFDictionaryObject* d = dict ? CFDictionaryObjectFrom(dict) : nullptr;
  return d ? static_cast<CFIndex>(d->entries.size()) : 0;
}
