// The platform stand-ins the identifier getters rest on.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "BSD/ifaddrs.h"
#include "BSD/ifaddrsTesting.h"
#include "CoreFoundation/CFDictionary.h"
#include "CoreFoundation/CFNumber.h"
#include "DiskArbitration/DiskArbitration.h"
#include "IOKit/IOKitLib.h"
#include "balance.h"
#include "fakes.h"

namespace {

std::string hex(const unsigned char* bytes, size_t n) {
  std::string s;
  char b[4];
  for (size_t i = 0; i < n; ++i) {
    std::snprintf(b, sizeof b, i ? ":%02x" : "%02x", bytes[i]);
    s += b;
  }
  return s;
}

TEST(InterfaceList, LinkEntriesHaveTheBsdShape) {
  fakes::RealMachineAfter restore;
  std::vector<bsd::InterfaceEntry> list = {fakes::link("en10", {0xde, 0xad, 0xbe, 0xef, 0, 1}),
                                           fakes::inet("en10", "172.16.0.1", IFF_UP | IFF_RUNNING)};
  bsd::setInterfacesForTesting(&list);
  ifaddrs* head = nullptr;
  ASSERT_EQ(getifaddrs(&head), 0);
  ASSERT_NE(head, nullptr);
  ASSERT_EQ(head->ifa_addr->sa_family, AF_LINK);
  const auto* dl = reinterpret_cast<const sockaddr_dl*>(head->ifa_addr);
  EXPECT_STREQ(head->ifa_name, "en10");
  EXPECT_EQ(dl->sdl_nlen, 4);
  EXPECT_EQ(dl->sdl_alen, 6);
  EXPECT_EQ(std::memcmp(dl->sdl_data, "en10", 4), 0);
  EXPECT_EQ(hex(LLADDR(dl), dl->sdl_alen), "de:ad:be:ef:00:01");
  ifaddrs* second = head->ifa_next;
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->ifa_flags, unsigned(IFF_UP | IFF_RUNNING));
  ASSERT_EQ(second->ifa_addr->sa_family, AF_INET);
  EXPECT_EQ(reinterpret_cast<sockaddr_in*>(second->ifa_addr)->sin_addr.s_addr, htonl(0xAC100001));
  EXPECT_EQ(second->ifa_next, nullptr);
  EXPECT_EQ(bsd::outstandingInterfaceLists(), 1);
  freeifaddrs(head);
  EXPECT_EQ(bsd::outstandingInterfaceLists(), 0);
}

TEST(InterfaceList, LinkEntriesOfThisMachineCarryItsHardwareAddresses) {
  ifaddrs* head = nullptr;
  ASSERT_EQ(getifaddrs(&head), 0);
  int links = 0;
  for (ifaddrs* e = head; e; e = e->ifa_next) {
    if (!e->ifa_addr || e->ifa_addr->sa_family != AF_LINK) continue;
    ++links;
    const auto* dl = reinterpret_cast<const sockaddr_dl*>(e->ifa_addr);
    EXPECT_EQ(std::string(dl->sdl_data, dl->sdl_nlen), e->ifa_name);
    std::ifstream in(std::string("/sys/class/net/") + e->ifa_name + "/address");
    std::string sysfs;
    std::getline(in, sysfs);
    EXPECT_EQ(hex(LLADDR(dl), dl->sdl_alen), sysfs) << e->ifa_name;
  }
  freeifaddrs(head);
  EXPECT_GT(links, 0);
}

