// The displays attached to the machine.
//
// Here the screens are the connected outputs that the kernel's display
// drivers show in /sys/class/drm, each at its preferred mode, side by side,
// the first one the main screen; a machine without a display has none. A
// screen's visible frame is its whole frame (there is no menu bar or Dock).
// The same display is the same NSScreen object for as long as the screen
// configuration stays as it is.
#pragma once

#include "Foundation/NSArray.h"
#include "Foundation/NSGeometry.h"

class NSScreen : public NSObject {
 public:
  // Every screen, autoreleased; empty without a display.
  static NSArray* screens();
  // The screen with the keyboard focus (here the main display), autoreleased;
  // null when there is none.
  static NSScreen* mainScreen();

  NSRect frame() const { return frame_; }
  NSRect visibleFrame() const { return visibleFrame_; }

 protected:
  NSScreen(NSRect frame, NSRect visibleFrame) : frame_(frame), visibleFrame_(visibleFrame) {}
  ~NSScreen() override = default;

 private:
  friend struct NSScreenConfiguration;
  const NSRect frame_;
  const NSRect visibleFrame_;
};
