#include "DiskArbitration/DiskArbitration.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "../IOKit/registry_internal.h"

namespace {

class Session : public NSObject {
 public:
  explicit Session(std::shared_ptr<const IORegistryModel> m) : model(std::move(m)) {}
  const std::shared_ptr<const IORegistryModel> model;
};

class Disk : public NSObject {
 public:
  Disk(Session* s, int n) : session(s), number(n) { session->retain(); }
  ~Disk() override { session->release(); }
  Session* const session;
  const int number;
};

}  // namespace

DASessionRef DASessionCreate(CFAllocatorRef) {
  std::shared_ptr<const IORegistryModel> model = IORegistrySnapshot();
  if (model->sessionFails) return nullptr;
  return static_cast<DASessionRef>(const_cast<void*>(CFBridgeRef(new Session(std::move(model)))));
}

DADiskRef DADiskCreateFromBSDName(CFAllocatorRef, DASessionRef session, const char* name) {
  auto* s = session ? dynamic_cast<Session*>(CFBridgeObject(session)) : nullptr;
  if (!s || !name) return nullptr;
  if (std::strncmp(name, "/dev/", 5) == 0) name += 5;
  if (std::strncmp(name, "disk", 4) != 0) return nullptr;
  const char* digits = name + 4;
  size_t count = std::strspn(digits, "0123456789");
  if (count == 0 || count > 6 || digits[count] != '\0') return nullptr;
  return static_cast<DADiskRef>(const_cast<void*>(CFBridgeRef(new Disk(s, std::atoi(digits)))));
}

io_service_t DADiskCopyIOMedia(DADiskRef disk) {
  auto* d = disk ? dynamic_cast<Disk*>(CFBridgeObject(disk)) : nullptr;
  if (!d) return IO_OBJECT_NULL;
  const auto& model = d->session->model;
  if (d->number < 0 || d->number >= static_cast<int>(model->disks.size())) return IO_OBJECT_NULL;
  return IORegistryIssueReference(model, model->disks[d->number]);
}
