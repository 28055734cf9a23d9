// What the Core Graphics drawn box offers the entry points and the scriptable
// object.
#pragma once

#include <cstdint>

#include "npapi/npapi.h"

// NPP_HandleEvent for drawing mode 2: 1 handled, 0 not.
int16_t handleCoreGraphicsEvent(NPP npp, NPCocoaEvent* event);

// Invalidates the whole plug-in rectangle (top 0, left 0, bottom the window
// height, right the window width, each cut to 16 bits) and forces a redraw.
// Nothing for an npp without a record.
void invalidateAndRedraw(NPP npp);

// Empties the edit buffer, puts the caret at 0 and redraws. Nothing for an npp
// without a record.
void clearpo(NPP npp);
