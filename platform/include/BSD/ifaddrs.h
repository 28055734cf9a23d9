// The interface address list in the BSD shape: one entry per address of every
// interface, with link-level (AF_LINK, struct sockaddr_dl) entries carrying the
// hardware addresses. Built from the system's own interface list, whose packet
// entries give the hardware addresses.
//
// getifaddrs returns 0 and the list in *list, or -1 (and sets errno); every
// list it hands out must be given back with freeifaddrs.
#pragma once

#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include "BSD/if_dl.h"

// The system headers name union members with these; here they are fields.
#undef ifa_dstaddr
#undef ifa_broadaddr

namespace bsd {

struct ifaddrs {
  ifaddrs* ifa_next;
  char* ifa_name;
  unsigned int ifa_flags;  // IFF_UP, IFF_LOOPBACK, ...
  sockaddr* ifa_addr;      // null for an interface without an address
  sockaddr* ifa_netmask;
  sockaddr* ifa_dstaddr;
  void* ifa_data;
};

int getifaddrs(ifaddrs** list);
void freeifaddrs(ifaddrs* list);

}  // namespace bsd

// The system's code calls these under their BSD names.
#ifndef BSD_IFADDRS_NO_GLOBAL_NAMES
using bsd::freeifaddrs;
using bsd::getifaddrs;
using bsd::ifaddrs;
#endif
