// This test program serves every C++ allocation of the process (the module's,
// the platform's and the host's too) and can be told to refuse some of them,
// as a machine that runs out of memory would.
#pragma once

#include <cstddef>

// While it lives, C++ allocations of `from` bytes or more fail.
class RefuseLargeAllocations {
 public:
  explicit RefuseLargeAllocations(size_t from);
  ~RefuseLargeAllocations();
  RefuseLargeAllocations(const RefuseLargeAllocations&) = delete;
  RefuseLargeAllocations& operator=(const RefuseLargeAllocations&) = delete;
};

// While it lives, the nth C++ allocation made from its start (1: the first)
// fails; every other one is served.
class RefuseNthAllocation {
 public:
  explicit RefuseNthAllocation(long n);
  ~RefuseNthAllocation();
  RefuseNthAllocation(const RefuseNthAllocation&) = delete;
  RefuseNthAllocation& operator=(const RefuseNthAllocation&) = delete;

  // Whether the nth allocation came (and was refused) so far.
  bool refused() const;
};
