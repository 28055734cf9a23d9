// Bitmap contexts: a CGContext drawing into memory, 8 bits per component,
// 32 bits per pixel in native-endian ARGB words (premultiplied alpha, or
// alpha ignored).
//
// The initial user space is the bitmap's own: origin at the top-left pixel
// corner, y growing downward, one unit per pixel, as the flipped context a
// browser hands a plug-in.
#pragma once

#include <cstddef>
#include <cstdint>

#include "CoreGraphics/CGColorSpace.h"
#include "CoreGraphics/CGContext.h"

typedef uint32_t CGBitmapInfo;
enum : CGBitmapInfo {
  kCGImageAlphaPremultipliedFirst = 2,
  kCGImageAlphaNoneSkipFirst = 6,
  kCGBitmapAlphaInfoMask = 0x1F,
  kCGBitmapByteOrder32Little = 2 << 12,
  kCGBitmapByteOrderMask = 0x7000,
};

// A context drawing into data (bytesPerRow * height bytes, owned by the
// caller, who keeps it alive for the context's life) or, with null data, into
// zeroed memory the context owns. bytesPerRow 0 with null data picks the
// tight value. Answers null (and makes nothing) unless bitsPerComponent is 8,
// the info is one of the two 32-bit little-endian layouts above, width and
// height are positive and bytesPerRow holds a row and is a multiple of 4.
CGContextRef CGBitmapContextCreate(void* data, size_t width, size_t height, size_t bitsPerComponent,
                                   size_t bytesPerRow, CGColorSpaceRef space,
                                   CGBitmapInfo bitmapInfo);

void* CGBitmapContextGetData(CGContextRef c);  // drawing is flushed to it first
size_t CGBitmapContextGetWidth(CGContextRef c);
size_t CGBitmapContextGetHeight(CGContextRef c);
size_t CGBitmapContextGetBytesPerRow(CGContextRef c);

// Writes the bitmap as a PNG file (in place of ImageIO's image destinations,
// which this platform does not model). Answers false when the context is not
// a bitmap context or the file cannot be written.
bool CGBitmapContextWritePNGFile(CGContextRef c, const char* path);
