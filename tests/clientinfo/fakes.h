// Helpers that inject the machine's answers into the platform stand-ins, and
// a scope that puts the real machine back.
#pragma once

#include <string>
#include <vector>

#include "BSD/ifaddrs.h"
#include "BSD/ifaddrsTesting.h"
#include "CPUID/CPUID.h"
#include "CPUID/CPUIDTesting.h"
#include "IOKit/IOKitTesting.h"

namespace fakes {

inline bsd::InterfaceEntry inet(const std::string& name, const std::string& address,
                                unsigned flags = IFF_UP) {
  bsd::InterfaceEntry e;
  e.name = name;
  e.flags = flags;
  e.family = AF_INET;
  e.address = address;
  return e;
}

inline bsd::InterfaceEntry link(const std::string& name, std::vector<uint8_t> hardware,
                                unsigned flags = IFF_UP) {
  bsd::InterfaceEntry e;
  e.name = name;
  e.flags = flags;
  e.family = AF_LINK;
  e.hardware = std::move(hardware);
  return e;
}

inline bsd::InterfaceEntry inet6(const std::string& name, const std::string& address) {
  bsd::InterfaceEntry e;
  e.name = name;
  e.family = AF_INET6;
  e.address = address;
  return e;
}

inline bsd::InterfaceEntry noAddress(const std::string& name) {
  bsd::InterfaceEntry e;
  e.name = name;
  e.family = AF_UNSPEC;
  return e;
}

typedef std::vector<std::pair<std::string, IORegistryValue>> Properties;

// A registry whose root is the platform expert device with rootProperties,
// and one disk per entry of disks: disks[n] lists the property sets of
// /dev/diskN's ancestors from the IOMedia entry's parent upward.
inline IORegistryModel registry(const Properties& rootProperties,
                                const std::vector<std::vector<Properties>>& disks = {},
                                const Properties& mediaProperties = {}) {
  IORegistryModel model;
  model.entries.push_back({"IOPlatformExpertDevice", -1, rootProperties});
  model.root = 0;
  for (const auto& ancestors : disks) {
    int parent = 0;
    for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) {
      model.entries.push_back({"IOService", parent, *it});
      parent = static_cast<int>(model.entries.size()) - 1;
    }
    model.entries.push_back({"IOMedia", parent, mediaProperties});
    model.disks.push_back(static_cast<int>(model.entries.size()) - 1);
  }
  return model;
}

inline std::pair<std::string, IORegistryValue> serial(const std::string& text) {
  return {"Serial Number", IORegistryValue::string(text)};
}

// Puts every stand-in back on the real machine when it ends.
struct RealMachineAfter {
  RealMachineAfter() = default;
  RealMachineAfter(const RealMachineAfter&) = delete;
  RealMachineAfter& operator=(const RealMachineAfter&) = delete;
  ~RealMachineAfter() {
    bsd::setInterfacesForTesting(nullptr);
    IORegistrySetModelForTesting(nullptr);
    CPUIDSetHandlerForTesting(nullptr);
  }
};

}  // namespace fakes
