// The I/O registry: entries in the "IOService" plane with their properties.
//
// Entries are reached through io_object_t references; every reference handed
// out (by a lookup, a parent query or a match) is the caller's and is given
// back with IOObjectRelease. Property objects are Core Foundation objects
// owned by the caller. Here the registry is read from sysfs (see
// IOKit/IOKitTesting.h), or injected by tests.
#pragma once

#include <cstdint>

#include "CoreFoundation/CFBase.h"
#include "CoreFoundation/CFDictionary.h"
#include "CoreFoundation/CFString.h"

typedef uint32_t mach_port_t;
typedef int kern_return_t;
typedef mach_port_t io_object_t;
typedef io_object_t io_registry_entry_t;
typedef io_object_t io_service_t;
typedef uint32_t IOOptionBits;

#define KERN_SUCCESS 0
#define kIOReturnSuccess KERN_SUCCESS
#define kIOReturnNoDevice ((kern_return_t)0xe00002c0)
#define kIOReturnBadArgument ((kern_return_t)0xe00002c2)
#define kIOReturnNotFound ((kern_return_t)0xe00002f0)
#define IO_OBJECT_NULL ((io_object_t)0)
#define MACH_PORT_NULL ((mach_port_t)0)
#define kIOServicePlane "IOService"

constexpr mach_port_t kIOMasterPortDefault = MACH_PORT_NULL;

// Gives back one reference; kIOReturnBadArgument for an unknown one.
kern_return_t IOObjectRelease(io_object_t object);

// The entry's parent in plane (only "IOService" is known) as a new reference;
// kIOReturnNoDevice and *parent = 0 when it has none.
kern_return_t IORegistryEntryGetParentEntry(io_registry_entry_t entry, const char* plane,
                                            io_registry_entry_t* parent);

// All properties of the entry in a new dictionary owned by the caller.
kern_return_t IORegistryEntryCreateCFProperties(io_registry_entry_t entry,
                                                CFMutableDictionaryRef* properties,
                                                CFAllocatorRef allocator, IOOptionBits options);

// One property of the entry, owned by the caller; null when it has none.
CFTypeRef IORegistryEntryCreateCFProperty(io_registry_entry_t entry, CFStringRef key,
                                          CFAllocatorRef allocator, IOOptionBits options);

// A matching dictionary for services of the class name, owned by the caller
// (until handed to IOServiceGetMatchingService).
CFMutableDictionaryRef IOServiceMatching(const char* name);

// The first service that matches, or 0. Consumes one reference to matching.
io_service_t IOServiceGetMatchingService(mach_port_t masterPort, CFDictionaryRef matching);

// The entry at a registry path; "IOService:/" is the root of the plane (the
// platform expert device). 0 when there is no such entry.
io_registry_entry_t IORegistryEntryFromPath(mach_port_t masterPort, const char* path);
