// Linked into every test program that calls the system's libraries directly
// and also drives them through the host. While the program starts it does what
// the module does as it loads (the box fills the control's hook table), and
// tells the host's browser to use the linked entry points, so it never loads
// the built module beside them (two copies of the process-wide state would
// disagree).
#include "entry/install.h"
#include "host/browser.h"
#include "plugin/npp.h"

namespace {

const bool g_registered = [] {
  installEntryHooks();
  host::Browser::useLinkedModule({NP_Initialize, NP_GetEntryPoints, NP_Shutdown});
  return true;
}();

}  // namespace
