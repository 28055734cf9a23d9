// The invoke hook of editNPClass: the 14 script methods.
#pragma once

#include <cstdint>

#include "npapi/npruntime.h"

// True for the 14 method identifiers (whatever the method produced), false
// for any other identifier, which leaves result untouched. args are not read.
// Without a result variant to fill (null), nothing runs and the answer is false.
bool editorNPObjectInvoke(NPObject* object, NPIdentifier name, const NPVariant* args,
                          uint32_t argCount, NPVariant* result);
