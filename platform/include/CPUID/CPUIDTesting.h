// Test seam of the CPUID stand-in: a handler that answers in place of the
// processor.
#pragma once

#include <cstdint>

#include "CPUID/CPUID.h"

// While a handler is set, CPUIDExecute answers from it instead of the
// processor. Pass nullptr to go back to the processor.
typedef CPUIDRegisters (*CPUIDHandler)(uint32_t leaf);
void CPUIDSetHandlerForTesting(CPUIDHandler handler);
