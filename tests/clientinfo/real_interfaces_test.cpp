// getipmaclist on this machine, checked against the system's own interface
// list and the hardware addresses that sysfs shows.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <string>

#define BSD_IFADDRS_NO_GLOBAL_NAMES  // this file reads the system's own list
#include "balance.h"
#include "clientinfo/identifiers.h"

namespace {

std::string sysfs(const std::string& name, const char* attribute) {
  std::ifstream in("/sys/class/net/" + name + "/" + attribute);
  std::string line;
  std::getline(in, line);
  return line;
}

TEST(RealInterfaces, IpMacListMatchesTheSystemsList) {
  std::map<std::string, std::string> expected;
  ::ifaddrs* list = nullptr;
  ASSERT_EQ(::getifaddrs(&list), 0);
  for (::ifaddrs* e = list; e; e = e->ifa_next) {
    if (!e->ifa_addr || e->ifa_addr->sa_family != AF_INET) continue;
    if (!(e->ifa_flags & IFF_UP) || (e->ifa_flags & IFF_LOOPBACK)) continue;
    char text[INET_ADDRSTRLEN];
    inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(e->ifa_addr)->sin_addr, text, sizeof text);
    expected[e->ifa_name] = text;
  }
  ::freeifaddrs(list);
  std::string joined;
  for (auto& [name, text] : expected) {
    if (sysfs(name, "addr_len") == "6") {
      std::string mac = sysfs(name, "address");
      std::replace(mac.begin(), mac.end(), ':', '-');
      text += ":" + mac;
    }
    if (!joined.empty()) joined += ";";
    joined += text;
  }

  Balance balance;
  NSString* s = getipmaclist();
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(std::string(s->UTF8String()), joined);
  s->release();
  balance.expectBalanced("getipmaclist");
  SUCCEED() << "this machine: '" << joined << "'";
}

}  // namespace
