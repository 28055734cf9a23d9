// An immutable ordered list of objects, each retained while it is held.
#pragma once

#include <vector>

#include "Foundation/NSString.h"

class NSArray : public NSObject {
 public:
  // One owned reference; null entries are skipped.
  static NSArray* initWithObjects(const std::vector<NSObject*>& objects);
  // Autoreleased.
  static NSArray* arrayWithObjects(const std::vector<NSObject*>& objects);
  static NSArray* array();

  NSUInteger count() const { return objects_.size(); }
  // Borrowed; null past the end (where Foundation would raise a range
  // exception).
  NSObject* objectAtIndex(NSUInteger index) const {
    return index < objects_.size() ? objects_[index] : nullptr;
  }
  NSObject* firstObject() const { return objectAtIndex(0); }

 protected:
  ~NSArray() override;

 private:
  std::vector<NSObject*> objects_;
};
