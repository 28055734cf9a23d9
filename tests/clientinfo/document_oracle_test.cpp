// Differential test of the client-information document: random machines are
// injected through the platform seams, and the exact text of
// getclientinfojson is compared with a document written here from the rules:
// each getter's text derived from the injected facts, lists cut at ",",
// members in byte-wise key order, absent lists left out, jsoncpp's compact
// form and escapes, one newline at the end.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "AppKit/NSScreen.h"
#include "AppKit/NSScreenTesting.h"
#include "BSD/ifaddrsTesting.h"
#include "CPUID/CPUIDTesting.h"
#include "CoreServices/Gestalt.h"
#include "CoreServices/GestaltTesting.h"
#include "Foundation/NSUserDefaults.h"
#include "Foundation/NSUserDefaultsTesting.h"
#include "balance.h"
#include "clientinfo/clientinfo.h"
#include "clientinfo/useragent.h"
#include "fakes.h"
#include "tests/support/codec_oracle.h"

namespace {

// ---- the oracle: the document text from the getters' texts ----

// A JSON string as jsoncpp's writer quotes it: the two-character escapes,
// \u00xx for other control characters, ASCII as it is, and every other
// (valid UTF-8) character as \uxxxx, with a surrogate pair above U+FFFF.
std::string quoted(const std::string& text) {
  std::string out = "\"";
  char buf[16];
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = text[i];
    switch (c) {
      case '"':
        out += "\\\"";
        continue;
      case '\\':
        out += "\\\\";
        continue;
      case '\b':
        out += "\\b";
        continue;
      case '\f':
        out += "\\f";
        continue;
      case '\n':
        out += "\\n";
        continue;
      case '\r':
        out += "\\r";
        continue;
      case '\t':
        out += "\\t";
        continue;
      default:
        break;
    }
    if (c < 0x20) {
      snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      const int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : 1;
      uint32_t cp = c & (0x3F >> extra);
      for (int k = 0; k < extra; ++k) cp = cp << 6 | (text[++i] & 0x3F);
      if (cp >= 0x10000) {
        cp -= 0x10000;
        snprintf(buf, sizeof buf, "\\u%04x\\u%04x", 0xD800 + (cp >> 10), 0xDC00 + (cp & 0x3FF));
      } else {
        snprintf(buf, sizeof buf, "\\u%04x", cp);
      }
      out += buf;
    }
  }
  return out + "\"";
}

struct Texts {
  std::string bios, cpu, language, agent, time, hd, ip, mac, os, screens;
};

std::string document(const Texts& t) {
  // Keys in byte-wise order; a list member only when its text has a piece.
  const std::vector<std::pair<std::string, std::pair<bool, std::string>>> members = {
      {"bios_sn", {false, t.bios}},
      {"cpu_sn", {true, t.cpu}},
      {"default_language", {false, t.language}},
      {"explore_name_version", {false, t.agent}},
      {"gmt_time", {false, t.time}},
      {"hd_sn", {true, t.hd}},
      {"ip_address", {true, t.ip}},
      {"mac", {true, t.mac}},
      {"os_name_version", {false, t.os}},
      {"screen_resolution", {true, t.screens}},
  };
  std::string out = "{";
  bool first = true;
  for (const auto& m : members) {
    std::string value;
    if (m.second.first) {
      const std::vector<std::string> pieces = oracle::split(m.second.second, ',');
      if (pieces.empty()) continue;
      value = "[";
      for (size_t i = 0; i < pieces.size(); ++i) value += (i ? "," : "") + quoted(pieces[i]);
      value += "]";
    } else {
      value = quoted(m.second.second);
    }
    out += (first ? "" : ",") + quoted(m.first) + ":" + value;
    first = false;
  }
  return out + "}\n";
}

// ---- a random machine, and the getter texts it should give ----

