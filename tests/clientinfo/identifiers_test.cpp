#include "clientinfo/identifiers.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <string>

#include "BSD/ifaddrsTesting.h"
#include "CPUID/CPUIDTesting.h"
#include "balance.h"
#include "fakes.h"
#include "tests/support/cpuid_fakes.h"

namespace {

using fakes::inet;
using fakes::inet6;
using fakes::link;
using testsupport::fakeIntel;
using testsupport::fakeWithSerial;

// The text of an owned NSString, which is released.
std::string take(NSString* s) {
  EXPECT_NE(s, nullptr);
  if (!s) return "<null>";
  std::string text = s->UTF8String();
  EXPECT_EQ(s->retainCount(), 1u);
  s->release();
  return text;
}

class Identifiers : public ::testing::Test {
 protected:
  void SetUp() override {
    // Constant strings are made once per process: make them before counting.
    take(getdisk0sn());
    getplatformsn();
  }
  fakes::RealMachineAfter restore;
};

struct IpCase {
  const char* what;
  std::vector<bsd::InterfaceEntry> list;
  const char* expected;
};

TEST_F(Identifiers, IpMacListFollowsTheInterfaceWalks) {
  const std::vector<uint8_t> mac = {0x00, 0x1b, 0x63, 0xAB, 0xcd, 0xEF};
  const std::vector<uint8_t> mac2 = {0x02, 0x00, 0x00, 0x00, 0x00, 0x02};
  const IpCase cases[] = {
      {"one interface", {link("en0", mac), inet("en0", "10.0.0.5")}, "10.0.0.5:00-1b-63-ab-cd-ef"},
      {"two addresses, the later wins",
       {inet("en0", "10.0.0.1"), link("en0", mac), inet("en0", "10.0.0.2")},
       "10.0.0.2:00-1b-63-ab-cd-ef"},
      {"hardware address of 8 bytes",
       {inet("fw0", "10.1.1.1"), link("fw0", {1, 2, 3, 4, 5, 6, 7, 8})},
       "10.1.1.1"},
      {"hardware address of 0 bytes", {inet("gif0", "10.1.1.2"), link("gif0", {})}, "10.1.1.2"},
      {"byte-wise name order",
       {inet("en2", "10.0.0.2"), inet("en10", "10.0.0.10"), inet("en1", "10.0.0.1"),
        inet("en0", "10.0.0.0"), link("en10", mac2)},
       "10.0.0.0;10.0.0.1;10.0.0.10:02-00-00-00-00-02;10.0.0.2"},
      {"loopback and down interfaces never appear",
       {inet("lo0", "127.0.0.1", IFF_UP | IFF_LOOPBACK), link("lo0", mac, IFF_UP | IFF_LOOPBACK),
        inet("en3", "10.0.0.3", 0), link("en3", mac, 0), inet("en0", "10.0.0.9")},
       "10.0.0.9"},
      {"an up interface that is down on its link entry",
       {inet("en0", "10.0.0.9"), link("en0", mac, 0)},
       "10.0.0.9"},
      {"hardware address without IPv4 is left out",
       {link("en0", mac), inet6("en0", "fe80::1"), link("en1", mac2), inet("en1", "192.168.1.4")},
       "192.168.1.4:02-00-00-00-00-02"},
      {"entries without address", {fakes::noAddress("utun0"), fakes::noAddress("en0")}, ""},
      {"only IPv6", {inet6("en0", "fd00::2")}, ""},
      {"empty list", {}, ""},
  };
  for (const IpCase& c : cases) {
    bsd::setInterfacesForTesting(&c.list);
    Balance balance;
    EXPECT_EQ(take(getipmaclist()), c.expected) << c.what;
    balance.expectBalanced(c.what);
  }
}

TEST_F(Identifiers, IpMacListIsEmptyWhenTheListCannotBeHad) {
  std::vector<bsd::InterfaceEntry> list = {inet("en0", "10.0.0.1")};
  bsd::setInterfacesForTesting(&list, /*fail=*/true);
  Balance balance;
  EXPECT_EQ(take(getipmaclist()), "");
  balance.expectBalanced("failing getifaddrs");
}

struct DiskCase {
  const char* what;
  IORegistryModel model;
  const char* expected;
};

TEST_F(Identifiers, Disk0SerialIsTheFirstAncestorsProperty) {
  using fakes::registry;
  using fakes::serial;
  IORegistryModel noSession = registry({}, {{{serial("S1")}}});
  noSession.sessionFails = true;
  const DiskCase cases[] = {
      {"first parent", registry({}, {{{serial("WD-123")}}}), "WD-123"},
      {"a higher ancestor",
       registry({}, {{{},
                      {{"Other", IORegistryValue::string("x")}},
                      {serial("S3"), {"Product", IORegistryValue::string("p")}},
                      {serial("S4")}}}),
       "S3"},
      {"empty serial at the first ancestor ends the walk",
       registry({}, {{{serial("")}, {serial("HIGHER")}}}), ""},
      {"the IOMedia entry itself is never examined",
       registry({}, {{{}, {serial("PARENT")}}}, {serial("MEDIA")}), "PARENT"},
      {"no ancestor has one", registry({}, {{{}, {}}}), ""},
      {"IOMedia without parent", registry({}, {{}}), ""},
      {"a serial that is a number ends the walk without text",
       registry({}, {{{{"Serial Number", IORegistryValue::integer(42)}}, {serial("HIGHER")}}}), ""},
      {"non-ASCII text is kept", registry({}, {{{serial("S\xC3\xA9rie-\xE4\xB8\xAD")}}}),
       "S\xC3\xA9rie-\xE4\xB8\xAD"},
      {"only disk1 exists",
       [] {
         IORegistryModel m = registry({}, {{{serial("D0")}}, {{serial("D1")}}});
         m.disks[0] = -1;
         return m;
       }(),
       ""},
      {"no disks", registry({}), ""},
      {"no DiskArbitration session", noSession, ""},
  };
  for (const DiskCase& c : cases) {
    IORegistrySetModelForTesting(&c.model);
    Balance balance;
    EXPECT_EQ(take(getdisk0sn()), c.expected) << c.what;
    balance.expectBalanced(c.what);
  }
}

TEST_F(Identifiers, PlatformSerialNeedsADirectMacRomanPointer) {
  using fakes::registry;
  auto platformSerial = [](IORegistryValue v) {
    return fakes::Properties{{"IOPlatformSerialNumber", std::move(v)}};
  };
  IORegistryModel noExpert = registry(platformSerial(IORegistryValue::string("C02X")));
  noExpert.entries[0].className = "IOResources";
  const DiskCase cases[] = {
      {"plain serial", registry(platformSerial(IORegistryValue::string("C02XK0ABJG5J"))),
       "C02XK0ABJG5J"},
      {"no Mac Roman pointer for non-ASCII text",
       registry(platformSerial(IORegistryValue::string("C02\xC3\x84X"))), ""},
      {"a number", registry(platformSerial(IORegistryValue::integer(7))), ""},
      {"no property", registry({{"model", IORegistryValue::string("Mac")}}), ""},
      {"no platform expert device", noExpert, ""},
  };
  for (const DiskCase& c : cases) {
    IORegistrySetModelForTesting(&c.model);
    Balance balance;
    EXPECT_EQ(getplatformsn(), c.expected) << c.what;
    balance.expectBalanced(c.what);
  }
}

TEST_F(Identifiers, CpuidStringLayout) {
  struct {
    CPUIDHandler handler;
    const char* expected;
  } cases[] = {
      {fakeIntel, "Vendor[GenuineIntel-BFEBFBFF]:ID[000306A9-00000000-00000000]"},
      {fakeWithSerial, "Vendor[GenuineIntel-BFEBFBFF]:ID[000306A9-00012345-9ABCDEF0]"},
  };
  for (const auto& c : cases) {
    CPUIDSetHandlerForTesting(c.handler);
    Balance balance;
    std::string text = take(getcpuidstring());
    EXPECT_EQ(text, c.expected);
    EXPECT_EQ(text.size(), 60u);
    balance.expectBalanced("getcpuidstring");
  }
}

// This machine's own answers, read back through independent sources.
std::string cpuinfoField(const char* field) {
  std::ifstream in("/proc/cpuinfo");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(field, 0) == 0) {
      size_t colon = line.find(':');
      if (colon != std::string::npos) return line.substr(colon + 2);
    }
  }
  return "";
}

