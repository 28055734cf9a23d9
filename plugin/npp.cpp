#include "plugin/npp.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

#include "CoreServices/Gestalt.h"
#include "Foundation/NSString.h"
#include "clientinfo/useragent.h"
#include "plugin/EditNPObject.h"
#include "plugin/PluginInstance.h"
#include "plugin/hooks.h"
#include "plugin/npn.h"
#include "plugin/properties.h"

namespace {

void* asValue(intptr_t v) { return reinterpret_cast<void*>(v); }

void copyUserAgent(NPP instance) {
  if (!BROWSER_OFFERS(uagent)) return;
  const char* agent = NPN_UserAgent(instance);
  if (!agent) return;
  std::memset(g_uabuf, 0, sizeof g_uabuf);
  std::memcpy(g_uabuf, agent, strnlen(agent, sizeof g_uabuf - 1));
}

// Core Animation only up to 10.12, and only when the browser offers it.
bool useCoreAnimation(NPP instance) {
  SInt32 major = 0;
  SInt32 minor = 0;
  Gestalt(gestaltSystemVersionMajor, &major);
  Gestalt(gestaltSystemVersionMinor, &minor);
  if (major > 10 || minor > 12) return false;
  return browserSupports(instance, NPNVsupportsCoreAnimationBool);
}

NPError newCoreAnimationControl(PluginInstance* record, int16_t argc, char* argn[], char* argv[]) {
  NPP instance = record->npp;
  record->drawingMode = kDrawingModeCoreAnimation;
  NPN_SetValue(instance, NPPVpluginDrawingModel, asValue(NPDrawingModelCoreAnimation));
  if (!browserSupports(instance, NPNVsupportsCocoaBool)) return NPERR_INCOMPATIBLE_VERSION_ERROR;
  NPN_SetValue(instance, NPPVpluginEventModel, asValue(NPEventModelCocoa));
  if (!record->scriptObject)
    record->scriptObject = createEditNPObject(instance, record->textField, 0);
  editorplugin* object = toEditorPlugin(record->scriptObject);
  if (!object) return NPERR_OUT_OF_MEMORY_ERROR;
  parseEmbedAttributes(object, argc, argn, argv);
  if (g_entryHooks.buildCoreAnimationWidgets) g_entryHooks.buildCoreAnimationWidgets(record);
  settextfiled(record->scriptObject, record->textField);
  return NPERR_NO_ERROR;
}

NPError newCoreGraphicsControl(PluginInstance* record, int16_t argc, char* argn[], char* argv[]) {
  NPP instance = record->npp;
  record->drawingMode = kDrawingModeCoreGraphics;
  NPN_SetValue(instance, NPPVpluginDrawingModel, asValue(NPDrawingModelCoreGraphics));
  if (!record->scriptObject) record->scriptObject = createEditNPObject(instance, record, 1);
  editorplugin* object = toEditorPlugin(record->scriptObject);
  if (!object) return NPERR_OUT_OF_MEMORY_ERROR;
  parseEmbedAttributes(object, argc, argn, argv);
  if (!browserSupports(instance, NPNVsupportsCocoaBool)) return NPERR_INCOMPATIBLE_VERSION_ERROR;
  NPN_SetValue(instance, NPPVpluginEventModel, asValue(NPEventModelCocoa));
  return NPERR_NO_ERROR;
}

NPError newControl(NPP instance, int16_t argc, char* argn[], char* argv[]) {
  if (!instance) return NPERR_INVALID_INSTANCE_ERROR;
  if (!browser) return NPERR_INVALID_FUNCTABLE_ERROR;
  void* block = NPN_MemAlloc(sizeof(PluginInstance));
  if (!block) return NPERR_OUT_OF_MEMORY_ERROR;
  std::memset(block, 0, sizeof(PluginInstance));
  PluginInstance* record = new (block) PluginInstance();
  record->npp = instance;
  instance->pdata = record;
  record->editBuffer = new (std::nothrow) NSMutableString();

  copyUserAgent(instance);
  if (useCoreAnimation(instance)) return newCoreAnimationControl(record, argc, argn, argv);
  if (browserSupports(instance, NPNVsupportsCoreGraphicsBool))
    return newCoreGraphicsControl(record, argc, argn, argv);
  if (!browserSupports(instance, NPNVsupportsCarbonBool)) return NPERR_INCOMPATIBLE_VERSION_ERROR;
  NPN_SetValue(instance, NPPVpluginEventModel, asValue(NPEventModelCarbon));
  return NPERR_NO_ERROR;
}

NPError destroyControl(NPP instance) {
  if (!instance) return NPERR_INVALID_INSTANCE_ERROR;
  PluginInstance* record = pluginInstanceOf(instance);
  if (!record) return NPERR_NO_ERROR;
  if (record->caretTimer != 0) {
    NPN_UnscheduleTimer(instance, record->caretTimer);
    record->caretTimer = 0;
  }
  if (record->scriptObject) {
    // The browser may keep the object alive after this: unbind it first, so
    // later script calls find no field and no record to reach.
    detachEditNPObject(record->scriptObject);
    NPN_ReleaseObject(record->scriptObject);
    record->scriptObject = nullptr;
  }
  if (g_entryHooks.releaseCoreAnimationObjects) g_entryHooks.releaseCoreAnimationObjects(record);
  NSRelease(record->editBuffer);
  record->editBuffer = nullptr;
  instance->pdata = nullptr;
  record->~PluginInstance();
  NPN_MemFree(record);
  return NPERR_NO_ERROR;
}

NPError setWindow(NPP instance, NPWindow* window) {
  PluginInstance* record = pluginInstanceOf(instance);
  if (!record) return NPERR_INVALID_INSTANCE_ERROR;
  if (!window) return NPERR_NO_ERROR;
  record->window = *window;
  if (g_entryHooks.placePanel) g_entryHooks.placePanel(record);
  invalidateAndRedraw(instance);
  return NPERR_NO_ERROR;
}

NPError getValue(NPP instance, NPPVariable variable, void* value) {
  PluginInstance* record = pluginInstanceOf(instance);
  if (!record) return NPERR_INVALID_INSTANCE_ERROR;
  if (!value) return NPERR_GENERIC_ERROR;
  switch (variable) {
    case NPPVpluginScriptableNPObject: {
      if (!record->scriptObject) {
        if (record->drawingMode == kDrawingModeCoreAnimation) {
          record->scriptObject = createEditNPObject(instance, record->textField, 0);
        } else if (record->drawingMode == kDrawingModeCoreGraphics) {
          record->scriptObject = createEditNPObject(instance, record, 1);
        }
      }
      if (!record->scriptObject) return NPERR_GENERIC_ERROR;
      *static_cast<NPObject**>(value) = record->scriptObject;
      NPN_RetainObject(record->scriptObject);
      return NPERR_NO_ERROR;
    }
    case NPPVpluginCoreAnimationLayer:
      if (!record->rootLayer && g_entryHooks.setupLayerHierarchy)
        g_entryHooks.setupLayerHierarchy(record);
      *static_cast<CALayer**>(value) = record->rootLayer;
      return NPERR_NO_ERROR;
    default:
      return NPERR_GENERIC_ERROR;
  }
}

}  // namespace

