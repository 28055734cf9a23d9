#include "clientinfo/identifiers.h"

#include <cstdio>
#include <cstring>

#include "CoreFoundation/CFString.h"
#include "IOKit/IOKitLib.h"
#include "clientinfo/cpuid.h"
#include "clientinfo/walks.h"

NSString* getcpuidstring() {
  char vendor[13] = "------------";
  uint32_t regs[4] = {0, 0, 0, 0};

  do_cpuid(0, regs);
  std::memcpy(vendor, &regs[1], 4);      // EBX
  std::memcpy(vendor + 4, &regs[3], 4);  // EDX
  std::memcpy(vendor + 8, &regs[2], 4);  // ECX
  vendor[12] = '\0';

  do_cpuid(1, regs);
  uint32_t features = regs[3], signature = regs[0];
  do_cpuid(3, regs);
  uint32_t serialHigh = regs[3], serialLow = regs[2];

  // The vendor bytes may be anything: keep them as Mac Roman bytes so the
  // text stays 60 characters long.
  char text[64];
  int n = std::snprintf(text, sizeof text, "Vendor[%s-%08X]:ID[%08X-%08X-%08X]", vendor, features,
                        signature, serialHigh, serialLow);
  return NSString::initWithCString(text, static_cast<NSUInteger>(n));
}

NSString* getipmaclist() {
  std::string joined;
  clientinfo::withInterfaceList([&joined](const ifaddrs* list) {
    clientinfo::InterfaceTable table = clientinfo::ipv4ByInterface(list);
    for (const ifaddrs* e = list; e; e = e->ifa_next) {
      std::string hardware = clientinfo::hardwareAddress(e);
      if (hardware.empty()) continue;
      auto it = table.find(e->ifa_name);
      if (it != table.end()) it->second += ":" + hardware;
    }
    joined = clientinfo::joinTable(table, ";");
  });
  return NSString::initWithUTF8String(joined.c_str());
}

NSString* getdisk0sn() {
  NSString* serial = nullptr;
  clientinfo::walkDiskAncestors("/dev/disk0", [&serial](CFDictionaryRef properties) {
    CFTypeRef value = CFDictionaryGetValue(properties, CFSTR("Serial Number"));
    if (!value) return false;
    // The first ancestor with the property ends the walk; a value that is not
    // a string gives no serial number.
    if (CFGetTypeID(value) == CFStringGetTypeID())
      serial = NSRetain(NSStringFromCF(static_cast<CFStringRef>(value)));
    return true;
  });
  return serial ? serial : NSString::initWithUTF8String("");
}

std::string getplatformsn() {
  io_service_t service = IOServiceGetMatchingService(kIOMasterPortDefault,
                                                     IOServiceMatching("IOPlatformExpertDevice"));
  if (!service) return std::string();
  std::string serial;
  CFTypeRef property = IORegistryEntryCreateCFProperty(service, CFSTR("IOPlatformSerialNumber"),
                                                       kCFAllocatorDefault, 0);
  if (property) {
    if (CFGetTypeID(property) == CFStringGetTypeID()) {
      const char* text =
          CFStringGetCStringPtr(static_cast<CFStringRef>(property), kCFStringEncodingMacRoman);
      if (text) serial = text;
    }
    CFRelease(property);
  }
  IOObjectRelease(service);
  return serial;
}
