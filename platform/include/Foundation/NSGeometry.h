// Foundation's geometry types, the same structures as Core Graphics' (as on
// 64-bit macOS).
#pragma once

#include "CoreGraphics/CGGeometry.h"

typedef CGPoint NSPoint;
typedef CGSize NSSize;
typedef CGRect NSRect;

inline constexpr NSPoint NSZeroPoint = {0, 0};
inline constexpr NSRect NSZeroRect = {{0, 0}, {0, 0}};

inline NSPoint NSMakePoint(CGFloat x, CGFloat y) { return {x, y}; }
inline NSSize NSMakeSize(CGFloat width, CGFloat height) { return {width, height}; }
inline NSRect NSMakeRect(CGFloat x, CGFloat y, CGFloat width, CGFloat height) {
  return {{x, y}, {width, height}};
}
