// The bundle entry points (exported) and the instance functions that
// NP_GetEntryPoints hands the browser (internal: reached through the table).
#pragma once

#include "npapi/npfunctions.h"

NP_EXPORT(NPError) NP_Initialize(NPNetscapeFuncs* bFuncs);
NP_EXPORT(NPError) NP_GetEntryPoints(NPPluginFuncs* pFuncs);
NP_EXPORT(NPError) NP_Shutdown(void);

// NP_GetEntryPoints answers 3 (NPERR_INVALID_FUNCTABLE_ERROR), writing nothing,
// for a null table or one whose size cannot hold every slot up to setvalue.
// NPP_New answers 0; 8 when the browser lacks the event model the chosen
// drawing model needs (the record stays on the handle for NPP_Destroy); 5 when
// the browser cannot give memory for the record or cannot create the
// scriptable object, or when memory runs out while the control is built (the
// record stays on the handle, without the widgets it could not finish); 1 for
// any other failure; 2 for a null handle; 3 before NP_Initialize.
// No entry point throws: NPP_Destroy, NPP_SetWindow and NPP_GetValue answer 1
// (NPERR_GENERIC_ERROR) for a failure they could not finish.
NPError NPP_New(NPMIMEType pluginType, NPP instance, uint16_t mode, int16_t argc, char* argn[],
                char* argv[], NPSavedData* saved);
NPError NPP_Destroy(NPP instance, NPSavedData** save);
NPError NPP_SetWindow(NPP instance, NPWindow* window);
NPError NPP_NewStream(NPP instance, NPMIMEType type, NPStream* stream, NPBool seekable,
                      uint16_t* stype);
NPError NPP_DestroyStream(NPP instance, NPStream* stream, NPReason reason);
void NPP_StreamAsFile(NPP instance, NPStream* stream, const char* fname);
int32_t NPP_WriteReady(NPP instance, NPStream* stream);
int32_t NPP_Write(NPP instance, NPStream* stream, int32_t offset, int32_t len, void* buffer);
void NPP_Print(NPP instance, NPPrint* platformPrint);
// NPP_HandleEvent: the handler's answer (1 handled, 0 not); 0 for a control
// without a drawing model, and for an event it had no memory to handle.
int16_t NPP_HandleEvent(NPP instance, void* event);
void NPP_URLNotify(NPP instance, const char* url, NPReason reason, void* notifyData);
NPError NPP_GetValue(NPP instance, NPPVariable variable, void* value);
NPError NPP_SetValue(NPP instance, NPNVariable variable, void* value);
