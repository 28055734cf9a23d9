// The per-control record. NPP_New takes a zero-filled block for it from the
// browser (NPN_MemAlloc), hangs it on the instance handle's pdata, and
// NPP_Destroy gives it back; the record owns one reference to each Cocoa
// object it keeps (rootLayer, panel, textField, editBuffer).
#pragma once

#include <cstdint>

#include "npapi/npapi.h"
#include "npapi/npruntime.h"

// The widget classes are defined by the password box (entry/) and the
// platform; the record only points at them.
class CALayer;
class EditorPanel;
class NSTextField;
class NSMutableString;

enum : int32_t {
  kDrawingModeNone = 0,           // Carbon event model, no working control
  kDrawingModeCoreAnimation = 1,  // layer-hosted secure text field
  kDrawingModeCoreGraphics = 2,   // self-drawn box
};

struct PluginInstance {
  NPP npp;                      // the owning instance handle
  NPWindow window;              // copy of the last NPP_SetWindow description
  CALayer* rootLayer;           // owned; built on the browser's first layer request
  EditorPanel* panel;           // owned; hosts the text field (Core Animation)
  NSTextField* textField;       // owned; the secure field (Core Animation)
  NPObject* scriptObject;       // the editorplugin; the reference NPN_CreateObject gave
  int32_t drawingMode;          // kDrawingMode...
  bool hasFocus;                // keyboard focus (Core Graphics)
  NSMutableString* editBuffer;  // owned; the text typed in Core Graphics mode
  int32_t caretIndex;           // caret position in editBuffer
  double clickX;                // plug-in x of the last left mouse-down
  bool clickPending;            // that click waits for the next draw
  uint32_t caretTimer;          // running caret-blink timer, 0 when none
  bool caretOn;                 // caret blink phase
};

// The record hung on npp, or null (no handle, or NPP_New made none).
inline PluginInstance* pluginInstanceOf(NPP npp) {
  return npp ? static_cast<PluginInstance*>(npp->pdata) : nullptr;
}
