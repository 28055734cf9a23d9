// State and geometry of the Core Animation text field shared by its handlers.
#pragma once

#include "Foundation/NSString.h"

// The selection the last left mouse-down of any Core Animation control left in
// its field editor: the anchor of drag selection. Process-wide, {0, 0} at load.
extern NSRange oldrange;

// The character index under a plug-in x coordinate: (x - 5) / 6 truncated
// toward zero (a fixed 5-pixel inset, 6 pixels per character). Negative from
// one pixel left of the control on.
long characterIndexForX(double pluginX);
