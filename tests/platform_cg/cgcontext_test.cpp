// Bitmap contexts: creation contract, transforms and fills by pixel, butt-capped
// lines, text advances against the font file's own metrics, state save and
// restore, PNG output read back by cairo, and reference counts.
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "CoreGraphics/CoreGraphics.h"
#include "Foundation/NSObject.h"

namespace {

constexpr CGBitmapInfo kARGB = kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Little;

struct Bitmap {
  Bitmap(size_t w, size_t h) : width(w), height(h), pixels(w * h, 0) {
    CGColorSpaceRef rgb = CGColorSpaceCreateDeviceRGB();
    ctx = CGBitmapContextCreate(pixels.data(), w, h, 8, w * 4, rgb, kARGB);
    CGColorSpaceRelease(rgb);
  }
  ~Bitmap() { CGContextRelease(ctx); }
  uint32_t at(size_t x, size_t y) {
    CGBitmapContextGetData(ctx);  // flush
    return pixels[y * width + x];
  }
  // Flipped to y-up and painted white, as the box draws.
  void flipAndClear() {
    CGContextTranslateCTM(ctx, 0, static_cast<CGFloat>(height));
    CGContextScaleCTM(ctx, 1, -1);
    CGContextSetRGBFillColor(ctx, 1, 1, 1, 1);
    CGContextFillRect(ctx, CGRectMake(0, 0, width, height));
  }
  size_t width, height;
  std::vector<uint32_t> pixels;
  CGContextRef ctx;
};

uint8_t green(uint32_t px) { return (px >> 8) & 0xff; }

TEST(CGBitmapContext, CreationContract) {
  CGColorSpaceRef rgb = CGColorSpaceCreateDeviceRGB();
  std::vector<uint32_t> buf(16 * 4);
  struct {
    size_t w, h, bpc, bpr;
    CGBitmapInfo info;
    bool ok;
  } cases[] = {
      {16, 4, 8, 64, kARGB, true},
      {16, 4, 8, 64, kCGImageAlphaNoneSkipFirst | kCGBitmapByteOrder32Little, true},
      {16, 4, 16, 64, kARGB, false},                           // 16 bits per component
      {16, 4, 8, 60, kARGB, false},                            // row too short
      {15, 4, 8, 62, kARGB, false},                            // row not a multiple of 4
      {0, 4, 8, 64, kARGB, false},                             // empty
      {16, 4, 8, 64, kCGImageAlphaPremultipliedFirst, false},  // big-endian words
  };
  for (const auto& c : cases) {
    CGContextRef ctx = CGBitmapContextCreate(buf.data(), c.w, c.h, c.bpc, c.bpr, rgb, c.info);
    EXPECT_EQ(ctx != nullptr, c.ok) << c.w << "x" << c.h << " bpr " << c.bpr;
    if (ctx) {
      EXPECT_EQ(CGBitmapContextGetData(ctx), buf.data());
      EXPECT_EQ(CGBitmapContextGetWidth(ctx), c.w);
      EXPECT_EQ(CGBitmapContextGetBytesPerRow(ctx), c.bpr);
    }
    CGContextRelease(ctx);
  }
  // Own memory, zeroed, tight rows.
  CGContextRef own = CGBitmapContextCreate(nullptr, 10, 3, 8, 0, rgb, kARGB);
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(CGBitmapContextGetBytesPerRow(own), 40u);
  const auto* p = static_cast<const uint8_t*>(CGBitmapContextGetData(own));
  for (int i = 0; i < 120; ++i) EXPECT_EQ(p[i], 0);
  CGContextRelease(own);
  CGColorSpaceRelease(rgb);
}

TEST(CGContext, EverythingMadeIsReleased) {
  const long before = NSObject::liveObjects();
  {
    Bitmap b(8, 8);
    CGContextRetain(b.ctx);
    CGContextRelease(b.ctx);
    CGContextSelectFont(b.ctx, "Arial", 16, kCGEncodingMacRoman);
    CGContextSaveGState(b.ctx);
    CGContextSaveGState(b.ctx);  // left saved: the context frees them
    EXPECT_GT(NSObject::liveObjects(), before);
  }
  EXPECT_EQ(NSObject::liveObjects(), before);
}

TEST(CGContext, FlippedFillLandsWhereTheBoxExpects) {
  Bitmap b(20, 10);
  b.flipAndClear();
  // y-up: the rectangle at y 0..3 is the bottom three rows of the bitmap.
  CGContextSetRGBFillColor(b.ctx, 0, 0, 0, 1);
  CGContextFillRect(b.ctx, CGRectMake(2, 0, 4, 3));
  for (size_t y = 0; y < 10; ++y) {
    for (size_t x = 0; x < 20; ++x) {
      const bool inside = x >= 2 && x < 6 && y >= 7;
      EXPECT_EQ(b.at(x, y), inside ? 0xff000000u : 0xffffffffu) << x << "," << y;
    }
  }
  const CGAffineTransform ctm = CGContextGetCTM(b.ctx);
  EXPECT_EQ(ctm.d, -1);
  EXPECT_EQ(ctm.ty, 10);
}

TEST(CGContext, FillRectKeepsTheCurrentPath) {
  Bitmap b(20, 20);
  b.flipAndClear();
  CGContextMoveToPoint(b.ctx, 10.5, 0);
  CGContextAddLineToPoint(b.ctx, 10.5, 20);
  CGContextSetRGBFillColor(b.ctx, 1, 1, 1, 1);
  CGContextFillRect(b.ctx, CGRectMake(0, 0, 1, 1));
  CGContextSetRGBStrokeColor(b.ctx, 0, 0, 0, 1);
  CGContextSetLineWidth(b.ctx, 1);
  CGContextStrokePath(b.ctx);
  EXPECT_EQ(b.at(10, 5), 0xff000000u);
  // The path is gone after the stroke.
  CGContextSetRGBStrokeColor(b.ctx, 1, 0, 0, 1);
  CGContextStrokePath(b.ctx);
  EXPECT_EQ(b.at(10, 5), 0xff000000u);
}

// A one-pixel line on a whole x straddles two pixel columns, half each; its
// butt ends stop exactly at the end points.
TEST(CGContext, CaretLikeLineCoversItsColumnsAndRows) {
  Bitmap b(30, 30);
  b.flipAndClear();
  CGContextSetRGBStrokeColor(b.ctx, 0, 0, 0, 1);
  CGContextSetLineWidth(b.ctx, 1);
  CGContextMoveToPoint(b.ctx, 5, 30 - 2);
  CGContextAddLineToPoint(b.ctx, 5, 30 - 22);
  CGContextStrokePath(b.ctx);
  for (size_t y = 0; y < 30; ++y) {
    const bool onLine = y >= 2 && y < 22;
    for (size_t x : {4u, 5u}) {
      const uint8_t g = green(b.at(x, y));
      if (onLine) {
        EXPECT_NEAR(g, 128, 2) << x << "," << y;
      } else {
        EXPECT_EQ(g, 255) << x << "," << y;
      }
    }
    EXPECT_EQ(b.at(3, y), 0xffffffffu);
    EXPECT_EQ(b.at(6, y), 0xffffffffu);
  }
}

// The face fontconfig matches for a family and its unhinted advances, read
// with FreeType straight from the font file.
struct FontOracle {
  explicit FontOracle(const char* family) {
    FcPattern* q = FcPatternCreate();
    FcPatternAddString(q, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcConfigSubstitute(nullptr, q, FcMatchPattern);
    FcDefaultSubstitute(q);
    FcResult r;
    FcPattern* m = FcFontMatch(nullptr, q, &r);
    FcChar8* file = nullptr;
    FcChar8* fam = nullptr;
    FcPatternGetString(m, FC_FILE, 0, &file);
    FcPatternGetString(m, FC_FAMILY, 0, &fam);
    path = reinterpret_cast<const char*>(file);
    matchedFamily = reinterpret_cast<const char*>(fam);
    FcPatternDestroy(m);
    FcPatternDestroy(q);
    FT_Init_FreeType(&lib);
    FT_New_Face(lib, path.c_str(), 0, &face);
  }
  ~FontOracle() {
    FT_Done_Face(face);
    FT_Done_FreeType(lib);
  }
  double advance(char ch, double size) {
    FT_Load_Char(face, static_cast<unsigned char>(ch), FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING);
    return face->glyph->advance.x * size / face->units_per_EM;
  }
  std::string path, matchedFamily;
  FT_Library lib = nullptr;
  FT_Face face = nullptr;
};

TEST(CGContext, ArialIsLiberationSansWithItsOwnAdvances) {
  FontOracle font("Arial");
  EXPECT_EQ(font.matchedFamily, "Liberation Sans") << font.path;
  Bitmap b(400, 40);
  b.flipAndClear();
  CGContextSelectFont(b.ctx, "Arial", 16, kCGEncodingMacRoman);
  CGContextSetTextMatrix(b.ctx, CGAffineTransformMakeRotation(0));
  CGContextSetTextDrawingMode(b.ctx, kCGTextFillStroke);
  const char* texts[] = {"*", "****", "Wi", "abc xyz", "1!"};
  for (double spacing : {0.0, 3.0}) {
    CGContextSetCharacterSpacing(b.ctx, spacing);
    for (std::string text : texts) {
      double expected = 5;
      for (char ch : text) expected += font.advance(ch, 16) + spacing;
      CGContextShowTextAtPoint(b.ctx, 5, 22, text.data(), text.size());
      const CGPoint pen = CGContextGetTextPosition(b.ctx);
      EXPECT_NEAR(pen.x, expected, 1e-6) << text << " spacing " << spacing;
      EXPECT_EQ(pen.y, 22);
    }
  }
  // One asterisk of the box: the font's 0.389 em at 16 plus 3.
  EXPECT_NEAR(font.advance('*', 16) + 3, 9.2266, 1e-3);
}

TEST(CGContext, PenRunsOnFromTheLastShow) {
  Bitmap b(200, 40);
  CGContextSelectFont(b.ctx, "Arial", 16, kCGEncodingMacRoman);
  CGContextSetCharacterSpacing(b.ctx, 3);
  CGContextShowTextAtPoint(b.ctx, 5, 20, "**", 2);
  const CGPoint two = CGContextGetTextPosition(b.ctx);
  CGContextShowTextAtPoint(b.ctx, 5, 20, "*", 1);
  const CGPoint one = CGContextGetTextPosition(b.ctx);
  CGContextShowText(b.ctx, "*", 1);
  EXPECT_NEAR(CGContextGetTextPosition(b.ctx).x, two.x, 1e-9);
  EXPECT_NEAR(one.x - 5, (two.x - 5) / 2, 1e-9);
}

// Mac Roman bytes above 0x7F are characters of their own: 0xA5 is the bullet.
TEST(CGContext, MacRomanHighBytesAreCharacters) {
  FontOracle font("Arial");
  Bitmap b(100, 40);
  CGContextSelectFont(b.ctx, "Arial", 16, kCGEncodingMacRoman);
  CGContextShowTextAtPoint(b.ctx, 0, 20, "\xa5", 1);
  FT_Load_Char(font.face, 0x2022, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING);
  EXPECT_NEAR(CGContextGetTextPosition(b.ctx).x,
              font.face->glyph->advance.x * 16.0 / font.face->units_per_EM, 1e-6);
}

TEST(CGContext, TextInkFollowsTheDrawingMode) {
  struct {
    CGTextDrawingMode mode;
    bool ink;
  } cases[] = {{kCGTextFill, true},
               {kCGTextStroke, true},
               {kCGTextFillStroke, true},
               {kCGTextInvisible, false}};
  for (const auto& c : cases) {
    Bitmap b(60, 30);
    b.flipAndClear();
    CGContextSelectFont(b.ctx, "Arial", 16, kCGEncodingMacRoman);
    CGContextSetRGBFillColor(b.ctx, 0, 0, 0, 1);
    CGContextSetRGBStrokeColor(b.ctx, 0, 0, 0, 1);
    CGContextSetLineWidth(b.ctx, 0.5);
    CGContextSetTextDrawingMode(b.ctx, c.mode);
    CGContextShowTextAtPoint(b.ctx, 5, 12, "H", 1);
    // Upright "H": ink above the baseline (rows above 30 - 12 = 18), none below.
    int above = 0, below = 0;
    for (size_t y = 0; y < 30; ++y) {
      for (size_t x = 0; x < 60; ++x) {
        if (green(b.at(x, y)) < 128) (y < 18 ? above : below)++;
      }
    }
    EXPECT_EQ(above > 0, c.ink) << "mode " << c.mode;
    EXPECT_EQ(below, 0) << "mode " << c.mode;
    EXPECT_GT(CGContextGetTextPosition(b.ctx).x, 10);
  }
}

TEST(CGContext, NoFontDrawsNothingAndKeepsThePen) {
  Bitmap b(40, 20);
  b.flipAndClear();
  CGContextShowTextAtPoint(b.ctx, 5, 5, "abc", 3);
  EXPECT_EQ(CGContextGetTextPosition(b.ctx).x, 5);
  for (uint32_t px : b.pixels) EXPECT_EQ(px, 0xffffffffu);
}

// Font, spacing and colours come back with the state; the text position and
// the text matrix are not part of it.
TEST(CGContext, SaveAndRestore) {
  Bitmap b(100, 20);
  CGContextSelectFont(b.ctx, "Arial", 16, kCGEncodingMacRoman);
  CGContextSetCharacterSpacing(b.ctx, 3);
  CGContextSaveGState(b.ctx);
  CGContextTranslateCTM(b.ctx, 7, 0);
  CGContextSetCharacterSpacing(b.ctx, 10);
  CGContextSelectFont(b.ctx, "Arial", 32, kCGEncodingMacRoman);
  const CGAffineTransform skew = CGAffineTransformMake(1, 0, 0.5, 1, 0, 0);
  CGContextSetTextMatrix(b.ctx, skew);
  CGContextSetTextPosition(b.ctx, 42, 1);
  CGContextRestoreGState(b.ctx);
  CGContextRestoreGState(b.ctx);  // nothing saved: no effect
  EXPECT_EQ(CGContextGetCTM(b.ctx).tx, 0);
  EXPECT_EQ(CGContextGetTextPosition(b.ctx).x, 42);
  EXPECT_EQ(CGContextGetTextMatrix(b.ctx).c, 0.5);
  CGContextSetTextMatrix(b.ctx, CGAffineTransformIdentity);
  CGContextShowTextAtPoint(b.ctx, 0, 10, "*", 1);
  EXPECT_NEAR(CGContextGetTextPosition(b.ctx).x, FontOracle("Arial").advance('*', 16) + 3, 1e-6);
}

TEST(CGContext, NullContextIsANoOp) {
  CGContextSaveGState(nullptr);
  CGContextShowTextAtPoint(nullptr, 1, 2, "x", 1);
  CGContextFillRect(nullptr, CGRectMake(0, 0, 1, 1));
  EXPECT_EQ(CGContextGetTextPosition(nullptr).x, 0);
  EXPECT_EQ(CGBitmapContextGetData(nullptr), nullptr);
  EXPECT_FALSE(CGBitmapContextWritePNGFile(nullptr, "/tmp/x.png"));
}

TEST(CGBitmapContext, PNGReadsBackAsTheSamePixels) {
  Bitmap b(24, 12);
  b.flipAndClear();
  CGContextSetRGBFillColor(b.ctx, 0.2, 0.4, 0.6, 1);
  CGContextFillRect(b.ctx, CGRectMake(3, 3, 10, 4));
  // The process id in the name: runs of other build trees may share the folder.
  const std::string path = testing::TempDir() + "cg_roundtrip_" + std::to_string(getpid()) + ".png";
  ASSERT_TRUE(CGBitmapContextWritePNGFile(b.ctx, path.c_str()));
  cairo_surface_t* png = cairo_image_surface_create_from_png(path.c_str());
  ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
  ASSERT_EQ(cairo_image_surface_get_width(png), 24);
  ASSERT_EQ(cairo_image_surface_get_height(png), 12);
  const unsigned char* data = cairo_image_surface_get_data(png);
  const int stride = cairo_image_surface_get_stride(png);
  for (size_t y = 0; y < 12; ++y) {
    for (size_t x = 0; x < 24; ++x) {
      uint32_t px;
      std::memcpy(&px, data + y * stride + x * 4, 4);
      EXPECT_EQ(px, b.at(x, y)) << x << "," << y;
    }
  }
  cairo_surface_destroy(png);
  std::remove(path.c_str());
  EXPECT_FALSE(CGBitmapContextWritePNGFile(b.ctx, "/nonexistent-dir/x.png"));
}

}  // namespace
