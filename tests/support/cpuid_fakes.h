// Processors for the CPUID stand-in (CPUIDSetHandlerForTesting): an Intel
// processor without a serial number, and the same one with a serial number
// in leaf 3.
#pragma once

#include <cstdint>

#include "CPUID/CPUID.h"
#include "CPUID/CPUIDTesting.h"

namespace testsupport {

inline CPUIDRegisters fakeIntel(uint32_t leaf) {
  switch (leaf) {
    case 0:
      return {0x0D, 0x756E6547, 0x6C65746E, 0x49656E69};  // "Genu" "ntel" "ineI"
    case 1:
      return {0x000306A9, 0x00100800, 0x7FBAE3FF, 0xBFEBFBFF};
    default:
      return {0, 0, 0, 0};
  }
}

inline CPUIDRegisters fakeWithSerial(uint32_t leaf) {
  if (leaf == 3) return {0, 0, 0x9ABCDEF0, 0x00012345};
  return fakeIntel(leaf);
}

}  // namespace testsupport
