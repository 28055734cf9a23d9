// What the control asks of the password box. The box (entry/) is built on top
// of the control and uses its record and scriptable object; the control
// reaches the box only through this table, which the box fills once when the
// module starts (installEntryHooks in entry/install.h). A test program that
// links the libraries and drives the NPP_ functions installs it first.
//
// Every slot may be empty (as it is before the box fills the table); the
// control then does the nothing written beside the slot. With an empty table
// no widget is ever made, so a control keeps no Cocoa object but its edit
// buffer.
#pragma once

#include <cstdint>

#include "Foundation/NSString.h"
#include "npapi/npapi.h"

struct PluginInstance;

struct EntryHooks {
  // NPP_HandleEvent for drawing mode 1 and 2: 1 handled, 0 not.
  // Empty: 0, the event is not handled.
  int16_t (*handleCoreAnimationEvent)(NPP npp, NPCocoaEvent* event);
  int16_t (*handleCoreGraphicsEvent)(NPP npp, NPCocoaEvent* event);

  // NPP_New in Core Animation mode: makes the text field and the panel and
  // keeps them in the record. Empty: the record gets neither.
  void (*buildCoreAnimationWidgets)(PluginInstance* instance);
  // NPP_GetValue, first layer request: builds the record's root layer.
  // Empty: no root layer; the browser is handed none.
  void (*setupLayerHierarchy)(PluginInstance* instance);
  // NPP_SetWindow: moves the panel to the record's window. Empty: nothing.
  void (*placePanel)(PluginInstance* instance);
  // NPP_Destroy: releases the root layer, the panel and the text field and
  // clears the record's fields. Empty: nothing (an empty table made none).
  void (*releaseCoreAnimationObjects)(PluginInstance* instance);

  // ClearSeCtrl in Core Graphics mode: empties the edit buffer, puts the
  // caret at 0 and redraws. Empty: nothing.
  void (*clearpo)(NPP npp);

  // The whole-password test's matcher: YES when the whole text matches the
  // pattern; raises for a pattern that is not a valid regular expression.
  // Empty: the pattern cannot be evaluated, so the test passes without a
  // verdict.
  BOOL (*doesMatchRegStringExp)(const NSString* receiver, const NSString* pattern);
};

// The process-wide table; all slots empty at load.
extern EntryHooks g_entryHooks;
