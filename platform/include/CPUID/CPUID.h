// The processor's CPUID instruction.
//
// On x86-64 this runs the real instruction (through the compiler's
// intrinsic); on other processors every register answers 0.
#pragma once

#include <cstdint>

struct CPUIDRegisters {
  uint32_t eax, ebx, ecx, edx;
};

// Runs CPUID with EAX = leaf (ECX = 0) and returns the four registers.
CPUIDRegisters CPUIDExecute(uint32_t leaf);
