// The script methods are not built yet: every call answers false (not
// handled) and leaves the result as the browser passed it.
#include "plugin/methods.h"

bool editorNPObjectInvoke(NPObject*, NPIdentifier, const NPVariant*, uint32_t, NPVariant*) {
  return false;
}
