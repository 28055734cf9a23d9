// Connects the password box to the control below it: the control reaches the
// box only through its hook table (plugin/hooks.h).
#pragma once

// Fills every slot of g_entryHooks with the box's functions: the Core
// Animation and Core Graphics event handlers, the Core Animation widget
// building, layer tree, placing and releasing, clearpo and the regular-
// expression test. The module calls it once as it loads; a program that links
// the libraries and drives the NPP_ functions calls it before the first one.
// Calling it again changes nothing.
void installEntryHooks();
