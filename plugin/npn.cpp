#include "plugin/npn.h"

#include "plugin/PluginInstance.h"

NPNetscapeFuncs* browser = nullptr;

const char* NPN_UserAgent(NPP instance) {
  return BROWSER_OFFERS(uagent) ? browser->uagent(instance) : nullptr;
}

void* NPN_MemAlloc(uint32_t size) {
  return BROWSER_OFFERS(memalloc) ? browser->memalloc(size) : nullptr;
}

void NPN_MemFree(void* ptr) {
  if (ptr && BROWSER_OFFERS(memfree)) browser->memfree(ptr);
}

NPError NPN_GetValue(NPP instance, NPNVariable variable, void* value) {
  return BROWSER_OFFERS(getvalue) ? browser->getvalue(instance, variable, value)
                                  : NPERR_GENERIC_ERROR;
}

NPError NPN_SetValue(NPP instance, NPPVariable variable, void* value) {
  return BROWSER_OFFERS(setvalue) ? browser->setvalue(instance, variable, value)
                                  : NPERR_GENERIC_ERROR;
}

void NPN_InvalidateRect(NPP instance, NPRect* rect) {
  if (BROWSER_OFFERS(invalidaterect)) browser->invalidaterect(instance, rect);
}

void NPN_ForceRedraw(NPP instance) {
  if (BROWSER_OFFERS(forceredraw)) browser->forceredraw(instance);
}

void NPN_GetStringIdentifiers(const NPUTF8** names, int32_t count, NPIdentifier* identifiers) {
  if (BROWSER_OFFERS(getstringidentifiers)) {
    browser->getstringidentifiers(names, count, identifiers);
  } else {
    for (int32_t i = 0; i < count; ++i) identifiers[i] = nullptr;
  }
}

NPObject* NPN_CreateObject(NPP npp, NPClass* aClass) {
  return BROWSER_OFFERS(createobject) ? browser->createobject(npp, aClass) : nullptr;
}

NPObject* NPN_RetainObject(NPObject* obj) {
  if (obj && BROWSER_OFFERS(retainobject)) return browser->retainobject(obj);
  return obj;
}

void NPN_ReleaseObject(NPObject* obj) {
  if (obj && BROWSER_OFFERS(releaseobject)) browser->releaseobject(obj);
}

void NPN_ReleaseVariantValue(NPVariant* variant) {
  if (variant && BROWSER_OFFERS(releasevariantvalue)) browser->releasevariantvalue(variant);
}

uint32_t NPN_ScheduleTimer(NPP instance, uint32_t interval, NPBool repeat,
                           void (*timerFunc)(NPP npp, uint32_t timerID)) {
  return BROWSER_OFFERS(scheduletimer)
             ? browser->scheduletimer(instance, interval, repeat, timerFunc)
             : 0;
}

void NPN_UnscheduleTimer(NPP instance, uint32_t timerID) {
  if (BROWSER_OFFERS(unscheduletimer)) browser->unscheduletimer(instance, timerID);
}

bool browserSupports(NPP instance, NPNVariable variable) {
  NPBool value = 0;
  return NPN_GetValue(instance, variable, &value) == NPERR_NO_ERROR && value;
}

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
