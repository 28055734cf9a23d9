// The Core Animation text field is not built yet: no widgets or layer are
// made, and events are not handled.
#include "entry/ca_hooks.h"

#include "plugin/PluginInstance.h"

int16_t handleCoreAnimationEvent(NPP, NPCocoaEvent*) { return 0; }

void setupLayerHierarchy(PluginInstance*) {}

void buildCoreAnimationWidgets(PluginInstance*) {}

void placePanel(PluginInstance*) {}

void releaseCoreAnimationObjects(PluginInstance*) {}

void clearTextField(NSTextField*) {}
