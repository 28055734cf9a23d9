// Quartz-style drawing on cairo. Quartz draws glyphs in a y-up text space
// mapped to user space by the text matrix; cairo's font space is y-down, so
// the font matrix handed to cairo flips y before applying the text matrix.
#include "CoreGraphics/CGContext.h"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>

#include <map>
#include <string>

#include "CGContextInternal.h"
#include "Foundation/NSString.h"

namespace {

void setSource(cairo_t* cr, const CGRGBA& c) { cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a); }

// Runs draw with an empty cairo path and puts the caller's current path back
// afterwards, since Quartz's rectangle fills and text leave the path alone.
template <typename Draw>
void withOwnPath(cairo_t* cr, Draw draw) {
  cairo_path_t* kept = cairo_copy_path(cr);
  cairo_new_path(cr);
  draw();
  cairo_new_path(cr);
  if (kept->status == CAIRO_STATUS_SUCCESS) cairo_append_path(cr, kept);
  cairo_path_destroy(kept);
}

// The face fontconfig picks for a family name, made once per name and kept
// for the life of the process.
cairo_font_face_t* fontFaceForFamily(const std::string& family) {
  static std::map<std::string, cairo_font_face_t*> faces;
  auto found = faces.find(family);
  if (found != faces.end()) return found->second;

  cairo_font_face_t* face = nullptr;
  FcPattern* query = FcPatternCreate();
  FcPatternAddString(query, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcConfigSubstitute(nullptr, query, FcMatchPattern);
  FcDefaultSubstitute(query);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, query, &result);
  FcPatternDestroy(query);
  FcChar8* file = nullptr;
  if (match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
    int index = 0;
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    // Only the file and face index: fontconfig's rendering preferences
    // (hinting, embolden) must not alter the font's own outlines and metrics.
    FcPattern* exact = FcPatternCreate();
    FcPatternAddString(exact, FC_FILE, file);
    FcPatternAddInteger(exact, FC_INDEX, index);
    face = cairo_ft_font_face_create_for_pattern(exact);
    FcPatternDestroy(exact);
    if (cairo_font_face_status(face) != CAIRO_STATUS_SUCCESS) {
      cairo_font_face_destroy(face);
      face = nullptr;
    }
  }
  if (match) FcPatternDestroy(match);
  faces[family] = face;
  return face;
}

// Applies the selected font: size and text matrix (flipped for cairo's y-down
// font space) and unhinted metrics.
bool applyFont(CGContext* c) {
  if (!c->state.font) return false;
  cairo_set_font_face(c->cr, c->state.font);
  const double s = c->state.fontSize;
  const CGAffineTransform& t = c->textMatrix;
  cairo_matrix_t m;
  cairo_matrix_init(&m, t.a * s, t.b * s, -t.c * s, -t.d * s, 0, 0);
  cairo_set_font_matrix(c->cr, &m);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_set_font_options(c->cr, options);
  cairo_font_options_destroy(options);
  return true;
}

// The glyph for one byte of text in the selected encoding, or false when the
// font has none to give.
bool glyphForByte(CGContext* c, cairo_scaled_font_t* font, unsigned char byte,
                  unsigned long* index) {
  if (c->state.encoding == kCGEncodingFontSpecific) {
    *index = byte;
    return true;
  }
  NSOwned<NSString> ch(NSString::initWithBytes(&byte, 1, NSMacOSRomanStringEncoding));
  if (!ch) return false;
  cairo_glyph_t* glyphs = nullptr;
  int count = 0;
  const cairo_status_t status = cairo_scaled_font_text_to_glyphs(
      font, 0, 0, ch->UTF8String(), -1, &glyphs, &count, nullptr, nullptr, nullptr);
  const bool ok = status == CAIRO_STATUS_SUCCESS && count == 1;
  if (ok) *index = glyphs[0].index;
  cairo_glyph_free(glyphs);
  return ok;
}

void showText(CGContext* c, const char* string, size_t length) {
  if (!applyFont(c) || (!string && length)) return;
  cairo_t* cr = c->cr;
  cairo_scaled_font_t* font = cairo_get_scaled_font(cr);
  if (cairo_scaled_font_status(font) != CAIRO_STATUS_SUCCESS) return;

  // Pen in user space; the character spacing runs along the text's x axis.
  const CGAffineTransform& t = c->textMatrix;
  double x = t.tx;
  double y = t.ty;
  const double spacingX = t.a * c->state.characterSpacing;
  const double spacingY = t.b * c->state.characterSpacing;
  std::vector<cairo_glyph_t> glyphs;
  glyphs.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    unsigned long index = 0;
    if (!glyphForByte(c, font, static_cast<unsigned char>(string[i]), &index)) index = 0;
    cairo_glyph_t g = {index, x, y};
    cairo_text_extents_t extents;
    cairo_scaled_font_glyph_extents(font, &g, 1, &extents);
    glyphs.push_back(g);
    x += extents.x_advance + spacingX;
    y += extents.y_advance + spacingY;
  }
  c->textMatrix.tx = x;
  c->textMatrix.ty = y;

  const CGTextDrawingMode mode = c->state.textMode;
  if (glyphs.empty() || mode == kCGTextInvisible) return;
  withOwnPath(cr, [&] {
    cairo_glyph_path(cr, glyphs.data(), static_cast<int>(glyphs.size()));
    if (mode == kCGTextFill || mode == kCGTextFillStroke) {
      setSource(cr, c->state.fill);
      cairo_fill_preserve(cr);
    }
    if (mode == kCGTextStroke || mode == kCGTextFillStroke) {
      setSource(cr, c->state.stroke);
      cairo_set_line_width(cr, c->state.lineWidth);
      cairo_stroke_preserve(cr);
    }
  });
}

}  // namespace

