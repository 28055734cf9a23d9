// Identifiers of the client machine for the script methods. Each getter asks
// the system afresh, keeps nothing between calls and never fails: where the
// system has no answer the text is empty.
#pragma once

#include <string>

#include "Foundation/NSString.h"

// "Vendor[<vendor>-<leaf 1 EDX>]:ID[<leaf 1 EAX>-<leaf 3 EDX>-<leaf 3 ECX>]",
// each number as eight upper-case hex digits: always 60 characters. A new
// string owned by the caller.
NSString* getcpuidstring();

// The IPv4 address of every interface that is up and not the loopback (the
// last one of each interface), followed by ":" and its 6-byte hardware address
// as "xx-xx-xx-xx-xx-xx" when it has one; entries in byte-wise order of the
// interface names, joined by ";". A new string owned by the caller, empty when
// nothing qualifies (never null).
NSString* getipmaclist();

// The "Serial Number" of the first ancestor of /dev/disk0's IOMedia entry that
// has one (also when it is empty). Owned by the caller; empty when none is
// found (never null).
NSString* getdisk0sn();

// The platform serial number ("IOPlatformSerialNumber"); empty when there is
// none or it has no plain Mac Roman form.
std::string getplatformsn();
