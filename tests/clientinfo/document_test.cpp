#include <gtest/gtest.h>
#include <json/json.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "AppKit/NSScreen.h"
#include "AppKit/NSScreenTesting.h"
#include "BSD/ifaddrsTesting.h"
#include "CPUID/CPUIDTesting.h"
#include "CoreFoundation/CFString.h"
#include "CoreServices/Gestalt.h"
#include "CoreServices/GestaltTesting.h"
#include "Foundation/NSUserDefaults.h"
#include "Foundation/NSUserDefaultsTesting.h"
#include "balance.h"
#include "clientinfo/clientinfo.h"
#include "clientinfo/useragent.h"
#include "fakes.h"
#include "tests/support/cpuid_fakes.h"

namespace {

using fakes::inet;
using fakes::link;
using fakes::serial;
using testsupport::fakeIntel;
using testsupport::fakeWithSerial;

// Every stand-in answers for a known machine; everything goes back after.
class Document : public ::testing::Test {
 protected:
  void SetUp() override {
    interfaces = {inet("lo0", "127.0.0.1", IFF_UP | IFF_LOOPBACK),
                  link("en0", {0x00, 0x1b, 0x63, 0xab, 0xcd, 0xef}), inet("en0", "10.0.0.5"),
                  link("en1", {0x02, 0, 0, 0, 0, 0x01}),  // hardware only
                  inet("en10", "192.168.7.2")};
    bsd::setInterfacesForTesting(&interfaces);
    IORegistryModel model = fakes::registry(
        {{"IOPlatformSerialNumber", IORegistryValue::string("C02TEST123")}}, {{{serial("WD-1")}}});
    IORegistrySetModelForTesting(&model);
    CPUIDSetHandlerForTesting(fakeIntel);
    std::vector<std::string> languages = {"zh-Hans-CN", "en"};
    NSUserDefaultsSetAppleLanguagesForTesting(&languages);
    std::vector<NSRect> frames = {NSMakeRect(1440, 0, 1920, 1057), NSMakeRect(0, 0, 1440, 877)};
    NSScreenSetScreensForTesting(&frames, 1);
    GestaltSetSystemVersion(10, 9, 5);
    std::strcpy(g_uabuf, "Mozilla/5.0 (Macintosh; \"test\") Safari\\1");
    // Constant strings and shared objects are made once per process.
    getclientinfojson();
  }
  void TearDown() override {
    NSUserDefaultsResetForTesting();
    NSScreenSetScreensForTesting(nullptr, -1);
    GestaltResetForTesting();
    g_uabuf[0] = '\0';
  }

  // The document with its gmt_time value replaced by "T", after checking that
  // value is one of the local timestamps around the call.
  std::string documentWithoutTime() {
    std::string before = getlocaltimestamp();
    std::string text = getclientinfojson();
    std::string after = getlocaltimestamp();
    const std::string key = "\"gmt_time\":\"";
    size_t at = text.find(key);
    if (at == std::string::npos) return text;
    size_t start = at + key.size(), end = text.find('"', start);
    std::string stamp = text.substr(start, end - start);
    // Fourteen digits compare like the times they stand for.
    EXPECT_TRUE(stamp.size() == 14 && before <= stamp && stamp <= after) << stamp;
    return text.replace(start, end - start, "T");
  }