CPUIDRegisters g_leaf1, g_leaf3;
CPUIDRegisters fakeCpuid(uint32_t leaf) {
  if (leaf == 1) return g_leaf1;
  if (leaf == 3) return g_leaf3;
  return CPUIDRegisters{0, 0, 0, 0};
}

struct Machine {
  std::vector<std::string> languages;
  bool languagesAbsent = false;
  std::string agent;
  bool gestaltFails = false;
  int major = 0, minor = 0, bugFix = 0;
  std::vector<bsd::InterfaceEntry> interfaces;
  bool interfacesFail = false;
  fakes::Properties root;
  std::vector<std::vector<fakes::Properties>> disks;
  fakes::Properties media;
  std::vector<NSRect> screens;
  int mainScreen = -1;
};

const std::vector<std::string> kPool = {"a",
                                        "Z",
                                        "0",
                                        " ",
                                        ",",
                                        ",,",
                                        "\"",
                                        "\\",
                                        "/",
                                        "\t",
                                        "\n",
                                        "\x01",
                                        "\x1f",
                                        "\x7f",
                                        "\xc3\xa9",
                                        "\xe2\x82\xac",
                                        "\xf0\x9f\x98\x80",
                                        "\xe4\xb8\xad",
                                        "x-y",
                                        ":"};

std::string randomText(std::mt19937& rng, size_t maxPieces) {
  std::string s;
  const size_t n = rng() % (maxPieces + 1);
  for (size_t i = 0; i < n; ++i) s += kPool[rng() % kPool.size()];
  return s;
}

// Printable ASCII only (a platform serial number is read as a Mac Roman C string).
std::string randomAscii(std::mt19937& rng, size_t maxLength) {
  const std::string pool = "AZ09 ,\"\\/{}[]:";
  std::string s;
  const size_t n = rng() % (maxLength + 1);
  for (size_t i = 0; i < n; ++i) s += pool[rng() % pool.size()];
  return s;
}

Machine randomMachine(std::mt19937& rng) {
  Machine m;
  m.languagesAbsent = rng() % 5 == 0;
  for (int i = rng() % 3; i > 0; --i) m.languages.push_back(randomText(rng, 3));
  m.agent = rng() % 8 == 0 ? std::string() : randomText(rng, 12);
  m.gestaltFails = rng() % 6 == 0;
  m.major = static_cast<int>(rng() % 12);
  m.minor = static_cast<int>(rng() % 20) - 2;
  m.bugFix = static_cast<int>(rng() % 200);
  const char* names[] = {"en0", "en1", "en10", "en2", "lo0", "bridge0"};
  m.interfacesFail = rng() % 10 == 0;
  for (int i = rng() % 8; i > 0; --i) {
    const std::string name = names[rng() % 6];
    unsigned flags = (rng() % 4 ? IFF_UP : 0) | (rng() % 6 == 0 ? IFF_LOOPBACK : 0);
    switch (rng() % 4) {
      case 0:
      case 1: {
        const std::string address = std::to_string(rng() % 256) + "." +
                                    std::to_string(rng() % 256) + "." +
                                    std::to_string(rng() % 256) + "." + std::to_string(rng() % 256);
        m.interfaces.push_back(fakes::inet(name, address, flags));
        break;
      }
      case 2: {
        std::vector<uint8_t> hw(rng() % 5 ? 6 : rng() % 9);
        for (auto& b : hw) b = static_cast<uint8_t>(rng());
        m.interfaces.push_back(fakes::link(name, hw, flags));
        break;
      }
      default:
        m.interfaces.push_back(rng() % 2 ? fakes::inet6(name, "fe80::1") : fakes::noAddress(name));
    }
  }
  if (rng() % 4)
    m.root.push_back({"IOPlatformSerialNumber", IORegistryValue::string(randomAscii(rng, 12))});
  for (int d = rng() % 5; d > 0; --d) {
    std::vector<fakes::Properties> ancestors;
    for (int a = rng() % 4; a > 0; --a) {
      fakes::Properties p;
      if (rng() % 2) p.push_back(fakes::serial(rng() % 3 ? randomAscii(rng, 8) : std::string()));
      ancestors.push_back(p);
    }
    m.disks.push_back(ancestors);
  }
  if (rng() % 3 == 0) m.media.push_back(fakes::serial("MEDIA"));
  for (int s = rng() % 4; s > 0; --s)
    m.screens.push_back(NSMakeRect(0, 0, (rng() % 40000) / 10.0, (rng() % 30000) / 7.0));
  m.mainScreen = m.screens.empty() ? -1 : static_cast<int>(rng() % (m.screens.size() + 1)) - 1;
  g_leaf1 = CPUIDRegisters{static_cast<uint32_t>(rng()), 0, 0, static_cast<uint32_t>(rng())};
  g_leaf3 = CPUIDRegisters{0, 0, rng() % 3 ? 0 : static_cast<uint32_t>(rng()),
                           rng() % 3 ? 0 : static_cast<uint32_t>(rng())};
  return m;
}

