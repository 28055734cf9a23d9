// Affine transforms in Core Graphics' row-vector form:
//   x' = a*x + c*y + tx,  y' = b*x + d*y + ty.
#pragma once

#include "CoreGraphics/CGGeometry.h"

struct CGAffineTransform {
  CGFloat a, b, c, d;
  CGFloat tx, ty;
};

inline constexpr CGAffineTransform CGAffineTransformIdentity = {1, 0, 0, 1, 0, 0};

CGAffineTransform CGAffineTransformMake(CGFloat a, CGFloat b, CGFloat c, CGFloat d, CGFloat tx,
                                        CGFloat ty);
// Rotation by angle radians, counter-clockwise in a y-up space.
CGAffineTransform CGAffineTransformMakeRotation(CGFloat angle);
CGPoint CGPointApplyAffineTransform(CGPoint point, CGAffineTransform t);
