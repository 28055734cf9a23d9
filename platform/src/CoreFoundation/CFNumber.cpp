#include "CoreFoundation/CFNumber.h"

#include <cstdint>

#include "cf_objects.h"

CFNumberRef CFNumberCreate(CFAllocatorRef, CFNumberType theType, const void* valuePtr) {
  if (!valuePtr) return nullptr;
  int64_t v;
  switch (theType) {
    case kCFNumberSInt32Type:
      v = *static_cast<const int32_t*>(valuePtr);
      break;
    case kCFNumberSInt64Type:
      v = *static_cast<const int64_t*>(valuePtr);
      break;
    default:
      return nullptr;
  }
  return static_cast<CFNumberRef>(CFBridgeRef(new CFNumberObject(v)));
}

Boolean CFNumberGetValue(CFNumberRef number, CFNumberType theType, void* valuePtr) {
  auto* n = number ? dynamic_cast<CFNumberObject*>(CFBridgeObject(number)) : nullptr;
  if (!n || !valuePtr) return false;
  switch (theType) {
    case kCFNumberSInt32Type:
      *static_cast<int32_t*>(valuePtr) = static_cast<int32_t>(n->value);
      return n->value >= INT32_MIN && n->value <= INT32_MAX;
    case kCFNumberSInt64Type:
      *static_cast<int64_t*>(valuePtr) = n->value;
      return true;
  }
  return false;
}
