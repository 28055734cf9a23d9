// The drawn box's event handling and clearing are not built yet; the redraw
// request is, since every drawing mode's NPP_SetWindow uses it.
#include "entry/cg_hooks.h"

#include "plugin/PluginInstance.h"
#include "plugin/npn.h"

int16_t handleCoreGraphicsEvent(NPP, NPCocoaEvent*) { return 0; }

void invalidateAndRedraw(NPP npp) {
  PluginInstance* record = pluginInstanceOf(npp);
  if (!record) return;
  NPRect rect;
  rect.top = 0;
  rect.left = 0;
  rect.bottom = static_cast<uint16_t>(record->window.height);
  rect.right = static_cast<uint16_t>(record->window.width);
  NPN_InvalidateRect(npp, &rect);
  NPN_ForceRedraw(npp);
}

void clearpo(NPP) {}
