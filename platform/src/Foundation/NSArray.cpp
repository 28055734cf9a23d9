#include "Foundation/NSArray.h"

NSArray* NSArray::initWithObjects(const std::vector<NSObject*>& objects) {
  auto* array = new NSArray;
  for (NSObject* object : objects)
    if (object) array->objects_.push_back(object->retain());
  return array;
}

NSArray* NSArray::arrayWithObjects(const std::vector<NSObject*>& objects) {
  return NSAutorelease(initWithObjects(objects));
}

NSArray* NSArray::array() { return arrayWithObjects({}); }

NSArray::~NSArray() {
  for (NSObject* object : objects_) object->release();
}
