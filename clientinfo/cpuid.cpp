#include "clientinfo/cpuid.h"

#include "CPUID/CPUID.h"

void do_cpuid(uint32_t leaf, uint32_t out[4]) {
  CPUIDRegisters r = CPUIDExecute(leaf);
  out[0] = r.eax;
  out[1] = r.ebx;
  out[2] = r.ecx;
  out[3] = r.edx;
}
