// Converts the system's interface list into the BSD shape.
#include <arpa/inet.h>
#include <ifaddrs.h>  // the system's own list
#include <linux/if_packet.h>
#undef ifa_dstaddr  // the system's name for a union member; ours is a plain field
#undef ifa_broadaddr

#define BSD_IFADDRS_NO_GLOBAL_NAMES
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>

#include "BSD/ifaddrs.h"
#include "BSD/ifaddrsTesting.h"

namespace bsd {
namespace {

// One block per entry: the entry, its name and its address.
struct Node {
  ifaddrs entry;
  char name[IF_NAMESIZE + 1];
  union {
    sockaddr_in in;
    sockaddr_in6 in6;
    sockaddr_dl dl;
  } addr;
};

std::mutex g_mutex;
std::unique_ptr<std::vector<InterfaceEntry>> g_injected;
bool g_fail = false;
std::atomic<long> g_outstanding{0};

// Appends a node for name/flags; returns its address storage, or the node
// with no address when family is AF_UNSPEC.
Node* appendNode(ifaddrs*** tail, const char* name, unsigned int flags) {
  Node* node = new Node();
  std::strncpy(node->name, name, IF_NAMESIZE);
  node->entry.ifa_name = node->name;
  node->entry.ifa_flags = flags;
  **tail = &node->entry;
  *tail = &node->entry.ifa_next;
  return node;
}

void setLink(Node* node, const uint8_t* hw, size_t hwLength, uint8_t type, uint16_t index) {
  sockaddr_dl& dl = node->addr.dl;
  size_t nameLength = std::strlen(node->name);
  if (hwLength > sizeof dl.sdl_data - nameLength) hwLength = sizeof dl.sdl_data - nameLength;
  dl.sdl_family = AF_LINK;
  dl.sdl_index = index;
  dl.sdl_type = type;
  dl.sdl_nlen = static_cast<uint8_t>(nameLength);
  dl.sdl_alen = static_cast<uint8_t>(hwLength);
  std::memcpy(dl.sdl_data, node->name, nameLength);
  if (hwLength) std::memcpy(dl.sdl_data + nameLength, hw, hwLength);
  node->entry.ifa_addr = reinterpret_cast<sockaddr*>(&dl);
}

int fromInjected(const std::vector<InterfaceEntry>& entries, ifaddrs** list) {
  ifaddrs* head = nullptr;
  ifaddrs** tail = &head;
  for (const InterfaceEntry& e : entries) {
    Node* node = appendNode(&tail, e.name.c_str(), e.flags);
    switch (e.family) {
      case AF_INET:
        node->addr.in.sin_family = AF_INET;
        inet_pton(AF_INET, e.address.c_str(), &node->addr.in.sin_addr);
        node->entry.ifa_addr = reinterpret_cast<sockaddr*>(&node->addr.in);
        break;
      case AF_INET6:
        node->addr.in6.sin6_family = AF_INET6;
        inet_pton(AF_INET6, e.address.c_str(), &node->addr.in6.sin6_addr);
        node->entry.ifa_addr = reinterpret_cast<sockaddr*>(&node->addr.in6);
        break;
      case AF_LINK:
        setLink(node, e.hardware.data(), e.hardware.size(), 0, 0);
        break;
      default:
        break;  // no address
    }
  }
  *list = head;
  return 0;
}

int fromSystem(ifaddrs** list) {
  ::ifaddrs* system = nullptr;
  if (::getifaddrs(&system) != 0) return -1;
  ifaddrs* head = nullptr;
  ifaddrs** tail = &head;
  for (::ifaddrs* s = system; s; s = s->ifa_next) {
    const sockaddr* a = s->ifa_addr;
    int family = a ? a->sa_family : AF_UNSPEC;
    if (family != AF_UNSPEC && family != AF_INET && family != AF_INET6 && family != AF_PACKET)
      continue;  // families the BSD list does not carry
    Node* node = appendNode(&tail, s->ifa_name ? s->ifa_name : "", s->ifa_flags);
    if (family == AF_INET) {
      std::memcpy(&node->addr.in, a, sizeof(sockaddr_in));
      node->entry.ifa_addr = reinterpret_cast<sockaddr*>(&node->addr.in);
    } else if (family == AF_INET6) {
      std::memcpy(&node->addr.in6, a, sizeof(sockaddr_in6));
      node->entry.ifa_addr = reinterpret_cast<sockaddr*>(&node->addr.in6);
    } else if (family == AF_PACKET) {
      const auto* ll = reinterpret_cast<const sockaddr_ll*>(a);
      size_t length = ll->sll_halen;
      if (length > sizeof ll->sll_addr) length = sizeof ll->sll_addr;
      setLink(node, ll->sll_addr, length, static_cast<uint8_t>(ll->sll_hatype),
              static_cast<uint16_t>(ll->sll_ifindex));
    }
  }
  ::freeifaddrs(system);
  *list = head;
  return 0;
}

}  // namespace

int getifaddrs(ifaddrs** list) {
  if (!list) {
    errno = EINVAL;
    return -1;
  }
  *list = nullptr;
  int rc;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_fail) {
      errno = ENOMEM;
      return -1;
    }
    rc = g_injected ? fromInjected(*g_injected, list) : fromSystem(list);
  }
  if (rc == 0 && *list) ++g_outstanding;  // an empty list is null, freed by nothing
  return rc;
}

void freeifaddrs(ifaddrs* list) {
  if (!list) return;
  while (list) {
    ifaddrs* next = list->ifa_next;
    delete reinterpret_cast<Node*>(list);  // entry is the node's first member
    list = next;
  }
  --g_outstanding;
}

void setInterfacesForTesting(const std::vector<InterfaceEntry>* entries, bool fail) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_injected.reset(entries ? new std::vector<InterfaceEntry>(*entries) : nullptr);
  g_fail = fail;
}

long outstandingInterfaceLists() { return g_outstanding.load(); }

}  // namespace bsd
