#include "Foundation/NSObject.h"

#include <atomic>
#include <vector>

namespace {
std::atomic<long> g_liveObjects{0};
thread_local NSAutoreleasePool* t_innermostPool = nullptr;
}  // namespace

NSObject::NSObject() { ++g_liveObjects; }
NSObject::~NSObject() { --g_liveObjects; }

NSObject* NSObject::retain() {
  ++refs_;
  return this;
}

void NSObject::release() {
  if (--refs_ == 0) delete this;
}

NSObject* NSObject::autorelease() {
  // The reference is given up either way: to the pool, or at once when the
  // pool has no memory to take it.
  try {
    NSAutoreleasePool::add(this);
  } catch (...) {
    release();
    throw;
  }
  return this;
}

long NSObject::liveObjects() { return g_liveObjects.load(); }

struct NSAutoreleasePool::Impl {
  std::vector<NSObject*> objects;
};

NSAutoreleasePool::NSAutoreleasePool() : impl_(new Impl), outer_(t_innermostPool) {
  t_innermostPool = this;
}

NSAutoreleasePool::~NSAutoreleasePool() {
  drain();
  t_innermostPool = outer_;
  delete impl_;
}

void NSAutoreleasePool::drain() {
  // Releasing may autorelease more objects into this pool: loop until empty.
  while (!impl_->objects.empty()) {
    std::vector<NSObject*> batch;
    batch.swap(impl_->objects);
    for (NSObject* object : batch) object->release();
  }
}

bool NSAutoreleasePool::add(NSObject* object) {
  if (!t_innermostPool) return false;
  t_innermostPool->impl_->objects.push_back(object);
  return true;
}
