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

// One owned reference to an object, given up (released) when the holder goes
// or takes another object; null is allowed. Move-only. take() hands the
// reference on to the caller without releasing it.
//
//   NSOwned<NSString> text(NSString::initWithUTF8String(bytes));
//   if (!text) return;
//   record->field = text.take();  // the record keeps the reference
template <typename T>
class NSOwned {
 public:
  NSOwned() = default;
  explicit NSOwned(T* object) : object_(object) {}
  ~NSOwned() { NSRelease(object_); }
  NSOwned(NSOwned&& other) noexcept : object_(other.take()) {}
  NSOwned& operator=(NSOwned&& other) noexcept {
    reset(other.take());
    return *this;
  }
  NSOwned(const NSOwned&) = delete;
  NSOwned& operator=(const NSOwned&) = delete;

  T* get() const { return object_; }
  T* operator->() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

  // Holds `object` (the caller's reference) and releases the one held so far.
  void reset(T* object = nullptr) {
    T* old = object_;
    object_ = object;
    NSRelease(old);
  }
  T* take() {
    T* object = object_;
    object_ = nullptr;
    return object;
  }

 private:
  T* object_ = nullptr;
};

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
