// The interface walk and the disk-ancestor walk, shared by the identifier
// getters and the client-information document.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "BSD/ifaddrs.h"
#include "CoreFoundation/CFDictionary.h"
#include "IOKit/IOKitLib.h"

namespace clientinfo {

// Interface name -> text, in byte-wise order of the names.
typedef std::map<std::string, std::string> InterfaceTable;

// Whether an entry takes part in the walks: it has an address, is up and is
// not the loopback.
bool interfaceQualifies(const ifaddrs* entry);

// The first walk: for each qualifying AF_INET entry, the table entry of its
// interface is set to the dotted address (a later address replaces an earlier
// one).
InterfaceTable ipv4ByInterface(const ifaddrs* list);

// The hardware address of a qualifying AF_LINK entry whose address is exactly
// 6 bytes, as "xx-xx-xx-xx-xx-xx"; empty for any other entry.
std::string hardwareAddress(const ifaddrs* entry);

// The table's texts in its order, with separator between two of them.
std::string joinTable(const InterfaceTable& table, const char* separator);

// Runs fn over the interface list and frees the list; false (fn not run) when
// the list cannot be had.
bool withInterfaceList(const std::function<void(const ifaddrs* list)>& fn);

// The disk-ancestor walk: opens a DiskArbitration session, the disk for
// devicePath and its IOMedia entry, then visits the properties of each
// ancestor in the "IOService" plane from the IOMedia entry's parent upward
// (the IOMedia entry itself is never visited) until visit returns true or
// there is no further parent. Everything obtained is released before it
// returns; a value visit keeps must be retained inside visit. False when the
// session, the disk or its IOMedia entry cannot be had.
bool walkDiskAncestors(const char* devicePath,
                       const std::function<bool(CFDictionaryRef properties)>& visit);

}  // namespace clientinfo
