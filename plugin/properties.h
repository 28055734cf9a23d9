// Script properties and embed attributes of the scriptable object: the three
// property hooks of editNPClass and the attribute reader NPP_New runs.
#pragma once

#include <cstdint>

#include "npapi/npruntime.h"

class editorplugin;

// Each answers true for the 17 property identifiers and false for any other.
// A value the control has no memory to store leaves its field as it was;
// neither these hooks nor the attribute reader throw.
bool editorNPHasPropertyFunctionPtr(NPObject* object, NPIdentifier name);
bool editorNPGetPropertyFunctionPtr(NPObject* object, NPIdentifier name, NPVariant* result);
bool editorNPSetPropertyFunctionPtr(NPObject* object, NPIdentifier name, const NPVariant* value);

// Stores the embed attributes a control knows (argn/argv: argc zero-terminated
// names and values). Nothing happens for a null object, argc below 1 or a
// null array.
void parseEmbedAttributes(editorplugin* object, int16_t argc, char* argn[], char* argv[]);
