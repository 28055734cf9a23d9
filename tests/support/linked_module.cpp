// Linked into every test program that calls the system's libraries directly
// and also drives them through the host: while the program starts, the host's
// browser is told to use the linked entry points, so it never loads the built
// module beside them (two copies of the process-wide state would disagree).
#include "host/browser.h"
#include "plugin/npp.h"

namespace {

const bool g_registered = [] {
  host::Browser::useLinkedModule({NP_Initialize, NP_GetEntryPoints, NP_Shutdown});
  return true;
}();

}  // namespace