TEST(CoreFoundation, DictionariesRetainAndReleaseTheirValues) {
  Balance balance;
  CFMutableDictionaryRef d = CFDictionaryCreateMutable(
      kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  CFStringRef key = CFStringCreateWithCString(nullptr, "Serial Number", kCFStringEncodingUTF8);
  CFStringRef sameKey = CFStringCreateWithCString(nullptr, "Serial Number", kCFStringEncodingUTF8);
  CFStringRef v1 = CFStringCreateWithCString(nullptr, "one", kCFStringEncodingUTF8);
  int64_t seven = 7;
  CFNumberRef v2 = CFNumberCreate(nullptr, kCFNumberSInt64Type, &seven);
  CFDictionarySetValue(d, key, v1);
  EXPECT_EQ(CFGetRetainCount(v1), 2);
  CFDictionarySetValue(d, sameKey, v2);  // replaces under an equal key
  EXPECT_EQ(CFGetRetainCount(v1), 1);
  EXPECT_EQ(CFDictionaryGetCount(d), 1);
  EXPECT_EQ(CFDictionaryGetValue(d, key), v2);
  EXPECT_EQ(CFGetTypeID(CFDictionaryGetValue(d, key)), CFNumberGetTypeID());
  EXPECT_EQ(CFGetTypeID(v1), CFStringGetTypeID());
  EXPECT_EQ(CFGetTypeID(d), CFDictionaryGetTypeID());
  int32_t out = 0;
  EXPECT_TRUE(CFNumberGetValue(v2, kCFNumberSInt32Type, &out));
  EXPECT_EQ(out, 7);
  EXPECT_EQ(CFDictionaryGetValue(d, v1), nullptr);
  for (CFTypeRef cf : {CFTypeRef(key), CFTypeRef(sameKey), CFTypeRef(v1), CFTypeRef(v2)})
    CFRelease(cf);
  CFRelease(d);
  balance.expectBalanced("dictionary");
}

TEST(IORegistry, MatchingConsumesTheDictionaryAndReferencesAreCounted) {
  fakes::RealMachineAfter restore;
  IORegistryModel model = fakes::registry(
      {{"IOPlatformSerialNumber", IORegistryValue::string("X")}}, {{{fakes::serial("S")}}});
  IORegistrySetModelForTesting(&model);
  CFSTR("IOProviderClass");
  Balance balance;
  io_service_t service = IOServiceGetMatchingService(kIOMasterPortDefault,
                                                     IOServiceMatching("IOPlatformExpertDevice"));
  ASSERT_NE(service, IO_OBJECT_NULL);
  io_registry_entry_t root = IORegistryEntryFromPath(kIOMasterPortDefault, "IOService:/");
  ASSERT_NE(root, IO_OBJECT_NULL);
  EXPECT_NE(root, service);  // each lookup is its own reference
  EXPECT_EQ(IOObjectOutstandingReferences(), balance.references + 2);
  io_registry_entry_t none = 1;
  EXPECT_EQ(IORegistryEntryGetParentEntry(root, kIOServicePlane, &none), kIOReturnNoDevice);
  EXPECT_EQ(none, IO_OBJECT_NULL);
  io_service_t media =
      IOServiceGetMatchingService(kIOMasterPortDefault, IOServiceMatching("IOMedia"));
  EXPECT_NE(media, IO_OBJECT_NULL);
  EXPECT_EQ(IOServiceGetMatchingService(kIOMasterPortDefault, IOServiceMatching("Nothing")),
            IO_OBJECT_NULL);
  EXPECT_EQ(IORegistryEntryFromPath(kIOMasterPortDefault, "IODeviceTree:/"), IO_OBJECT_NULL);
  EXPECT_EQ(IOObjectRelease(service), KERN_SUCCESS);
  EXPECT_EQ(IOObjectRelease(service), kIOReturnBadArgument);
  EXPECT_EQ(IOObjectRelease(root), KERN_SUCCESS);
  EXPECT_EQ(IOObjectOutstandingReferences(), balance.references + 1);  // the IOMedia one
  IOObjectRelease(media);
  balance.expectBalanced("registry");
}

TEST(IORegistry, DiskNamesAndTheSysfsReading) {
  // This machine's whole disks, in name order, are /dev/disk0, /dev/disk1...
  IORegistryModel model = IORegistryCurrentModel();
  ASSERT_GE(model.root, 0);
  EXPECT_EQ(model.entries[model.root].className, "IOPlatformExpertDevice");
  for (size_t n = 0; n < model.disks.size(); ++n) {
    const IORegistryEntryModel& media = model.entries[model.disks[n]];
    EXPECT_EQ(media.className, "IOMedia");
    std::string bsdName = media.properties.at(0).second.text;
    EXPECT_TRUE(std::ifstream("/sys/block/" + bsdName + "/dev").good()) << bsdName;
    // Every chain reaches the root.
    int e = model.disks[n], steps = 0;
    while (model.entries[e].parent >= 0 && steps++ < 64) e = model.entries[e].parent;
    EXPECT_EQ(e, model.root);
  }
  Balance balance;
  DASessionRef session = DASessionCreate(kCFAllocatorDefault);
  ASSERT_NE(session, nullptr);
  for (const char* bad : {"sda", "/dev/disk", "disk0s1", "/dev/diskx", "disk-1"})
    EXPECT_EQ(DADiskCreateFromBSDName(kCFAllocatorDefault, session, bad), nullptr) << bad;
  DADiskRef past = DADiskCreateFromBSDName(kCFAllocatorDefault, session, "disk999");
  ASSERT_NE(past, nullptr);
  EXPECT_EQ(DADiskCopyIOMedia(past), IO_OBJECT_NULL);
  CFRelease(past);
  CFRelease(session);
  balance.expectBalanced("DiskArbitration");
}

}  // namespace

