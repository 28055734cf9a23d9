#include <cstring>
#include <map>
#include <mutex>

#include "CoreFoundation/CFNumber.h"
#include "registry_internal.h"

namespace {

// The object behind one registry reference.
class RegistryReference : public NSObject {
 public:
  RegistryReference(std::shared_ptr<const IORegistryModel> m, int i)
      : model(std::move(m)), index(i) {}
  const std::shared_ptr<const IORegistryModel> model;
  const int index;
};

std::mutex g_mutex;
std::unique_ptr<IORegistryModel> g_injected;
std::map<io_object_t, RegistryReference*> g_references;
io_object_t g_nextPort = 0x1003;

// The reference for a port, kept alive by the caller's reference.
RegistryReference* lookup(io_object_t object) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_references.find(object);
  return it == g_references.end() ? nullptr : it->second;
}

const IORegistryEntryModel* entryOf(const RegistryReference* ref) {
  return ref ? &ref->model->entries[ref->index] : nullptr;
}

// A new Core Foundation object for a property value; null when the text is not UTF-8.
CFTypeRef createValue(const IORegistryValue& value) {
  if (value.kind == IORegistryValue::kNumber)
    return CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt64Type, &value.number);
  return CFStringCreateWithCString(kCFAllocatorDefault, value.text.c_str(), kCFStringEncodingUTF8);
}

}  // namespace

void IORegistrySetModelForTesting(const IORegistryModel* model) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_injected.reset(model ? new IORegistryModel(*model) : nullptr);
}

std::shared_ptr<const IORegistryModel> IORegistrySnapshot() {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_injected) return std::make_shared<const IORegistryModel>(*g_injected);
  }
  return std::make_shared<const IORegistryModel>(IORegistryReadSysfs());
}

IORegistryModel IORegistryCurrentModel() { return *IORegistrySnapshot(); }

io_object_t IORegistryIssueReference(std::shared_ptr<const IORegistryModel> model, int index) {
  if (!model || index < 0 || index >= static_cast<int>(model->entries.size()))
    return IO_OBJECT_NULL;
  auto* ref = new RegistryReference(std::move(model), index);
  std::lock_guard<std::mutex> lock(g_mutex);
  io_object_t port = g_nextPort;
  g_nextPort += 4;
  if (g_nextPort < 0x1003) g_nextPort = 0x1003;  // wrapped: never hand out 0
  g_references[port] = ref;
  return port;
}

long IOObjectOutstandingReferences() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return static_cast<long>(g_references.size());
}

kern_return_t IOObjectRelease(io_object_t object) {
  RegistryReference* ref = nullptr;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_references.find(object);
    if (it == g_references.end()) return kIOReturnBadArgument;
    ref = it->second;
    g_references.erase(it);
  }
  ref->release();
  return KERN_SUCCESS;
}

kern_return_t IORegistryEntryGetParentEntry(io_registry_entry_t entry, const char* plane,
                                            io_registry_entry_t* parent) {
  if (!parent) return kIOReturnBadArgument;
  *parent = IO_OBJECT_NULL;
  RegistryReference* ref = lookup(entry);
  if (!ref || !plane || std::strcmp(plane, kIOServicePlane) != 0) return kIOReturnBadArgument;
  int up = entryOf(ref)->parent;
  if (up < 0) return kIOReturnNoDevice;
  *parent = IORegistryIssueReference(ref->model, up);
  return *parent ? KERN_SUCCESS : kIOReturnNoDevice;
}

kern_return_t IORegistryEntryCreateCFProperties(io_registry_entry_t entry,
                                                CFMutableDictionaryRef* properties,
                                                CFAllocatorRef allocator, IOOptionBits) {
  if (!properties) return kIOReturnBadArgument;
  *properties = nullptr;
  const IORegistryEntryModel* e = entryOf(lookup(entry));
  if (!e) return kIOReturnBadArgument;
  CFMutableDictionaryRef dict = CFDictionaryCreateMutable(
      allocator, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  for (const auto& [name, value] : e->properties) {
    CFStringRef key = CFStringCreateWithCString(allocator, name.c_str(), kCFStringEncodingUTF8);
    CFTypeRef v = createValue(value);
    if (key && v) CFDictionarySetValue(dict, key, v);
    if (key) CFRelease(key);
    if (v) CFRelease(v);
  }
  *properties = dict;
  return KERN_SUCCESS;
}

CFTypeRef IORegistryEntryCreateCFProperty(io_registry_entry_t entry, CFStringRef key,
                                          CFAllocatorRef, IOOptionBits) {
  const IORegistryEntryModel* e = entryOf(lookup(entry));
  if (!e || !key || CFGetTypeID(key) != CFStringGetTypeID()) return nullptr;
  const char* name = NSStringFromCF(key)->UTF8String();
  for (const auto& [propertyName, value] : e->properties)
    if (propertyName == name) return createValue(value);
  return nullptr;
}

CFMutableDictionaryRef IOServiceMatching(const char* name) {
  if (!name) return nullptr;
  CFMutableDictionaryRef dict = CFDictionaryCreateMutable(
      kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  CFStringRef value = CFStringCreateWithCString(kCFAllocatorDefault, name, kCFStringEncodingUTF8);
  if (value) {
    CFDictionarySetValue(dict, CFSTR("IOProviderClass"), value);
    CFRelease(value);
  }
  return dict;
}

io_service_t IOServiceGetMatchingService(mach_port_t, CFDictionaryRef matching) {
  if (!matching) return IO_OBJECT_NULL;
  io_service_t found = IO_OBJECT_NULL;
  CFTypeRef wanted = CFDictionaryGetValue(matching, CFSTR("IOProviderClass"));
  if (wanted && CFGetTypeID(wanted) == CFStringGetTypeID()) {
    const char* className = NSStringFromCF(static_cast<CFStringRef>(wanted))->UTF8String();
    std::shared_ptr<const IORegistryModel> model = IORegistrySnapshot();
    for (size_t i = 0; i < model->entries.size(); ++i) {
      if (model->entries[i].className == className) {
        found = IORegistryIssueReference(model, static_cast<int>(i));
        break;
      }
    }
  }
  CFRelease(matching);  // the matching dictionary is consumed
  return found;
}

io_registry_entry_t IORegistryEntryFromPath(mach_port_t, const char* path) {
  if (!path || std::strcmp(path, "IOService:/") != 0) return IO_OBJECT_NULL;
  std::shared_ptr<const IORegistryModel> model = IORegistrySnapshot();
  return IORegistryIssueReference(model, model->root);
}
