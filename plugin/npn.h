// The browser's services, as the control calls them. NP_Initialize keeps the
// browser's table in `browser`; every call to the browser goes through it, via
// the NPN_ functions below. A slot that the browser leaves empty (null, or
// beyond the size its table declares) is not called: the function then answers
// as a refusing browser would (null, 0, an error, or nothing).
#pragma once

#include <cstddef>
#include <cstdint>

#include "npapi/npfunctions.h"

// The browser's function table, shared by every control of the process.
extern NPNetscapeFuncs* browser;

// True when the browser's table holds a usable pointer in slot.
#define BROWSER_OFFERS(slot)                                                   \
  (browser != nullptr &&                                                       \
   offsetof(NPNetscapeFuncs, slot) + sizeof(browser->slot) <= browser->size && \
   browser->slot != nullptr)

const char* NPN_UserAgent(NPP instance);  // null when not offered
void* NPN_MemAlloc(uint32_t size);        // null when not offered or refused
void NPN_MemFree(void* ptr);              // null ptr: nothing
NPError NPN_GetValue(NPP instance, NPNVariable variable, void* value);  // 1 when not offered
NPError NPN_SetValue(NPP instance, NPPVariable variable, void* value);  // 1 when not offered
void NPN_InvalidateRect(NPP instance, NPRect* rect);
void NPN_ForceRedraw(NPP instance);
void NPN_GetStringIdentifiers(const NPUTF8** names, int32_t count, NPIdentifier* identifiers);
NPObject* NPN_CreateObject(NPP npp, NPClass* aClass);  // null when not offered or refused
NPObject* NPN_RetainObject(NPObject* obj);             // obj
void NPN_ReleaseObject(NPObject* obj);                 // null obj: nothing
void NPN_ReleaseVariantValue(NPVariant* variant);
uint32_t NPN_ScheduleTimer(NPP instance, uint32_t interval, NPBool repeat,
                           void (*timerFunc)(NPP npp, uint32_t timerID));  // 0 when not offered
void NPN_UnscheduleTimer(NPP instance, uint32_t timerID);

// Invalidates the whole plug-in rectangle of npp's record (top 0, left 0,
// bottom the window height, right the window width, each cut to 16 bits) and
// forces a redraw. An npp without a record: nothing.
void invalidateAndRedraw(NPP npp);

// NPN_GetValue for one of the browser's NPBool capabilities: true only when
// the browser answers no error and a true value; an error counts as false.
bool browserSupports(NPP instance, NPNVariable variable);
