// Reads the I/O registry's model from sysfs.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "registry_internal.h"

namespace {

bool exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

std::string realPath(const std::string& path) {
  char buffer[PATH_MAX];
  return ::realpath(path.c_str(), buffer) ? std::string(buffer) : std::string();
}

// The attribute's text without surrounding blanks and zero bytes; empty when
// it cannot be read.
std::string readAttribute(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::string();
  std::string text;
  char buffer[4096];
  in.read(buffer, sizeof buffer);
  text.assign(buffer, static_cast<size_t>(in.gcount()));
  const char* blank = " \t\r\n\v\f";
  size_t end = text.find_last_not_of(std::string(blank) + '\0');
  if (end == std::string::npos) return std::string();
  size_t begin = text.find_first_not_of(blank);
  return text.substr(begin, end + 1 - begin);
}

void addSerial(IORegistryEntryModel* entry, const std::string& dir, const char* propertyName) {
  std::string serial = readAttribute(dir + "/serial");
  if (!serial.empty())
    entry->properties.emplace_back(propertyName, IORegistryValue::string(serial));
}

std::vector<std::string> wholeDisks() {
  std::vector<std::string> names;
  DIR* dir = ::opendir("/sys/block");
  if (!dir) return names;
  while (dirent* e = ::readdir(dir)) {
    std::string name = e->d_name;
    if (name[0] == '.') continue;
    // Disks backed by a device; loop, zram and mapper devices have none.
    if (exists("/sys/block/" + name + "/device")) names.push_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

IORegistryModel IORegistryReadSysfs() {
  IORegistryModel model;
  IORegistryEntryModel root;
  root.className = "IOPlatformExpertDevice";
  std::string serial = readAttribute("/sys/class/dmi/id/product_serial");
  if (serial.empty()) serial = readAttribute("/sys/firmware/devicetree/base/serial-number");
  if (!serial.empty())
    root.properties.emplace_back("IOPlatformSerialNumber", IORegistryValue::string(serial));
  model.entries.push_back(root);
  model.root = 0;

  std::map<std::string, int> devices;  // sysfs device folder -> entry
  for (const std::string& name : wholeDisks()) {
    // The device's folders from the top of /sys/devices down to the disk's device.
    std::vector<std::string> chain;
    for (std::string p = realPath("/sys/block/" + name + "/device");
         p.size() > std::string("/sys/devices/").size() && p.rfind("/sys/devices/", 0) == 0;
         p = p.substr(0, p.rfind('/'))) {
      if (exists(p + "/uevent")) chain.push_back(p);
    }
    int parent = model.root;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
      auto known = devices.find(*it);
      if (known != devices.end()) {
        parent = known->second;
        continue;
      }
      IORegistryEntryModel device;
      std::string subsystem = realPath(*it + "/subsystem");
      device.className =
          subsystem.empty() ? "IOService" : subsystem.substr(subsystem.rfind('/') + 1);
      device.parent = parent;
      addSerial(&device, *it, "Serial Number");
      parent = static_cast<int>(model.entries.size());
      devices[*it] = parent;
      model.entries.push_back(device);
    }
    IORegistryEntryModel driver;
    driver.className = "IOBlockStorageDriver";
    driver.parent = parent;
    addSerial(&driver, "/sys/block/" + name, "Serial Number");
    model.entries.push_back(driver);

    IORegistryEntryModel media;
    media.className = "IOMedia";
    media.parent = static_cast<int>(model.entries.size()) - 1;
    media.properties.emplace_back("BSD Name", IORegistryValue::string(name));
    media.properties.emplace_back("Whole", IORegistryValue::integer(1));
    model.disks.push_back(static_cast<int>(model.entries.size()));
    model.entries.push_back(media);
  }
  return model;
}