std::string join(const std::map<std::string, std::string>& table) {
  std::string out;
  for (const auto& e : table) out += (out.empty() ? "" : ",") + e.second;
  return out;
}

Texts expectedTexts(const Machine& m) {
  Texts t;
  char buf[128];
  for (const auto& p : m.root)
    if (p.first == "IOPlatformSerialNumber") t.bios = p.second.text;
  snprintf(buf, sizeof buf, "%08X%08X", g_leaf1.edx, g_leaf1.eax);
  t.cpu = buf;
  if (g_leaf3.edx || g_leaf3.ecx) {
    snprintf(buf, sizeof buf, "%08X%08X", g_leaf3.edx, g_leaf3.ecx);
    t.cpu += buf;
  }
  if (!m.languagesAbsent && !m.languages.empty()) t.language = m.languages[0];
  t.agent = m.agent;
  for (size_t n = 0; n < 20; ++n) {
    std::string serial;
    if (n < m.disks.size())
      for (const auto& ancestor : m.disks[n]) {
        for (const auto& p : ancestor)
          if (p.first == "Serial Number") serial = p.second.text;
        if (!serial.empty()) break;
      }
    if (!t.hd.empty()) t.hd += ",";
    t.hd += serial;
  }
  std::map<std::string, std::string> ips, macs;
  if (!m.interfacesFail)
    for (const auto& e : m.interfaces) {
      if (!(e.flags & IFF_UP) || (e.flags & IFF_LOOPBACK)) continue;
      if (e.family == AF_INET) ips[e.name] = e.address;
      if (e.family == AF_LINK && e.hardware.size() == 6) {
        snprintf(buf, sizeof buf, "%02x-%02x-%02x-%02x-%02x-%02x", e.hardware[0], e.hardware[1],
                 e.hardware[2], e.hardware[3], e.hardware[4], e.hardware[5]);
        macs[e.name] = buf;
      }
    }
  t.ip = join(ips);
  t.mac = join(macs);
  if (m.gestaltFails)
    t.os = "Version 0.0.0";
  else
    t.os = "Version " + std::to_string(m.major) + "." + std::to_string(m.minor) + "." +
           std::to_string(m.bugFix);
  std::string mainPart, others;
  for (size_t i = 0; i < m.screens.size(); ++i) {
    snprintf(buf, sizeof buf, "%dx%d", static_cast<int>(m.screens[i].size.width),
             static_cast<int>(m.screens[i].size.height));
    if (static_cast<int>(i) == m.mainScreen)
      mainPart = buf;
    else
      others += (others.empty() ? "" : ",") + std::string(buf);
  }
  t.screens = others.empty() ? mainPart : mainPart + "," + others;
  return t;
}

std::string localStamp(time_t when) {
  char buf[32];
  strftime(buf, sizeof buf, "%Y%m%d%H%M%S", localtime(&when));
  return buf;
}

