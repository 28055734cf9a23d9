#include "CPUID/CPUID.h"

#include "CPUID/CPUIDTesting.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace {
CPUIDHandler g_handler = nullptr;
}

void CPUIDSetHandlerForTesting(CPUIDHandler handler) { g_handler = handler; }

CPUIDRegisters CPUIDExecute(uint32_t leaf) {
  if (g_handler) return g_handler(leaf);
  CPUIDRegisters r{0, 0, 0, 0};
#if defined(__x86_64__) || defined(__i386__)
  // __cpuid_count runs the instruction unconditionally, whatever the highest
  // supported leaf is.
  __cpuid_count(leaf, 0, r.eax, r.ebx, r.ecx, r.edx);
#else
  (void)leaf;
#endif
  return r;
}
