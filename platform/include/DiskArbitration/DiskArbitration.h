// DiskArbitration: sessions and disk objects named by BSD device names, and
// the IOMedia registry entry behind a disk.
//
// Sessions and disks are Core Foundation objects owned by the caller
// (CFRelease). The disks are those of the I/O registry (IOKit/IOKitTesting.h).
#pragma once

#include "CoreFoundation/CFBase.h"
#include "IOKit/IOKitLib.h"

typedef struct __DASession* DASessionRef;
typedef struct __DADisk* DADiskRef;

// A new session; null when DiskArbitration cannot be reached.
DASessionRef DASessionCreate(CFAllocatorRef allocator);

// A disk object for "diskN" or "/dev/diskN"; null for a name of another form.
// The disk need not exist: DADiskCopyIOMedia then answers 0.
DADiskRef DADiskCreateFromBSDName(CFAllocatorRef allocator, DASessionRef session, const char* name);

// The disk's IOMedia entry as a new registry reference, or 0.
io_service_t DADiskCopyIOMedia(DADiskRef disk);
