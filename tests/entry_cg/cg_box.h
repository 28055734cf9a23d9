// Shared set-up for the drawn box's tests: a browser that offers Core
// Graphics (not Core Animation) with Cocoa events, controls made through the
// host (the linked control, in-process), and readers of the record, the
// strength values and the drawing.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "AppKit/NSCursor.h"
#include "CoreGraphics/CoreGraphics.h"
#include "entry/cg_hooks.h"
#include "tests/plugin/plugin_fixture.h"

namespace cgbox {

// macOS virtual key codes and the characters the keys bring.
constexpr uint16_t kKeyA = 0;  // any key without a meaning of its own
constexpr uint16_t kKeyReturn = 36;
constexpr uint16_t kKeyTab = 48;
constexpr uint16_t kKeyDelete = 51;
constexpr uint16_t kKeyEscape = 53;
constexpr uint16_t kKeyLeft = 123;
constexpr uint16_t kKeyRight = 124;
constexpr uint16_t kKeyDown = 125;
constexpr uint16_t kKeyUp = 126;
inline const std::string kLeftChars = "\xef\x9c\x82";   // U+F702
inline const std::string kRightChars = "\xef\x9c\x83";  // U+F703
inline const std::string kUpChars = "\xef\x9c\x80";     // U+F700
inline const std::string kDownChars = "\xef\x9c\x81";   // U+F701
inline const std::string kDeleteChars = "\x7f";

constexpr uint32_t kWidth = 220;
constexpr uint32_t kHeight = 32;
// A row of the box below the text's baseline (18 from the top) and inside the
// caret line (2 to 22 from the top): only the caret paints there.
constexpr size_t kCaretRow = 20;

inline uint8_t green(uint32_t argb) { return (argb >> 8) & 0xff; }

class CgBoxTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    using host::Answer;
    browser.setCapabilities(Answer::kFalse, Answer::kTrue, Answer::kTrue, Answer::kFalse);
  }

  static host::Embed embed(std::vector<host::Attribute> attributes = {}) {
    host::Embed e;
    e.attributes = std::move(attributes);
    return e;
  }

  static PluginInstance* rec(host::Instance& control) {
    return static_cast<PluginInstance*>(control.pdata());
  }
  static std::string text(host::Instance& control) {
    return rec(control)->editBuffer->UTF8String();
  }
  static int32_t caret(host::Instance& control) { return rec(control)->caretIndex; }

  static void type(host::Instance& control, const std::string& characters) {
    for (char ch : characters) {
      EXPECT_EQ(1, control.keyDown(std::string(1, ch), kKeyA));
    }
  }

  // Deletes everything from the end, then types characters.
  static void clearAndType(host::Instance& control, const std::string& characters) {
    control.keyDown(kDownChars, kKeyDown);
    while (!text(control).empty()) control.keyDown(kDeleteChars, kKeyDelete);
    type(control, characters);
  }

  struct Strength {
    int32_t classes, simple, level;
    bool operator==(const Strength& o) const {
      return classes == o.classes && simple == o.simple && level == o.level;
    }
  };
  static Strength strength(host::Instance& control) {
    auto* object = const_cast<editorplugin*>(editor(recordObject(control)));
    EXPECT_TRUE(NPVARIANT_IS_INT32(object->strengthClasses));
    EXPECT_TRUE(NPVARIANT_IS_INT32(object->simplePatternFlag));
    EXPECT_TRUE(NPVARIANT_IS_INT32(object->strengthLevel));
    return {object->strengthClasses.value.intValue, object->simplePatternFlag.value.intValue,
            object->strengthLevel.value.intValue};
  }
  static void setStrength(host::Instance& control, Strength s) {
    auto* object = const_cast<editorplugin*>(editor(recordObject(control)));
    INT32_TO_NPVARIANT(s.classes, object->strengthClasses);
    INT32_TO_NPVARIANT(s.simple, object->simplePatternFlag);
    INT32_TO_NPVARIANT(s.level, object->strengthLevel);
  }

  // Pen positions of n asterisks drawn the box's way (Arial 16, spacing 3,
  // from x 5), measured in a context of our own: pens[i] is the pen after i
  // characters.
  static std::vector<double> pens(size_t n) {
    CGContextRef c = CGBitmapContextCreate(
        nullptr, 8, 8, 8, 0, nullptr, kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Little);
    CGContextSelectFont(c, "Arial", 16, kCGEncodingMacRoman);
    CGContextSetCharacterSpacing(c, 3);
    std::vector<double> out{5};
    for (size_t i = 0; i < n; ++i) {
      CGContextShowTextAtPoint(c, out.back(), 0, "*", 1);
      out.push_back(CGContextGetTextPosition(c).x);
    }
    CGContextRelease(c);
    return out;
  }

  // True when the caret line stands at x: its main pixel column is dark from
  // 2 to 22 pixels below the top edge and clear above and below; nothing else
  // paints the caret row.
  static ::testing::AssertionResult caretBlackAt(host::Instance& control, double x) {
    const size_t column = static_cast<size_t>(std::floor(x));
    for (size_t y = 0; y < kHeight; ++y) {
      const bool onLine = y >= 2 && y < 22;
      const uint8_t g = green(control.pixel(column, y));
      if (onLine && g > 130)
        return ::testing::AssertionFailure() << "caret column " << column << " light at row " << y;
      if (!onLine && g != 255)
        return ::testing::AssertionFailure() << "caret column " << column << " dark at row " << y;
    }
    for (size_t col = 0; col < kWidth; ++col) {
      if (col + 1 >= column && col <= column + 1) continue;
      if (control.pixel(col, kCaretRow) != 0xffffffffu)
        return ::testing::AssertionFailure() << "caret row painted at column " << col;
    }
    return ::testing::AssertionSuccess();
  }
  // The caret row is white all across: the caret is hidden.
  static ::testing::AssertionResult caretHidden(host::Instance& control) {
    for (size_t col = 0; col < kWidth; ++col) {
      if (control.pixel(col, kCaretRow) != 0xffffffffu)
        return ::testing::AssertionFailure() << "caret row painted at column " << col;
    }
    return ::testing::AssertionSuccess();
  }
};

}  // namespace cgbox
