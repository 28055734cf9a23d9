// Test seam of the screens: a configuration in place of the machine's.
#pragma once

#include <vector>

#include "AppKit/NSScreen.h"

// One screen of an injected configuration.
struct NSScreenLayout {
  NSRect frame;
  NSRect visibleFrame;
};

// The screens' frames (visible frames alike) and which one is the main screen
// (-1: none of them). nullptr goes back to the machine.
void NSScreenSetScreensForTesting(const std::vector<NSRect>* frames, int mainIndex);
// A screen configuration with distinct visible frames.
void NSScreenSetLayoutForTesting(const std::vector<NSScreenLayout>* screens, int mainIndex);
