// Test seam of the interface list: an injected list in place of the
// machine's, and the count of lists not yet given back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "BSD/ifaddrs.h"

namespace bsd {

// One entry of an injected list, in list order.
struct InterfaceEntry {
  std::string name;
  unsigned int flags = IFF_UP;
  int family = AF_INET;           // AF_INET, AF_INET6, AF_LINK, or AF_UNSPEC for no address
  std::string address;            // AF_INET: dotted quad; AF_INET6: text form
  std::vector<uint8_t> hardware;  // AF_LINK: the hardware address, any length up to 32
};
// While a list is set, getifaddrs answers with it (a copy is taken); nullptr
// goes back to the machine's own list. fail makes getifaddrs return -1.
void setInterfacesForTesting(const std::vector<InterfaceEntry>* entries, bool fail = false);
// Lists handed out by getifaddrs and not yet freed.
long outstandingInterfaceLists();

}  // namespace bsd
