#include "CoreGraphics/CGBitmapContext.h"

#include <cstring>

#include "CGContextInternal.h"

CGColorSpaceRef CGColorSpaceCreateDeviceRGB() { return new CGColorSpace(); }

void CGColorSpaceRelease(CGColorSpaceRef space) {
  if (space) space->release();
}

CGContextRef CGBitmapContextCreate(void* data, size_t width, size_t height, size_t bitsPerComponent,
                                   size_t bytesPerRow, CGColorSpaceRef /*space*/,
                                   CGBitmapInfo info) {
  if (bitsPerComponent != 8 || width == 0 || height == 0) return nullptr;
  if ((info & kCGBitmapByteOrderMask) != kCGBitmapByteOrder32Little) return nullptr;
  cairo_format_t format;
  switch (info & kCGBitmapAlphaInfoMask) {
    case kCGImageAlphaPremultipliedFirst:
      format = CAIRO_FORMAT_ARGB32;
      break;
    case kCGImageAlphaNoneSkipFirst:
      format = CAIRO_FORMAT_RGB24;
      break;
    default:
      return nullptr;
  }
  if (width > 32767 || height > 32767) return nullptr;  // cairo's image limit
  if (!data && bytesPerRow == 0) bytesPerRow = width * 4;
  if (bytesPerRow < width * 4 || bytesPerRow % 4 != 0 || bytesPerRow > 0x7fffffff) return nullptr;

  unsigned char* owned = nullptr;
  if (!data) {
    owned = new unsigned char[bytesPerRow * height];
    std::memset(owned, 0, bytesPerRow * height);
    data = owned;
  }
  cairo_surface_t* surface = cairo_image_surface_create_for_data(
      static_cast<unsigned char*>(data), format, static_cast<int>(width), static_cast<int>(height),
      static_cast<int>(bytesPerRow));
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    delete[] owned;
    return nullptr;
  }
  return new CGContext(surface, owned);
}

void* CGBitmapContextGetData(CGContextRef c) {
  if (!c) return nullptr;
  cairo_surface_flush(c->surface);
  return cairo_image_surface_get_data(c->surface);
}

size_t CGBitmapContextGetWidth(CGContextRef c) {
  return c ? static_cast<size_t>(cairo_image_surface_get_width(c->surface)) : 0;
}

size_t CGBitmapContextGetHeight(CGContextRef c) {
  return c ? static_cast<size_t>(cairo_image_surface_get_height(c->surface)) : 0;
}

size_t CGBitmapContextGetBytesPerRow(CGContextRef c) {
  return c ? static_cast<size_t>(cairo_image_surface_get_stride(c->surface)) : 0;
}

bool CGBitmapContextWritePNGFile(CGContextRef c, const char* path) {
  if (!c || !path) return false;
  cairo_surface_flush(c->surface);
  return cairo_surface_write_to_png(c->surface, path) == CAIRO_STATUS_SUCCESS;
}