TEST_F(Identifiers, CpuidStringOnThisMachine) {
  Balance balance;
  std::string text = take(getcpuidstring());
  EXPECT_EQ(text.size(), 60u) << text;
  EXPECT_EQ(text.rfind("Vendor[", 0), 0u) << text;
#if defined(__x86_64__)
  std::string vendor = cpuinfoField("vendor_id");
  ASSERT_EQ(vendor.size(), 12u);
  EXPECT_EQ(text.substr(7, 12), vendor);
  // The signature's low nibble is the stepping.
  std::string stepping = cpuinfoField("stepping");
  if (!stepping.empty()) {
    unsigned signature = std::stoul(text.substr(33, 8), nullptr, 16);
    EXPECT_EQ(signature & 0xF, std::stoul(stepping)) << text;
  }
#endif
  balance.expectBalanced("getcpuidstring");
}

TEST_F(Identifiers, RegistryGettersOnThisMachine) {
  Balance balance;
  std::string disk = take(getdisk0sn());
  std::string platform = getplatformsn();
  balance.expectBalanced("real registry");
  // The DMI serial, when this process may read it.
  std::ifstream dmi("/sys/class/dmi/id/product_serial");
  std::string expected;
  if (dmi) std::getline(dmi, expected);
  while (!expected.empty() && expected.back() == ' ') expected.pop_back();
  if (dmi) {
    EXPECT_EQ(platform, expected);
  }
  // disk0 is the first whole disk with a device, in name order; its serial is
  // the first non-empty serial attribute of the disk or a device above it.
  std::vector<std::string> disks;
  if (DIR* dir = opendir("/sys/block")) {
    while (dirent* e = readdir(dir))
      if (e->d_name[0] != '.' &&
          access(("/sys/block/" + std::string(e->d_name) + "/device").c_str(), F_OK) == 0)
        disks.push_back(e->d_name);
    closedir(dir);
  }
  std::sort(disks.begin(), disks.end());
  std::string oracle;
  if (!disks.empty()) {
    auto serialOf = [](const std::string& dir) {
      std::ifstream in(dir + "/serial");
      std::string line;
      std::getline(in, line);
      while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())))
        line.pop_back();
      return line;
    };
    oracle = serialOf("/sys/block/" + disks[0]);
    char resolved[PATH_MAX];
    std::string dir =
        realpath(("/sys/block/" + disks[0] + "/device").c_str(), resolved) ? resolved : "";
    for (; oracle.empty() && dir.size() > std::string("/sys/devices/").size();
         dir = dir.substr(0, dir.rfind('/')))
      oracle = serialOf(dir);
  }
  EXPECT_EQ(disk, oracle);
  SUCCEED() << "disk0 serial: '" << disk << "', platform serial: '" << platform << "'";
}

}  // namespace