CGContext::CGContext(cairo_surface_t* s, unsigned char* owned)
    : surface(s), cr(cairo_create(s)), ownedData(owned) {
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
}

CGContext::~CGContext() {
  if (state.font) cairo_font_face_destroy(state.font);
  for (CGGraphicsState& s : saved) {
    if (s.font) cairo_font_face_destroy(s.font);
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  delete[] ownedData;
}

CGContextRef CGContextRetain(CGContextRef c) {
  if (c) c->retain();
  return c;
}

void CGContextRelease(CGContextRef c) {
  if (c) c->release();
}

void CGContextSaveGState(CGContextRef c) {
  if (!c) return;
  cairo_save(c->cr);
  c->saved.push_back(c->state);
  if (c->state.font) cairo_font_face_reference(c->state.font);
}

void CGContextRestoreGState(CGContextRef c) {
  if (!c || c->saved.empty()) return;
  cairo_restore(c->cr);
  if (c->state.font) cairo_font_face_destroy(c->state.font);
  c->state = c->saved.back();
  c->saved.pop_back();
}

void CGContextTranslateCTM(CGContextRef c, CGFloat tx, CGFloat ty) {
  if (c) cairo_translate(c->cr, tx, ty);
}

void CGContextScaleCTM(CGContextRef c, CGFloat sx, CGFloat sy) {
  if (c) cairo_scale(c->cr, sx, sy);
}

CGAffineTransform CGContextGetCTM(CGContextRef c) {
  if (!c) return {0, 0, 0, 0, 0, 0};
  cairo_matrix_t m;
  cairo_get_matrix(c->cr, &m);
  return {m.xx, m.yx, m.xy, m.yy, m.x0, m.y0};
}

void CGContextSetRGBFillColor(CGContextRef c, CGFloat red, CGFloat green, CGFloat blue,
                              CGFloat alpha) {
  if (c) c->state.fill = {red, green, blue, alpha};
}

void CGContextSetRGBStrokeColor(CGContextRef c, CGFloat red, CGFloat green, CGFloat blue,
                                CGFloat alpha) {
  if (c) c->state.stroke = {red, green, blue, alpha};
}

void CGContextSetLineWidth(CGContextRef c, CGFloat width) {
  if (c) c->state.lineWidth = width;
}

void CGContextFillRect(CGContextRef c, CGRect rect) {
  if (!c) return;
  withOwnPath(c->cr, [&] {
    cairo_rectangle(c->cr, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
    setSource(c->cr, c->state.fill);
    cairo_fill(c->cr);
  });
}

void CGContextMoveToPoint(CGContextRef c, CGFloat x, CGFloat y) {
  if (c) cairo_move_to(c->cr, x, y);
}

void CGContextAddLineToPoint(CGContextRef c, CGFloat x, CGFloat y) {
  if (!c) return;
  if (!cairo_has_current_point(c->cr)) return;  // Quartz needs a current point too
  cairo_line_to(c->cr, x, y);
}

void CGContextStrokePath(CGContextRef c) {
  if (!c) return;
  setSource(c->cr, c->state.stroke);
  cairo_set_line_width(c->cr, c->state.lineWidth);
  cairo_stroke(c->cr);
}

void CGContextSelectFont(CGContextRef c, const char* name, CGFloat size, CGTextEncoding encoding) {
  if (!c || !name || !*name) return;
  cairo_font_face_t* face = fontFaceForFamily(name);
  if (!face) return;
  cairo_font_face_reference(face);
  if (c->state.font) cairo_font_face_destroy(c->state.font);
  c->state.font = face;
  c->state.fontSize = size;
  c->state.encoding = encoding;
}

void CGContextSetCharacterSpacing(CGContextRef c, CGFloat spacing) {
  if (c) c->state.characterSpacing = spacing;
}

void CGContextSetTextMatrix(CGContextRef c, CGAffineTransform t) {
  if (c) c->textMatrix = t;
}

CGAffineTransform CGContextGetTextMatrix(CGContextRef c) {
  return c ? c->textMatrix : CGAffineTransform{0, 0, 0, 0, 0, 0};
}

void CGContextSetTextDrawingMode(CGContextRef c, CGTextDrawingMode mode) {
  if (c && mode >= kCGTextFill && mode <= kCGTextInvisible) c->state.textMode = mode;
}

void CGContextSetTextPosition(CGContextRef c, CGFloat x, CGFloat y) {
  if (!c) return;
  c->textMatrix.tx = x;
  c->textMatrix.ty = y;
}

CGPoint CGContextGetTextPosition(CGContextRef c) {
  if (!c) return {0, 0};
  return {c->textMatrix.tx, c->textMatrix.ty};
}

void CGContextShowTextAtPoint(CGContextRef c, CGFloat x, CGFloat y, const char* string,
                              size_t length) {
  if (!c) return;
  CGContextSetTextPosition(c, x, y);
  showText(c, string, length);
}

void CGContextShowText(CGContextRef c, const char* string, size_t length) {
  if (c) showText(c, string, length);
}
