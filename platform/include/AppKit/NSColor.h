#pragma once

#include "CoreGraphics/CGGeometry.h"
#include "Foundation/NSString.h"

// An RGBA colour, components 0 to 1.
class __attribute__((visibility("default"))) NSColor : public NSObject {
 public:
  static NSColor* colorWithCalibratedRed(CGFloat red, CGFloat green, CGFloat blue,
                                         CGFloat alpha);  // autoreleased
  static NSColor* yellowColor();                          // autoreleased
  static NSColor* whiteColor();                           // autoreleased
  static NSColor* blackColor();                           // autoreleased

  CGFloat redComponent() const { return r_; }
  CGFloat greenComponent() const { return g_; }
  CGFloat blueComponent() const { return b_; }
  CGFloat alphaComponent() const { return a_; }

 protected:
  ~NSColor() override = default;

 private:
  NSColor(CGFloat r, CGFloat g, CGFloat b, CGFloat a) : r_(r), g_(g), b_(b), a_(a) {}
  CGFloat r_, g_, b_, a_;
};