NP_EXPORT(NPError) NP_Initialize(NPNetscapeFuncs* bFuncs) {
  if (!bFuncs) return NPERR_INVALID_FUNCTABLE_ERROR;
  browser = bFuncs;
  return NPERR_NO_ERROR;
}

NP_EXPORT(NPError) NP_GetEntryPoints(NPPluginFuncs* pFuncs) {
  // The browser's size is the room its table has: every slot up to setvalue
  // must fit, or nothing is written.
  if (!pFuncs || pFuncs->size < offsetof(NPPluginFuncs, setvalue) + sizeof(pFuncs->setvalue))
    return NPERR_INVALID_FUNCTABLE_ERROR;
  pFuncs->size = sizeof(NPPluginFuncs);
  pFuncs->version = 11;
  pFuncs->newp = NPP_New;
  pFuncs->destroy = NPP_Destroy;
  pFuncs->setwindow = NPP_SetWindow;
  pFuncs->newstream = NPP_NewStream;
  pFuncs->destroystream = NPP_DestroyStream;
  pFuncs->asfile = NPP_StreamAsFile;
  pFuncs->writeready = NPP_WriteReady;
  pFuncs->write = NPP_Write;
  pFuncs->print = NPP_Print;
  pFuncs->event = NPP_HandleEvent;
  pFuncs->urlnotify = NPP_URLNotify;
  pFuncs->getvalue = NPP_GetValue;
  pFuncs->setvalue = NPP_SetValue;
  return NPERR_NO_ERROR;
}

