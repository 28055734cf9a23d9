// The document's getters that read the machine.
#include <cstdio>
#include <ctime>

#include "CoreFoundation/CFString.h"
#include "Foundation/NSArray.h"
#include "Foundation/NSUserDefaults.h"
#include "IOKit/IOKitLib.h"
#include "clientinfo/clientinfo.h"
#include "clientinfo/cpuid.h"
#include "clientinfo/useragent.h"
#include "clientinfo/walks.h"

std::string getuseragent() {
  // g_uabuf is always zero-terminated within its 4096 bytes.
  size_t length = 0;
  while (length < sizeof g_uabuf - 1 && g_uabuf[length]) ++length;
  return std::string(g_uabuf, length);
}

std::string getdefaultlanguage() {
  NSAutoreleasePool pool;  // the defaults hand out autoreleased values
  NSObject* value =
      NSUserDefaults::standardUserDefaults()->objectForKey(NSStringFromCF(CFSTR("AppleLanguages")));
  auto* languages = dynamic_cast<NSArray*>(value);
  if (!languages || languages->count() == 0) return std::string();
  auto* first = dynamic_cast<NSString*>(languages->objectAtIndex(0));
  if (!first) return std::string();
  return std::string(first->UTF8String(), first->lengthOfBytesUsingEncoding(NSUTF8StringEncoding));
}

std::string getlocaltimestamp() {
  std::time_t now = std::time(nullptr);
  std::tm local;
  if (!localtime_r(&now, &local)) return std::string();
  char text[100];
  std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

std::string getcpuidlikewmi() {
  uint32_t regs[4] = {0, 0, 0, 0};
  do_cpuid(1, regs);
  uint32_t features = regs[3], signature = regs[0];
  do_cpuid(3, regs);
  uint32_t serialHigh = regs[3], serialLow = regs[2];
  char text[1024];
  if (serialHigh || serialLow)
    std::snprintf(text, sizeof text, "%08X%08X%08X%08X", features, signature, serialHigh,
                  serialLow);
  else
    std::snprintf(text, sizeof text, "%08X%08X", features, signature);
  return text;
}

std::string getharddisksn() {
  std::string result;
  for (int n = 0; n < 20; ++n) {
    char path[32];
    std::snprintf(path, sizeof path, "/dev/disk%d", n);
    std::string serial;
    clientinfo::walkDiskAncestors(path, [&serial](CFDictionaryRef properties) {
      CFTypeRef value = CFDictionaryGetValue(properties, CFSTR("Serial Number"));
      if (value && CFGetTypeID(value) == CFStringGetTypeID())
        serial = NSStringFromCF(static_cast<CFStringRef>(value))->UTF8String();
      return !serial.empty();
    });
    if (!result.empty()) result += ",";
    result += serial;
  }
  return result;
}

std::string getiplist() {
  std::string joined;
  clientinfo::withInterfaceList([&joined](const ifaddrs* list) {
    joined = clientinfo::joinTable(clientinfo::ipv4ByInterface(list), ",");
  });
  return joined;
}

std::string getmaclist() {
  std::string joined;
  clientinfo::withInterfaceList([&joined](const ifaddrs* list) {
    clientinfo::InterfaceTable table;
    for (const ifaddrs* e = list; e; e = e->ifa_next) {
      std::string hardware = clientinfo::hardwareAddress(e);
      if (!hardware.empty()) table[e->ifa_name] = hardware;
    }
    joined = clientinfo::joinTable(table, ",");
  });
  return joined;
}

CFTypeRef copyplatformsn() {
  io_registry_entry_t root = IORegistryEntryFromPath(kIOMasterPortDefault, "IOService:/");
  if (!root) return nullptr;
  CFTypeRef serial = IORegistryEntryCreateCFProperty(root, CFSTR("IOPlatformSerialNumber"),
                                                     kCFAllocatorDefault, 0);
  IOObjectRelease(root);
  return serial;
}
