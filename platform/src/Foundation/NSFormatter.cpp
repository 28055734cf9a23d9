#include "Foundation/NSFormatter.h"

NSString* NSFormatter::stringForObjectValue(NSObject*) { return nullptr; }

BOOL NSFormatter::getObjectValue(NSObject**, NSString*, NSString**) { return NO; }

BOOL NSFormatter::isPartialStringValid(NSString**, NSRange*, NSString*, NSRange, NSString**) {
  return YES;
}

NSAttributedString* NSFormatter::attributedStringForObjectValue(NSObject*, NSDictionary*) {
  return nullptr;
}