NP_EXPORT(NPError) NP_Shutdown(void) { return NPERR_NO_ERROR; }

// The entry points below answer the browser with an error code for anything
// the control could not finish: nothing is thrown back to the browser.

NPError NPP_New(NPMIMEType, NPP instance, uint16_t, int16_t argc, char* argn[], char* argv[],
                NPSavedData*) {
  try {
    return newControl(instance, argc, argn, argv);
  } catch (const std::bad_alloc&) {
    return NPERR_OUT_OF_MEMORY_ERROR;
  } catch (...) {
    return NPERR_GENERIC_ERROR;
  }
}

NPError NPP_Destroy(NPP instance, NPSavedData**) {
  try {
    return destroyControl(instance);
  } catch (...) {
    return NPERR_GENERIC_ERROR;
  }
}

NPError NPP_SetWindow(NPP instance, NPWindow* window) {
  try {
    return setWindow(instance, window);
  } catch (...) {
    return NPERR_GENERIC_ERROR;
  }
}

NPError NPP_NewStream(NPP, NPMIMEType, NPStream*, NPBool, uint16_t* stype) {
  if (stype) *stype = NP_ASFILEONLY;
  return NPERR_NO_ERROR;
}

NPError NPP_DestroyStream(NPP, NPStream*, NPReason) { return NPERR_NO_ERROR; }

void NPP_StreamAsFile(NPP, NPStream*, const char*) {}

int32_t NPP_WriteReady(NPP, NPStream*) { return 0; }

int32_t NPP_Write(NPP, NPStream*, int32_t, int32_t, void*) { return 0; }

void NPP_Print(NPP, NPPrint*) {}

int16_t NPP_HandleEvent(NPP instance, void* event) {
  PluginInstance* record = pluginInstanceOf(instance);
  if (!record || !event) return 0;
  NPCocoaEvent* cocoa = static_cast<NPCocoaEvent*>(event);
  try {
    switch (record->drawingMode) {
      case kDrawingModeCoreAnimation:
        if (!g_entryHooks.handleCoreAnimationEvent) return 0;
        return g_entryHooks.handleCoreAnimationEvent(instance, cocoa);
      case kDrawingModeCoreGraphics:
        if (!g_entryHooks.handleCoreGraphicsEvent) return 0;
        return g_entryHooks.handleCoreGraphicsEvent(instance, cocoa);
      default:
        return 0;
    }
  } catch (...) {
    // An event the control had no memory to handle is not handled; nothing
    // reaches the browser.
    return 0;
  }
}

void NPP_URLNotify(NPP, const char*, NPReason, void*) {}

NPError NPP_GetValue(NPP instance, NPPVariable variable, void* value) {
  try {
    return getValue(instance, variable, value);
  } catch (...) {
    return NPERR_GENERIC_ERROR;
  }
}

NPError NPP_SetValue(NPP, NPNVariable, void*) { return NPERR_GENERIC_ERROR; }