  std::vector<bsd::InterfaceEntry> interfaces;
  fakes::RealMachineAfter restore;
};

TEST_F(Document, MembersInKeyOrderOnOneLine) {
  Balance balance;
  EXPECT_EQ(documentWithoutTime(),
            "{\"bios_sn\":\"C02TEST123\",\"cpu_sn\":[\"BFEBFBFF000306A9\"],"
            "\"default_language\":\"zh-Hans-CN\","
            "\"explore_name_version\":\"Mozilla/5.0 (Macintosh; \\\"test\\\") Safari\\\\1\","
            "\"gmt_time\":\"T\",\"hd_sn\":[\"WD-1\"],\"ip_address\":[\"10.0.0.5\",\"192.168.7.2\"],"
            "\"mac\":[\"00-1b-63-ab-cd-ef\",\"02-00-00-00-00-01\"],"
            "\"os_name_version\":\"Version 10.9.5\","
            "\"screen_resolution\":[\"1440x877\",\"1920x1057\"]}\n");
  balance.expectBalanced("getclientinfojson");
}

TEST_F(Document, AbsentListsLeaveTheirKeysOut) {
  std::vector<bsd::InterfaceEntry> none = {inet("lo0", "127.0.0.1", IFF_UP | IFF_LOOPBACK)};
  bsd::setInterfacesForTesting(&none);
  IORegistryModel empty = fakes::registry({}, {{{}}});
  IORegistrySetModelForTesting(&empty);
  NSUserDefaultsSetAppleLanguagesForTesting(nullptr);
  NSScreenSetScreensForTesting(nullptr, -1);
  std::vector<NSRect> noScreens;
  NSScreenSetScreensForTesting(&noScreens, -1);
  GestaltSetFailing(true);
  g_uabuf[0] = '\0';
  getclientinfojson();  // the new configuration's objects
  Balance balance;
  EXPECT_EQ(documentWithoutTime(),
            "{\"bios_sn\":\"\",\"cpu_sn\":[\"BFEBFBFF000306A9\"],\"default_language\":\"\","
            "\"explore_name_version\":\"\",\"gmt_time\":\"T\","
            "\"os_name_version\":\"Version 0.0.0\"}\n");
  balance.expectBalanced("empty machine");
}

TEST_F(Document, ParsesBackWithJsoncpp) {
  IORegistryModel model =
      fakes::registry({{"IOPlatformSerialNumber", IORegistryValue::string("C02\xC3\x84Z")}},
                      {{{serial("")}, {serial("S\xC3\xA9rie")}}, {}, {{serial("B,2")}}});
  IORegistrySetModelForTesting(&model);
  CPUIDSetHandlerForTesting(fakeWithSerial);
  std::string text = getclientinfojson();
  Json::Value root;
  Json::CharReaderBuilder builder;
  std::string errors;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  ASSERT_TRUE(reader->parse(text.data(), text.data() + text.size(), &root, &errors)) << errors;
  ASSERT_TRUE(root.isObject());
  EXPECT_EQ(root.size(), 10u);
  // Non-ASCII serial without a Mac Roman pointer reads as empty.
  EXPECT_EQ(root["bios_sn"].asString(), "");
  ASSERT_EQ(root["cpu_sn"].size(), 1u);
  EXPECT_EQ(root["cpu_sn"][0].asString(), "BFEBFBFF000306A9000123459ABCDEF0");
  // The first probe walks past the empty serial; "B,2" is cut at its comma.
  ASSERT_EQ(root["hd_sn"].size(), 3u);
  EXPECT_EQ(root["hd_sn"][0].asString(), "S\xC3\xA9rie");
  EXPECT_EQ(root["hd_sn"][1].asString(), "B");
  EXPECT_EQ(root["hd_sn"][2].asString(), "2");
  EXPECT_EQ(root["explore_name_version"].asString(), g_uabuf);
  EXPECT_EQ(root["gmt_time"].asString().size(), 14u);
  EXPECT_EQ(root["screen_resolution"][0].asString(), "1440x877");
  EXPECT_EQ(text.back(), '\n');
}

TEST_F(Document, HardDiskSerialsListEveryProbeFromTheFirstFound) {
  struct Case {
    const char* what;
    IORegistryModel model;
    std::string expected;
  } cases[] = {
      {"only disk0", fakes::registry({}, {{{serial("WD-1")}}}), "WD-1" + std::string(19, ',')},
      {"disk1 and disk3", fakes::registry({}, {{}, {{serial("A")}}, {{}}, {{{}, {serial("B")}}}}),
       "A,,B" + std::string(16, ',')},
      {"empty serial at the first ancestor, a higher one has text",
       fakes::registry(
           {}, {{{serial("")}, {{"Serial Number", IORegistryValue::integer(3)}}, {serial("UP")}}}),
       "UP" + std::string(19, ',')},
      {"disk19 alone",
       [] {
         IORegistryModel m = fakes::registry({});
         for (int n = 0; n < 19; ++n) m.disks.push_back(-1);
         IORegistryModel d = fakes::registry({}, {{{serial("LAST")}}});
         m.entries = d.entries;
         m.disks.push_back(d.disks[0]);
         return m;
       }(),
       "LAST"},
      {"no serials", fakes::registry({}, {{{}}, {{}}}), ""},
  };
  for (const Case& c : cases) {
    IORegistrySetModelForTesting(&c.model);
    Balance balance;
    EXPECT_EQ(getharddisksn(), c.expected) << c.what;
    balance.expectBalanced(c.what);
  }
}

TEST_F(Document, OneDiskSerialIsAOneElementArray) {
  std::string text = getclientinfojson();
  EXPECT_NE(text.find("\"hd_sn\":[\"WD-1\"],"), std::string::npos) << text;
}

TEST_F(Document, ScreenResolutionPutsTheMainScreenFirst) {
  struct Case {
    const char* what;
    std::vector<NSRect> frames;
    int mainIndex;
    const char* expected;
  } cases[] = {
      {"main in the middle",
       {NSMakeRect(0, 0, 800, 600), NSMakeRect(800, 0, 1280, 1024), NSMakeRect(0, 0, 640, 480)},
       1,
       "1280x1024,800x600,640x480"},
      {"no main screen",
       {NSMakeRect(0, 0, 800, 600), NSMakeRect(0, 0, 640, 480)},
       -1,
       ",800x600,640x480"},
      {"one screen", {NSMakeRect(0, 23, 1439.9, 876.5)}, 0, "1439x876"},
      {"no screens", {}, -1, ""},
  };
  for (const Case& c : cases) {
    NSScreenSetScreensForTesting(&c.frames, c.mainIndex);
    getscreenresolution();
    Balance balance;
    EXPECT_EQ(getscreenresolution(), c.expected) << c.what;
    balance.expectBalanced(c.what);
  }
  // Without a main screen the document keeps the other screens only.
  std::vector<NSRect> frames = {NSMakeRect(0, 0, 800, 600)};
  NSScreenSetScreensForTesting(&frames, -1);
  EXPECT_NE(getclientinfojson().find("\"screen_resolution\":[\"800x600\"]}"), std::string::npos);
}

TEST_F(Document, CpuIdentifierHas16Or32Digits) {
  EXPECT_EQ(getcpuidlikewmi(), "BFEBFBFF000306A9");
  CPUIDSetHandlerForTesting(fakeWithSerial);
  EXPECT_EQ(getcpuidlikewmi(), "BFEBFBFF000306A9000123459ABCDEF0");
  CPUIDSetHandlerForTesting(nullptr);
  std::string real = getcpuidlikewmi();
  EXPECT_TRUE(real.size() == 16 || real.size() == 32) << real;
  EXPECT_EQ(real.find_first_not_of("0123456789ABCDEF"), std::string::npos) << real;
}

TEST_F(Document, OsVersionFromGestalt) {
  EXPECT_EQ(getosversion(), "Version 10.9.5");
  GestaltSetSystemVersion(10, 15, 7);
  EXPECT_EQ(getosversion(), "Version 10.15.7");
  GestaltSetFailing(true);
  EXPECT_EQ(getosversion(), "Version 0.0.0");
}

TEST_F(Document, DefaultLanguageIsTheFirstPreferred) {
  EXPECT_EQ(getdefaultlanguage(), "zh-Hans-CN");
  std::vector<std::string> none;
  NSUserDefaultsSetAppleLanguagesForTesting(&none);
  EXPECT_EQ(getdefaultlanguage(), "");
  NSUserDefaultsSetAppleLanguagesForTesting(nullptr);
  Balance balance;
  EXPECT_EQ(getdefaultlanguage(), "");
  balance.expectBalanced("absent preference");
}

TEST_F(Document, DefaultLanguageFromTheProcessLocale) {
  NSUserDefaultsResetForTesting();
  struct Case {
    const char *lcAll, *lcMessages, *lang, *language;
    const char* expected;
  } cases[] = {
      {"", "", "de_DE.UTF-8", "", "de-DE"},
      {"", "", "C.UTF-8", "fr", "en"},  // LANGUAGE is not read under the C locale
      {"", "", "", "", "en"},
      {"", "pt_BR", "de_DE.UTF-8", "", "pt-BR"},
      {"sr_RS.UTF-8@latin", "pt_BR", "de_DE", "", "sr-RS"},
      {"", "", "it_IT.UTF-8", "fr_CA:de", "fr-CA"},
      {"POSIX", "", "it_IT", "fr", "en"},
  };
  for (const Case& c : cases) {
    setenv("LC_ALL", c.lcAll, 1);
    setenv("LC_MESSAGES", c.lcMessages, 1);
    setenv("LANG", c.lang, 1);
    setenv("LANGUAGE", c.language, 1);
    EXPECT_EQ(getdefaultlanguage(), c.expected) << c.lcAll << "|" << c.lang << "|" << c.language;
  }
  setenv("LC_ALL", "", 1);
  setenv("LANGUAGE", "fr_CA:de:it_IT", 1);
  setenv("LANG", "it_IT.UTF-8", 1);
  EXPECT_EQ(NSUserDefaultsLanguagesFromLocale(),
            (std::vector<std::string>{"fr-CA", "de", "it-IT"}));
}

TEST_F(Document, TimestampIsLocalTimeNotUtc) {
  // Five and a half hours east of UTC, so the local and UTC texts always differ.
  setenv("TZ", "XYZ-05:30", 1);
  tzset();
  std::time_t before = std::time(nullptr);
  std::string stamp = getlocaltimestamp();
  std::time_t after = std::time(nullptr);
  auto format = [](std::time_t t, bool utc) {
    std::tm tm;
    if (utc)
      gmtime_r(&t, &tm);
    else
      localtime_r(&t, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &tm);
    return std::string(text);
  };
  EXPECT_EQ(stamp.size(), 14u);
  EXPECT_TRUE(format(before, false) <= stamp && stamp <= format(after, false)) << stamp;
  EXPECT_NE(stamp, format(before, true));
  EXPECT_NE(stamp, format(after, true));
  std::string text = getclientinfojson();
  EXPECT_EQ(text.find("\"gmt_time\":\"" + format(before, true)), std::string::npos);
  unsetenv("TZ");
  tzset();
}

TEST_F(Document, UserAgentIsTheSharedBufferUpToItsEnd) {
  EXPECT_EQ(getuseragent(), "Mozilla/5.0 (Macintosh; \"test\") Safari\\1");
  std::memset(g_uabuf, 'u', 4095);
  g_uabuf[4095] = '\0';
  EXPECT_EQ(getuseragent(), std::string(4095, 'u'));
  g_uabuf[0] = '\0';
  EXPECT_EQ(getuseragent(), "");
}

TEST_F(Document, AddressListsFromTheInterfaceWalk) {
  Balance balance;
  EXPECT_EQ(getiplist(), "10.0.0.5,192.168.7.2");
  EXPECT_EQ(getmaclist(), "00-1b-63-ab-cd-ef,02-00-00-00-00-01");
  std::vector<bsd::InterfaceEntry> twice = {
      link("en0", {1, 2, 3, 4, 5, 6}), link("en0", {1, 2, 3, 4, 5, 7}),
      link("en2", {1, 2, 3, 4, 5, 6, 7, 8}), link("en3", {9, 9, 9, 9, 9, 9}, 0)};
  bsd::setInterfacesForTesting(&twice);
  EXPECT_EQ(getmaclist(), "01-02-03-04-05-07");
  EXPECT_EQ(getiplist(), "");
  bsd::setInterfacesForTesting(&twice, /*fail=*/true);
  EXPECT_EQ(getmaclist(), "");
  EXPECT_EQ(getiplist(), "");
  balance.expectBalanced("address lists");
}

TEST_F(Document, CopyPlatformSerialHandsOverTheProperty) {
  Balance balance;
  CFTypeRef serialNumber = copyplatformsn();
  ASSERT_NE(serialNumber, nullptr);
  EXPECT_EQ(CFGetTypeID(serialNumber), CFStringGetTypeID());
  EXPECT_STREQ(NSStringFromCF(static_cast<CFStringRef>(serialNumber))->UTF8String(), "C02TEST123");
  EXPECT_EQ(CFGetRetainCount(serialNumber), 1);
  CFRelease(serialNumber);
  IORegistryModel bare = fakes::registry({});
  IORegistrySetModelForTesting(&bare);
  EXPECT_EQ(copyplatformsn(), nullptr);
  balance.expectBalanced("copyplatformsn");
}

TEST_F(Document, OnThisMachine) {
  bsd::setInterfacesForTesting(nullptr);
  IORegistrySetModelForTesting(nullptr);
  CPUIDSetHandlerForTesting(nullptr);
  NSUserDefaultsResetForTesting();
  NSScreenSetScreensForTesting(nullptr, -1);
  getclientinfojson();
  Balance balance;
  std::string text = getclientinfojson();
  balance.expectBalanced("this machine");
  Json::Value root;
  Json::CharReaderBuilder builder;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  ASSERT_TRUE(reader->parse(text.data(), text.data() + text.size(), &root, nullptr)) << text;
  EXPECT_EQ(root["cpu_sn"].size(), 1u);
  EXPECT_EQ(root["ip_address"].isArray() ? root["ip_address"].size() > 0 : true, true);
  SUCCEED() << text;
}

}  // namespace
