#include "refusing_allocator.h"

#include <cstdlib>
#include <new>

namespace {

size_t g_refuseFrom = 0;  // 0: allocations of any size are served
long g_countdown = 0;     // 0: no allocation is counted
bool g_refusedOne = false;

void* allocate(size_t n) {
  if (g_refuseFrom != 0 && n >= g_refuseFrom) throw std::bad_alloc();
  if (g_countdown > 0 && --g_countdown == 0) {
    g_refusedOne = true;
    throw std::bad_alloc();
  }
  void* p = std::malloc(n ? n : 1);
  if (!p) throw std::bad_alloc();
  return p;
}

void* allocateOrNull(size_t n) noexcept {
  try {
    return allocate(n);
  } catch (...) {
    return nullptr;
  }
}

}  // namespace

RefuseLargeAllocations::RefuseLargeAllocations(size_t from) { g_refuseFrom = from; }
RefuseLargeAllocations::~RefuseLargeAllocations() { g_refuseFrom = 0; }

RefuseNthAllocation::RefuseNthAllocation(long n) {
  g_refusedOne = false;
  g_countdown = n;
}
RefuseNthAllocation::~RefuseNthAllocation() { g_countdown = 0; }
bool RefuseNthAllocation::refused() const { return g_refusedOne; }

void* operator new(size_t n) { return allocate(n); }
void* operator new[](size_t n) { return allocate(n); }
void* operator new(size_t n, const std::nothrow_t&) noexcept { return allocateOrNull(n); }
void* operator new[](size_t n, const std::nothrow_t&) noexcept { return allocateOrNull(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
