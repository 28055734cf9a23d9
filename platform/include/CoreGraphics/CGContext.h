// Core Graphics drawing contexts, as far as the system draws: state, the
// current transform, colours, rectangles, lines and text in a selected font.
//
// Drawing lands as real pixels (cairo) in a bitmap made by
// CGBitmapContextCreate. A context is a reference-counted object
// (CGContextRetain/CGContextRelease); a null context makes every call a no-op,
// and getters answer zero for it.
//
// Text: CGContextSelectFont resolves the family name through fontconfig (so
// "Arial" draws in its metric-compatible Liberation Sans) without hinted
// metrics, so pen advances are the font's own, fractional ones. Each
// character advances the pen by its glyph advance plus the character
// spacing. The text position is in user space and is not part of the saved
// graphics state, nor is the text matrix (as in Quartz); font, size,
// encoding, character spacing, drawing mode, colours, line width and the
// transform are.
#pragma once

#include <cstddef>

#include "CoreGraphics/CGAffineTransform.h"
#include "CoreGraphics/CGGeometry.h"

typedef struct CGContext* CGContextRef;

typedef int CGTextEncoding;
enum : CGTextEncoding {
  kCGEncodingFontSpecific = 0,  // bytes are glyph indices of the font
  kCGEncodingMacRoman = 1,      // bytes are Mac Roman characters
};

typedef int CGTextDrawingMode;
enum : CGTextDrawingMode {
  kCGTextFill = 0,
  kCGTextStroke = 1,
  kCGTextFillStroke = 2,
  kCGTextInvisible = 3,  // advances the pen and paints nothing
};

CGContextRef CGContextRetain(CGContextRef c);
void CGContextRelease(CGContextRef c);

void CGContextSaveGState(CGContextRef c);
void CGContextRestoreGState(CGContextRef c);  // without a saved state: nothing

void CGContextTranslateCTM(CGContextRef c, CGFloat tx, CGFloat ty);
void CGContextScaleCTM(CGContextRef c, CGFloat sx, CGFloat sy);
CGAffineTransform CGContextGetCTM(CGContextRef c);

void CGContextSetRGBFillColor(CGContextRef c, CGFloat red, CGFloat green, CGFloat blue,
                              CGFloat alpha);
void CGContextSetRGBStrokeColor(CGContextRef c, CGFloat red, CGFloat green, CGFloat blue,
                                CGFloat alpha);
void CGContextSetLineWidth(CGContextRef c, CGFloat width);

// Fills the rectangle with the fill colour; the current path is kept.
void CGContextFillRect(CGContextRef c, CGRect rect);

void CGContextMoveToPoint(CGContextRef c, CGFloat x, CGFloat y);
void CGContextAddLineToPoint(CGContextRef c, CGFloat x, CGFloat y);
// Strokes the current path with the stroke colour and line width (butt caps),
// then empties the path.
void CGContextStrokePath(CGContextRef c);

// Selects the font by family name at size in user-space units. A null or
// empty name leaves the previous font selected.
void CGContextSelectFont(CGContextRef c, const char* name, CGFloat size, CGTextEncoding encoding);
void CGContextSetCharacterSpacing(CGContextRef c, CGFloat spacing);
void CGContextSetTextMatrix(CGContextRef c, CGAffineTransform t);
CGAffineTransform CGContextGetTextMatrix(CGContextRef c);
void CGContextSetTextDrawingMode(CGContextRef c, CGTextDrawingMode mode);
void CGContextSetTextPosition(CGContextRef c, CGFloat x, CGFloat y);
CGPoint CGContextGetTextPosition(CGContextRef c);

// Draws length bytes of text in the selected font's encoding starting at
// (x, y) in user space; the text position ends after the last character.
// Without a selected font nothing is drawn and the pen stays at (x, y).
void CGContextShowTextAtPoint(CGContextRef c, CGFloat x, CGFloat y, const char* string,
                              size_t length);
void CGContextShowText(CGContextRef c, const char* string, size_t length);
