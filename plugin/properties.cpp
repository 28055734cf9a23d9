// Property lookup over the 17 names. Reading and storing values, and the embed
// attributes, are not built yet: the get and set hooks accept every property
// name and change nothing, and no attribute is applied.
#include "plugin/properties.h"

#include "plugin/EditNPObject.h"

bool editorNPHasPropertyFunctionPtr(NPObject*, NPIdentifier name) {
  return propertyIndexOf(name) >= 0;
}

bool editorNPGetPropertyFunctionPtr(NPObject*, NPIdentifier name, NPVariant*) {
  return propertyIndexOf(name) >= 0;
}

bool editorNPSetPropertyFunctionPtr(NPObject*, NPIdentifier name, const NPVariant*) {
  return propertyIndexOf(name) >= 0;
}

void parseEmbedAttributes(editorplugin*, int16_t, char*[], char*[]) {}
