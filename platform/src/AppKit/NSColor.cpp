#include "AppKit/NSColor.h"

NSColor* NSColor::colorWithCalibratedRed(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha) {
  return NSAutorelease(new NSColor(red, green, blue, alpha));
}
NSColor* NSColor::yellowColor() { return colorWithCalibratedRed(1, 1, 0, 1); }
NSColor* NSColor::whiteColor() { return colorWithCalibratedRed(1, 1, 1, 1); }
NSColor* NSColor::blackColor() { return colorWithCalibratedRed(0, 0, 0, 1); }