#include "AppKit/NSScreen.h"
#include "AppKit/NSScreenTesting.h"
#include "Foundation/NSUserDefaults.h"
#include "Foundation/NSUserDefaultsTesting.h"

namespace {

TEST(Screens, TheMainScreenIsOneOfTheScreensObjects) {
  std::vector<NSRect> frames = {NSMakeRect(0, 0, 800, 600), NSMakeRect(800, 0, 1024, 768)};
  NSScreenSetScreensForTesting(&frames, 1);
  NSScreen* first;
  {
    NSAutoreleasePool pool;
    NSArray* screens = NSScreen::screens();
    ASSERT_EQ(screens->count(), 2u);
    NSScreen* main = NSScreen::mainScreen();
    EXPECT_EQ(main, screens->objectAtIndex(1));
    EXPECT_EQ(main->visibleFrame().size.width, 1024);
    EXPECT_EQ(screens->objectAtIndex(2), nullptr);
    first = main;
  }
  Balance balance;
  {
    NSAutoreleasePool pool;
    EXPECT_EQ(NSScreen::mainScreen(), first);  // the same display, the same object
  }
  balance.expectBalanced("unchanged screens");
  std::vector<NSRect> none;
  NSScreenSetScreensForTesting(&none, -1);
  {
    NSAutoreleasePool pool;
    EXPECT_EQ(NSScreen::screens()->count(), 0u);
    EXPECT_EQ(NSScreen::mainScreen(), nullptr);
  }
  EXPECT_EQ(NSObject::liveObjects(), balance.objects - 2);  // the two screens went away
  NSScreenSetScreensForTesting(nullptr, -1);
  NSAutoreleasePool pool;
  // No display on a machine without display outputs.
  if (!std::ifstream("/sys/class/drm/version").good()) {
    EXPECT_EQ(NSScreen::screens()->count(), 0u);
  }
}

TEST(UserDefaults, AppleLanguagesIsAnArrayOfStrings) {
  NSAutoreleasePool pool;
  std::vector<std::string> languages = {"en-GB", "de"};
  NSUserDefaultsSetAppleLanguagesForTesting(&languages);
  NSUserDefaults* defaults = NSUserDefaults::standardUserDefaults();
  EXPECT_EQ(defaults, NSUserDefaults::standardUserDefaults());
  auto* array =
      dynamic_cast<NSArray*>(defaults->objectForKey(NSStringFromCF(CFSTR("AppleLanguages"))));
  ASSERT_NE(array, nullptr);
  ASSERT_EQ(array->count(), 2u);
  EXPECT_STREQ(dynamic_cast<NSString*>(array->objectAtIndex(1))->UTF8String(), "de");
  EXPECT_EQ(defaults->objectForKey(NSStringFromCF(CFSTR("AppleLocale"))), nullptr);
  NSUserDefaultsSetAppleLanguagesForTesting(nullptr);
  EXPECT_EQ(defaults->objectForKey(NSStringFromCF(CFSTR("AppleLanguages"))), nullptr);
  NSUserDefaultsResetForTesting();
}

}  // namespace
