// What the Core Animation text field offers the entry points; installEntryHooks
// (entry/install.h) puts these functions into the control's hook table. The
// platform's widget objects may be absent on any of these calls (a message to
// nil does nothing): each function checks.
#pragma once

#include <cstdint>

#include "npapi/npapi.h"

struct PluginInstance;

// NPP_HandleEvent for drawing mode 1: 1 handled, 0 not.
int16_t handleCoreAnimationEvent(NPP npp, NPCocoaEvent* event);

// Builds instance->rootLayer (retained by the record) with the text field's
// layer under it; NPP_GetValue calls it on the first layer request. Memory
// that runs out throws std::bad_alloc and leaves rootLayer none, so a later
// request builds it again.
void setupLayerHierarchy(PluginInstance* instance);

// The widget steps of NPP_New in Core Animation mode, after the attributes:
// makes the text field (kept in instance->textField) with its cell, alignment
// and formatter bound to instance->scriptObject, and the panel (kept in
// instance->panel). NPP_New then binds the field to the scriptable object.
// Memory that runs out throws std::bad_alloc after releasing everything made
// so far: the record gets the field and the panel together or neither.
void buildCoreAnimationWidgets(PluginInstance* instance);

// NPP_SetWindow: moves the panel to instance->window's rectangle and asks it
// to become key. Without a panel: nothing.
void placePanel(PluginInstance* instance);

// NPP_Destroy: releases rootLayer, panel and textField (each may be none) and
// clears the fields.
void releaseCoreAnimationObjects(PluginInstance* instance);
