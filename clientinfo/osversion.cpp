#include <cstdio>

#include "CoreServices/Gestalt.h"
#include "clientinfo/clientinfo.h"

std::string getosversion() {
  // A part Gestalt does not supply stays 0.
  SInt32 major = 0, minor = 0, bugFix = 0;
  Gestalt(gestaltSystemVersionMajor, &major);
  Gestalt(gestaltSystemVersionMinor, &minor);
  Gestalt(gestaltSystemVersionBugFix, &bugFix);
  char text[48];
  std::snprintf(text, sizeof text, "%d.%d.%d", static_cast<int>(major), static_cast<int>(minor),
                static_cast<int>(bugFix));
  return std::string("Version ") + text;
}
