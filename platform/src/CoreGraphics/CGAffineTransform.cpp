#include "CoreGraphics/CGAffineTransform.h"

#include <cmath>

CGAffineTransform CGAffineTransformMake(CGFloat a, CGFloat b, CGFloat c, CGFloat d, CGFloat tx,
                                        CGFloat ty) {
  return {a, b, c, d, tx, ty};
}

CGAffineTransform CGAffineTransformMakeRotation(CGFloat angle) {
  const CGFloat s = std::sin(angle);
  const CGFloat c = std::cos(angle);
  return {c, s, -s, c, 0, 0};
}

CGPoint CGPointApplyAffineTransform(CGPoint p, CGAffineTransform t) {
  return {t.a * p.x + t.c * p.y + t.tx, t.b * p.x + t.d * p.y + t.ty};
}
