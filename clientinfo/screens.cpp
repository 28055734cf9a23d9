#include <cmath>
#include <cstdint>
#include <cstdio>

#include "AppKit/NSScreen.h"
#include "clientinfo/clientinfo.h"

namespace {
// Truncated toward zero to a 32-bit integer (held within its range).
int32_t truncated(CGFloat v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(v);
}
}  // namespace

std::string getscreenresolution() {
  NSAutoreleasePool pool;  // screens and mainScreen hand out autoreleased objects
  NSArray* screens = NSScreen::screens();
  NSScreen* mainScreen = NSScreen::mainScreen();
  NSUInteger count = screens ? screens->count() : 0;
  std::string mainPart, otherPart;
  for (NSUInteger i = 0; i < count; ++i) {
    auto* screen = dynamic_cast<NSScreen*>(screens->objectAtIndex(i));
    if (!screen) continue;
    NSRect frame = screen->visibleFrame();
    char text[32];
    std::snprintf(text, sizeof text, "%dx%d", truncated(frame.size.width),
                  truncated(frame.size.height));
    if (screen == mainScreen) {
      mainPart = text;
    } else {
      if (!otherPart.empty()) otherPart += ",";
      otherPart += text;
    }
  }
  return otherPart.empty() ? mainPart : mainPart + "," + otherPart;
}
