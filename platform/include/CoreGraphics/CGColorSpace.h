// Colour spaces: only device RGB, as the bitmap contexts here use.
#pragma once

typedef struct CGColorSpace* CGColorSpaceRef;

// One owned reference; give it back with CGColorSpaceRelease.
CGColorSpaceRef CGColorSpaceCreateDeviceRGB();
void CGColorSpaceRelease(CGColorSpaceRef space);  // null is allowed
