#include "entry/install.h"

#include "entry/RegExpExtensions.h"
#include "entry/ca_hooks.h"
#include "entry/cg_hooks.h"
#include "plugin/hooks.h"

void installEntryHooks() {
  g_entryHooks.handleCoreAnimationEvent = handleCoreAnimationEvent;
  g_entryHooks.handleCoreGraphicsEvent = handleCoreGraphicsEvent;
  g_entryHooks.buildCoreAnimationWidgets = buildCoreAnimationWidgets;
  g_entryHooks.setupLayerHierarchy = setupLayerHierarchy;
  g_entryHooks.placePanel = placePanel;
  g_entryHooks.releaseCoreAnimationObjects = releaseCoreAnimationObjects;
  g_entryHooks.clearpo = clearpo;
  g_entryHooks.doesMatchRegStringExp = doesMatchRegStringExp;
}
