// Link-level socket addresses in the BSD shape: the interface name followed
// by the hardware address in sdl_data.
//
// The family field has the width and place of the system's own
// sockaddr::sa_family, so ifa_addr->sa_family reads AF_LINK for these.
#pragma once

#include <sys/socket.h>

#include <cstdint>

#ifndef AF_LINK
#define AF_LINK 18
#endif

struct sockaddr_dl {
  sa_family_t sdl_family;  // AF_LINK
  uint16_t sdl_index;      // interface index, 0 when unknown
  uint8_t sdl_type;        // interface type (ARP hardware type here)
  uint8_t sdl_nlen;        // length of the name at the start of sdl_data
  uint8_t sdl_alen;        // length of the hardware address after the name
  uint8_t sdl_slen;        // link-layer selector length (always 0)
  char sdl_data[64];       // name, then hardware address; not zero-terminated
};

// The hardware address inside a sockaddr_dl.
#define LLADDR(s) ((unsigned char*)((s)->sdl_data + (s)->sdl_nlen))
