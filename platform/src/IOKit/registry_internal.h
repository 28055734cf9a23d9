// Shared between the registry and DiskArbitration.
#pragma once

#include <memory>

#include "IOKit/IOKitLib.h"
#include "IOKit/IOKitTesting.h"

// The model lookups start from: the injected one or a fresh sysfs reading.
std::shared_ptr<const IORegistryModel> IORegistrySnapshot();

// A new reference to entry index of model (0 when index is out of range).
io_object_t IORegistryIssueReference(std::shared_ptr<const IORegistryModel> model, int index);

// Reads the registry from sysfs.
IORegistryModel IORegistryReadSysfs();
