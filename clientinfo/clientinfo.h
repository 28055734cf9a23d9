// The client-information document: ten facts about the client machine and
// its browser as one compact JSON object. Nothing fails: a getter with no
// answer gives its empty text and the document is always produced.
#pragma once

#include <string>

#include "CoreFoundation/CFBase.h"

#define CLIENTINFO_EXPORT __attribute__((visibility("default")))

// The document serialised on one line, members in byte-wise order of their
// keys, ending in one newline:
//   bios_sn, default_language, explore_name_version, gmt_time and
//   os_name_version as strings (always present);
//   cpu_sn, hd_sn, ip_address, mac and screen_resolution as arrays of the
//   non-empty comma-separated pieces of their getters (left out when there are
//   none).
// Exported by the module for other code (C++ linkage: it returns a string).
CLIENTINFO_EXPORT std::string getclientinfojson();

// The browser's user agent as the last control created in the process
// recorded it; empty before any.
std::string getuseragent();
// The first of the user's preferred languages ("AppleLanguages"), or empty.
std::string getdefaultlanguage();
// "<width>x<height>" of each screen's visible frame, main screen first, joined
// by ","; begins with "," when no screen is the main one; empty with no screen.
std::string getscreenresolution();
// Local date and time as 14 digits, YYYYMMDDhhmmss (empty if the time cannot
// be broken down).
std::string getlocaltimestamp();
// "Version <major>.<minor>.<bugfix>"; a part the system does not give is 0.
std::string getosversion();
// CPUID leaf 1 EDX and EAX as 16 upper-case hex digits, followed by leaf 3
// EDX and ECX when either is non-zero (32 digits).
std::string getcpuidlikewmi();
// The serial numbers of /dev/disk0 to /dev/disk19 joined by ",", from the
// first disk that has one on, empty ones included.
std::string getharddisksn();
// The last IPv4 address of each interface that is up and not the loopback, in
// byte-wise order of the names, joined by ",".
std::string getiplist();
// The 6-byte hardware address ("xx-xx-xx-xx-xx-xx") of each interface that is
// up and not the loopback, in byte-wise order of the names, joined by ",".
std::string getmaclist();
// The root registry entry's "IOPlatformSerialNumber" property, owned by the
// caller (CFRelease); null when there is none.
CFTypeRef copyplatformsn();