class DocumentOracle : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tz = getenv("TZ");
    hadTz_ = tz != nullptr;
    if (tz) savedTz_ = tz;
    // Eight hours east of UTC, so local time and UTC always differ.
    setenv("TZ", "CST-8", 1);
    tzset();
    savedAgent_ = g_uabuf;
  }
  void TearDown() override {
    if (hadTz_)
      setenv("TZ", savedTz_.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
    snprintf(g_uabuf, sizeof g_uabuf, "%s", savedAgent_.c_str());
    NSUserDefaultsResetForTesting();
    NSScreenSetScreensForTesting(nullptr, -1);
    GestaltResetForTesting();
  }

  // Injects the machine and compares the document with the oracle's.
  void check(const Machine& m, int round) {
    if (m.languagesAbsent)
      NSUserDefaultsSetAppleLanguagesForTesting(nullptr);
    else
      NSUserDefaultsSetAppleLanguagesForTesting(&m.languages);
    snprintf(g_uabuf, sizeof g_uabuf, "%s", m.agent.c_str());
    GestaltResetForTesting();
    GestaltSetSystemVersion(m.major, m.minor, m.bugFix);
    GestaltSetFailing(m.gestaltFails);
    bsd::setInterfacesForTesting(&m.interfaces, m.interfacesFail);
    const IORegistryModel model = fakes::registry(m.root, m.disks, m.media);
    IORegistrySetModelForTesting(&model);
    CPUIDSetHandlerForTesting(fakeCpuid);
    NSScreenSetScreensForTesting(&m.screens, m.mainScreen);

    Texts texts = expectedTexts(m);
    std::string json;
    time_t before = 0, after = 0;
    {
      // The platform keeps one set of screen objects per configuration.
      NSAutoreleasePool pool;
      getclientinfojson();
    }
    const Balance balance;
    {
      NSAutoreleasePool pool;
      before = time(nullptr);
      json = getclientinfojson();
      after = time(nullptr);
    }
    balance.expectBalanced("getclientinfojson");
    // The stamp is taken during the call: one of the seconds it spanned.
    std::string expected;
    for (time_t t = before; t <= after; ++t) {
      texts.time = localStamp(t);
      expected = document(texts);
      if (json == expected) break;
    }
    ASSERT_EQ(json, expected) << "round " << round;
  }

  fakes::RealMachineAfter realMachine_;
  bool hadTz_ = false;
  std::string savedTz_, savedAgent_;
};

TEST_F(DocumentOracle, RandomMachinesGiveTheExactDocument) {
  std::mt19937 rng(5102);
  for (int round = 0; round < 300; ++round) {
    ASSERT_NO_FATAL_FAILURE(check(randomMachine(rng), round));
  }
}

TEST_F(DocumentOracle, EdgeMachines) {
  // Nothing at all: only the always-present members, and the one-element cpu_sn.
  Machine bare;
  bare.languagesAbsent = true;
  bare.interfacesFail = true;
  g_leaf1 = {0, 0, 0, 0};
  g_leaf3 = {0, 0, 0, 0};
  ASSERT_NO_FATAL_FAILURE(check(bare, 0));

  // A full user agent of 4095 characters, escapes at its ends; only disk0
  // has a serial number; no screen is the main one.
  Machine full;
  full.agent = "\"" + std::string(4093, 'u') + "\\";
  full.disks = {{{fakes::serial("S0")}}};
  full.screens = {NSMakeRect(0, 0, 1440.9, 900.2), NSMakeRect(0, 0, 1920, 1080)};
  full.mainScreen = -1;
  full.languages = {"zh-Hans-CN", "en"};
  g_leaf1 = {0x000306A9, 0, 0, 0xBFEBFBFF};
  g_leaf3 = {0, 0, 0, 1};
  ASSERT_NO_FATAL_FAILURE(check(full, 1));
  EXPECT_EQ(getharddisksn(), "S0" + std::string(19, ','));
}

}  // namespace
