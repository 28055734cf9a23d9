// The processor's CPUID instruction for the identifier getters.
#pragma once

#include <cstdint>

// Runs CPUID for leaf (no sub-leaf) and stores EAX, EBX, ECX, EDX in that
// order into out[0..3].
void do_cpuid(uint32_t leaf, uint32_t out[4]);
