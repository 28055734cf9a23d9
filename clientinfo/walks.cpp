#include "clientinfo/walks.h"

#include <arpa/inet.h>

#include <cstdio>

#include "BSD/if_dl.h"
#include "DiskArbitration/DiskArbitration.h"

namespace clientinfo {

bool interfaceQualifies(const ifaddrs* entry) {
  return entry->ifa_addr && (entry->ifa_flags & IFF_UP) && !(entry->ifa_flags & IFF_LOOPBACK);
}

InterfaceTable ipv4ByInterface(const ifaddrs* list) {
  InterfaceTable table;
  for (const ifaddrs* e = list; e; e = e->ifa_next) {
    if (!interfaceQualifies(e) || e->ifa_addr->sa_family != AF_INET) continue;
    char text[64];
    const auto* in = reinterpret_cast<const sockaddr_in*>(e->ifa_addr);
    if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text)) table[e->ifa_name] = text;
  }
  return table;
}

std::string hardwareAddress(const ifaddrs* entry) {
  if (!interfaceQualifies(entry) || entry->ifa_addr->sa_family != AF_LINK) return std::string();
  const auto* dl = reinterpret_cast<const sockaddr_dl*>(entry->ifa_addr);
  if (dl->sdl_alen != 6) return std::string();
  const unsigned char* a = LLADDR(dl);
  char text[18];
  std::snprintf(text, sizeof text, "%02x-%02x-%02x-%02x-%02x-%02x", a[0], a[1], a[2], a[3], a[4],
                a[5]);
  return text;
}

std::string joinTable(const InterfaceTable& table, const char* separator) {
  std::string joined;
  for (const auto& entry : table) {
    if (!joined.empty()) joined += separator;
    joined += entry.second;
  }
  return joined;
}

bool withInterfaceList(const std::function<void(const ifaddrs* list)>& fn) {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return false;
  fn(list);
  freeifaddrs(list);
  return true;
}

bool walkDiskAncestors(const char* devicePath,
                       const std::function<bool(CFDictionaryRef properties)>& visit) {
  DASessionRef session = DASessionCreate(kCFAllocatorDefault);
  if (!session) return false;
  DADiskRef disk = DADiskCreateFromBSDName(kCFAllocatorDefault, session, devicePath);
  io_service_t media = disk ? DADiskCopyIOMedia(disk) : IO_OBJECT_NULL;
  if (media) {
    io_registry_entry_t entry = media;  // never examined itself
    for (;;) {
      io_registry_entry_t parent = IO_OBJECT_NULL;
      kern_return_t rc = IORegistryEntryGetParentEntry(entry, kIOServicePlane, &parent);
      IOObjectRelease(entry);
      entry = IO_OBJECT_NULL;
      if (rc != KERN_SUCCESS || !parent) break;
      entry = parent;
      CFMutableDictionaryRef properties = nullptr;
      bool done = false;
      if (IORegistryEntryCreateCFProperties(entry, &properties, kCFAllocatorDefault, 0) ==
              KERN_SUCCESS &&
          properties) {
        done = visit(properties);
        CFRelease(properties);
      }
      if (done) {
        IOObjectRelease(entry);
        break;
      }
    }
  }
  if (disk) CFRelease(disk);
  CFRelease(session);
  return media != IO_OBJECT_NULL;
}

}  // namespace clientinfo
