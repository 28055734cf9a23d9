// The NSObjects behind the Core Foundation types of this library.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "CoreFoundation/CFDictionary.h"
#include "CoreFoundation/CFNumber.h"

class CFDictionaryObject : public NSObject {
 public:
  ~CFDictionaryObject() override;
  // Text of the key -> (key, value), both retained.
  std::map<std::string, std::pair<CFTypeRef, CFTypeRef>> entries;
};

class CFNumberObject : public NSObject {
 public:
  explicit CFNumberObject(int64_t v) : value(v) {}
  const int64_t value;
};

inline CFDictionaryObject* CFDictionaryObjectFrom(CFDictionaryRef d) {
  return dynamic_cast<CFDictionaryObject*>(CFBridgeObject(d));
}
