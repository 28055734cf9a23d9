#include "CoreServices/Gestalt.h"

#include "CoreServices/GestaltTesting.h"

namespace {

struct SystemVersion {
  SInt32 major = 10;
  SInt32 minor = 12;
  SInt32 bugFix = 6;
  bool failing = false;
};

SystemVersion& current() {
  static SystemVersion version;
  return version;
}

}  // namespace

OSErr Gestalt(OSType selector, SInt32* response) {
  if (!response) return -50;  // paramErr
  const SystemVersion& v = current();
  if (v.failing) return gestaltUnknownErr;
  switch (selector) {
    case gestaltSystemVersionMajor:
      *response = v.major;
      return noErr;
    case gestaltSystemVersionMinor:
      *response = v.minor;
      return noErr;
    case gestaltSystemVersionBugFix:
      *response = v.bugFix;
      return noErr;
    default:
      return gestaltUndefSelectorErr;
  }
}

void GestaltSetSystemVersion(SInt32 major, SInt32 minor, SInt32 bugFix) {
  SystemVersion& v = current();
  v.major = major;
  v.minor = minor;
  v.bugFix = bugFix;
}

void GestaltSetFailing(bool failing) { current().failing = failing; }

void GestaltResetForTesting() { current() = SystemVersion(); }
