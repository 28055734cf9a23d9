// Reference-counted base object, modelling Foundation's manual retain/release.
//
// An object starts with one reference (alloc/init). release() at zero deletes
// it. autorelease() hands one reference to the innermost NSAutoreleasePool,
// which gives it back on drain(). NSObject::liveObjects() counts objects not
// yet deleted, so tests can prove that everything made was released.
#pragma once

#include <cstdint>

class NSObject {
 public:
  NSObject();
  NSObject(const NSObject&) = delete;
  NSObject& operator=(const NSObject&) = delete;

  NSObject* retain();
  void release();
  NSObject* autorelease();
  uint32_t retainCount() const { return refs_; }

  // Objects made and not yet deleted, across the process.
  static long liveObjects();

 protected:
  virtual ~NSObject();

 private:
  uint32_t refs_ = 1;
};

// Typed helpers: retain/autorelease keep the static type.
template <typename T>
T* NSRetain(T* object) {
  if (object) object->retain();
  return object;
}
template <typename T>
T* NSAutorelease(T* object) {
  if (object) object->autorelease();
  return object;
}
inline void NSRelease(NSObject* object) {
  if (object) object->release();
}

// A pool of deferred releases. Pools nest per thread; autorelease() goes to the
// innermost one. Without any pool the reference is kept (and shows as a leak).
class NSAutoreleasePool {
 public:
  NSAutoreleasePool();
  ~NSAutoreleasePool();  // drains
  NSAutoreleasePool(const NSAutoreleasePool&) = delete;
  NSAutoreleasePool& operator=(const NSAutoreleasePool&) = delete;

  void drain();
  static bool add(NSObject* object);

 private:
  struct Impl;
  Impl* impl_;
  NSAutoreleasePool* outer_;
};
