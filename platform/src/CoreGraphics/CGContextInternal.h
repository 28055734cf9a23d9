// The context object behind CGContextRef: a cairo context on an image surface
// and the parts of the Quartz graphics state cairo does not keep.
#pragma once

#include <cairo.h>

#include <vector>

#include "CoreGraphics/CGBitmapContext.h"
#include "Foundation/NSObject.h"

struct CGColorSpace : public NSObject {};

struct CGRGBA {
  double r = 0, g = 0, b = 0, a = 1;
};

// Saved and restored with CGContextSaveGState / CGContextRestoreGState (the
// transform is kept by cairo's own save and restore).
struct CGGraphicsState {
  CGRGBA fill;
  CGRGBA stroke;
  double lineWidth = 1;
  cairo_font_face_t* font = nullptr;  // one reference per state that holds it
  double fontSize = 0;
  CGTextEncoding encoding = kCGEncodingMacRoman;
  double characterSpacing = 0;
  CGTextDrawingMode textMode = kCGTextFill;
};

struct CGContext : public NSObject {
  CGContext(cairo_surface_t* surface, unsigned char* ownedData);
  ~CGContext() override;

  cairo_surface_t* surface;
  cairo_t* cr;
  unsigned char* ownedData;  // null when the caller owns the pixels
  CGGraphicsState state;
  std::vector<CGGraphicsState> saved;
  CGAffineTransform textMatrix = CGAffineTransformIdentity;  // tx, ty: the text position
};
