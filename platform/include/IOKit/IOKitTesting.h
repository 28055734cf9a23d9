// What the I/O registry stand-in presents, and its test seam: a model injected
// in place of the machine's registry.
//
// Without an injected model the registry is read from sysfs on every lookup:
// - the root of the "IOService" plane is an IOPlatformExpertDevice whose
//   "IOPlatformSerialNumber" is the DMI product serial (or the device tree's
//   serial-number), when readable;
// - "/dev/diskN" is the N-th whole disk of /sys/block (those backed by a
//   device, in name order). Its IOMedia entry's parent is an
//   IOBlockStorageDriver carrying the disk's own attributes, then come the
//   device's parents in /sys/devices up to the root. A "Serial Number"
//   property is a device's serial attribute;
// - what cannot be read, or reads empty, is simply absent.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct IORegistryValue {
  enum Kind { kString, kNumber } kind = kString;
  std::string text;    // kString: UTF-8
  int64_t number = 0;  // kNumber

  static IORegistryValue string(std::string s) { return {kString, std::move(s), 0}; }
  static IORegistryValue integer(int64_t n) { return {kNumber, std::string(), n}; }
};

struct IORegistryEntryModel {
  std::string className;
  int parent = -1;  // index in IORegistryModel::entries, -1 for none
  std::vector<std::pair<std::string, IORegistryValue>> properties;
};

struct IORegistryModel {
  std::vector<IORegistryEntryModel> entries;
  int root = -1;              // the entry at "IOService:/"
  std::vector<int> disks;     // disks[N]: the IOMedia entry of "/dev/diskN"; -1: no such disk
  bool sessionFails = false;  // DASessionCreate answers null
};

// While a model is set (a copy is taken), the registry and DiskArbitration
// answer from it; nullptr goes back to sysfs.
void IORegistrySetModelForTesting(const IORegistryModel* model);

// The model the registry presents now (the injected one or a fresh sysfs
// reading).
IORegistryModel IORegistryCurrentModel();

// Registry references handed out and not yet released.
long IOObjectOutstandingReferences();
