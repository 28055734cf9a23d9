// The self-drawn box against a plain model of its key and click rules, over
// random sequences of keys, clicks, drawings and script settings. After every
// key-down the three strength values, the length, the buffer (read back
// through get_output1 and decrypted on OpenSSL) and, where the model knows
// it, the caret's drawn position are compared with the model.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "CoreGraphics/CoreGraphics.h"
#include "CoreServices/Gestalt.h"
#include "CoreServices/GestaltTesting.h"
#include "entry_oracle.h"
#include "host/browser.h"
#include "host/instance.h"
#include "tests/support/case_name.h"
#include "tests/support/flag_patterns.h"
#include "tests/support/key_text_oracle.h"

namespace {

constexpr uint32_t kWidth = 420;
constexpr uint32_t kHeight = 30;
const std::string kWrappedKey = "model-wrapped-key-0123";  // 22 bytes: a partial block

// Pen positions of masked text as the box draws it: Arial 16, character
// spacing 3, pen from x 5, one "*" at a time. Measured on a context of our
// own with the platform's text drawing.
const std::vector<double>& penPositions() {
  static const std::vector<double> pen = [] {
    std::vector<double> p{5};
    CGColorSpaceRef rgb = CGColorSpaceCreateDeviceRGB();
    CGContextRef ctx = CGBitmapContextCreate(
        nullptr, 64, 64, 8, 0, rgb, kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Little);
    CGColorSpaceRelease(rgb);
    CGContextTranslateCTM(ctx, 0, kHeight);
    CGContextScaleCTM(ctx, 1, -1);
    CGContextSelectFont(ctx, "Arial", 16, kCGEncodingMacRoman);
    CGContextSetCharacterSpacing(ctx, 3);
    CGContextSetTextMatrix(ctx, CGAffineTransformMakeRotation(0));
    CGContextSetTextDrawingMode(ctx, kCGTextFillStroke);
    CGPoint at = CGPointMake(5, kHeight - 18);
    for (int i = 0; i < 120; ++i) {
      CGContextShowTextAtPoint(ctx, at.x, at.y, "*", 1);
      at = CGContextGetTextPosition(ctx);
      p.push_back(at.x);
    }
    CGContextRelease(ctx);
    return p;
  }();
  return pen;
}

// The drawn caret's x in the last drawing: the centre of darkness in a row
// below the text's baseline and inside the caret line; nullopt when the row
// is white.
std::optional<double> drawnCaretX(const host::Instance& control) {
  CGContextRef d = control.lastDrawing();
  if (!d) return std::nullopt;
  const auto* base = static_cast<const unsigned char*>(CGBitmapContextGetData(d));
  const size_t row = 20;
  const auto* line = base + row * CGBitmapContextGetBytesPerRow(d);
  double sum = 0, weighted = 0;
  for (size_t x = 0; x < CGBitmapContextGetWidth(d); ++x) {
    uint32_t word;
    std::memcpy(&word, line + 4 * x, sizeof word);
    const double dark = 255 - ((word >> 16) & 0xFF);
    sum += dark;
    weighted += dark * (static_cast<double>(x) + 0.5);
  }
  if (sum < 40) return std::nullopt;
  return weighted / sum;
}

// One key as a browser would deliver it.
struct Key {
  std::string characters;
  uint16_t keyCode;
};

const char* const kFunctionKeyLeft = "\xEF\x9C\x82";
const char* const kFunctionKeyRight = "\xEF\x9C\x83";
const char* const kFunctionKeyUp = "\xEF\x9C\x80";
const char* const kFunctionKeyDown = "\xEF\x9C\x81";

Key randomKey(std::mt19937& rng) {
  auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  const int kind = pick(100);
  // Key codes a printable key may come with, the caret and Delete codes among
  // them, so the code decides before the character does.
  static const uint16_t kCodes[] = {0,  0,   0,   0,  0,   1,   12,  36, 48,
                                    53, 117, 122, 51, 123, 124, 125, 126};
  if (kind < 62) {
    return {std::string(1, static_cast<char>(0x20 + pick(0x5F))),
            kCodes[static_cast<size_t>(pick(static_cast<int>(sizeof kCodes / sizeof kCodes[0])))]};
  }
  if (kind < 68) return {"\x7F", 51};
  if (kind < 73) return {kFunctionKeyLeft, 123};
  if (kind < 77) return {kFunctionKeyRight, 124};
  if (kind < 79) return {kFunctionKeyUp, 126};
  if (kind < 81) return {kFunctionKeyDown, 125};
  if (kind < 82) {
    static const char* const kSpecial[] = {"\t", "\r", "\x1B"};
    static const uint16_t kSpecialCodes[] = {48, 36, 53, 51, 123, 124, 0};
    return {kSpecial[pick(3)], kSpecialCodes[pick(7)]};
  }
  static const char* const kOdd[] = {"\x01", "\x08",     "\x0A",         "\x1F",
                                     "\x7F", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80",
                                     "ab",   "",         "\xFF",         " "};
  static const uint16_t kOddCodes[] = {0, 0, 0, 7, 117, 51, 124};
  return {kOdd[pick(12)], kOddCodes[pick(7)]};
}

struct BoxSetup {
  const char* name;
  std::vector<host::Attribute> attributes;
  std::optional<std::string> inputPattern;     // as the attributes leave it
  std::optional<std::string> passwordPattern;  // as the attributes leave it
  int32_t maxlength;
  std::optional<std::string> scriptPattern = std::nullopt;  // set through input2 after creation
};

std::vector<BoxSetup> setups() {
  const std::string digitsLower = flagpatterns::patternFor("0110");
  const std::string all = flagpatterns::patternFor("1111");
  return {
      {"no pattern", {}, std::nullopt, std::nullopt, 100},
      {"maxlength 12", {{"maxlength", "12"}}, std::nullopt, std::nullopt, 12},
      {"flags 0110", {{"input6", "0110"}}, digitsLower, digitsLower, 100},
      {"flags 1111, maxlength 20", {{"input6", "1111"}, {"maxlength", "20"}}, all, all, 20},
      {"one-character class", {{"input2", "[a-f0-9]"}}, std::string("[a-f0-9]"), std::nullopt, 100},
      {"negated class",
       {{"input2", "[^aeiou ]"}, {"maxlength", " 15x"}},
       std::string("[^aeiou ]"),
       std::nullopt,
       15},
      {"invalid expression", {{"input2", "(["}}, std::string("(["), std::nullopt, 100},
      {"invalid UTF-8", {{"input2", "\xC3"}}, std::string("\xC3"), std::nullopt, 100},
      {"negative maxlength", {{"maxlength", "-4"}}, std::nullopt, std::nullopt, -4},
      {"flags 0000",
       {{"input6", "0000"}},
       flagpatterns::patternFor("0000"),
       flagpatterns::patternFor("0000"),
       100},
      {"script pattern with a zero byte",
       {},
       std::string("[a-m]\0\0\0\0", 9),
       std::nullopt,
       100,
       std::string("[a-m]\0junk", 10)},
      {"script pattern starting with a zero byte",
       {},
       std::string(6, '\0'),
       std::nullopt,
       100,
       std::string("\0[a-z]", 6)},
  };
}

class CgBoxModel : public ::testing::TestWithParam<size_t> {
 protected:
  void SetUp() override {
    host::Browser::get().reset();
    GestaltSetSystemVersion(10, 14, 0);  // Core Graphics model
  }
  void TearDown() override {
    GestaltResetForTesting();
    host::Browser::get().reset();
  }
};

TEST_P(CgBoxModel, RandomSequencesFollowTheModel) {
  const BoxSetup setup = setups()[GetParam()];
  host::Embed embed;
  embed.attributes = setup.attributes;
  host::Instance control(embed);
  ASSERT_EQ(NPERR_NO_ERROR, control.newResult());
  control.setWindow(0, 0, kWidth, kHeight);
  ASSERT_TRUE(control.setProperty("input1", host::Variant::string(kWrappedKey)));
  if (setup.scriptPattern) {
    ASSERT_TRUE(control.setProperty("input2", host::Variant::string(*setup.scriptPattern)));
  }
  const std::string keyText = keytext::keyTextFor(kWrappedKey);
  control.focus(true);

  oracle::CgBox box;
  box.maxlength = setup.maxlength;
  box.pattern = setup.inputPattern;
  std::optional<std::string> passwordPattern = setup.passwordPattern;
  int32_t mismatch = 0;
  size_t longest = 0;
  bool caretKnown = true;  // the caret's x is the pen after caret characters

  std::mt19937 rng(0x5eed + static_cast<unsigned>(GetParam()));
  auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  std::ostringstream trail;

  auto checkBuffer = [&] {
    host::ScriptResult r = control.invoke("get_output1");
    ASSERT_TRUE(r.ok);
    bool expectText = !box.buffer.empty();
    if (expectText && passwordPattern && !passwordPattern->empty()) {
      std::optional<bool> m = oracle::wholeMatch(*passwordPattern, box.buffer);
      if (m) {
        mismatch = *m ? 0 : 1;
        expectText = *m;
      }
    }
    if (!expectText) {
      EXPECT_TRUE(r.value.isVoid()) << trail.str();
      return;
    }
    ASSERT_TRUE(r.value.isString()) << trail.str();
    EXPECT_EQ(std::optional<std::string>(box.buffer),
              keytext::recoverPassword(r.value.asString(), true, keyText))
        << trail.str();
  };
  // A drawing: the model resolves a pending click as the control does.
  auto checkCaret = [&] {
    box.draw(penPositions());
    ASSERT_EQ(1, control.drawFresh());
    const double x = penPositions()[static_cast<size_t>(box.caret)];
    if (!caretKnown || x > kWidth - 2) return;
    std::optional<double> drawn = drawnCaretX(control);
    ASSERT_TRUE(drawn.has_value()) << trail.str();
    EXPECT_NEAR(x, *drawn, 0.75) << "caret " << box.caret << "\n" << trail.str();
  };

  for (int step = 0; step < 600; ++step) {
    const int action = pick(100);
    if (action < 72) {
      Key k = randomKey(rng);
      trail << "key[" << k.characters.size() << ":"
            << (k.characters.empty() ? 0 : static_cast<unsigned char>(k.characters[0])) << "/"
            << k.keyCode << "] ";
      // A pending click is resolved against the text as the next drawing
      // finds it; keep the box from emptying under it.
      if (box.clickPending && box.buffer.size() <= 1) checkCaret();
      if (k.characters == "\xFF") {
        // No characters at all (what a browser hands over for text that is
        // no UTF-8): the key code decides, and nothing is inserted.
        NPCocoaEvent e{};
        e.type = NPCocoaEventKeyDown;
        e.data.key.keyCode = k.keyCode;
        EXPECT_EQ(1, control.event(e));
        box.keyDown("", k.keyCode);
      } else {
        EXPECT_EQ(1, control.keyDown(k.characters, k.keyCode));
        box.keyDown(k.characters, k.keyCode);
      }
    } else if (action < 75) {
      Key k = randomKey(rng);
      EXPECT_EQ(0, control.key(NPCocoaEventKeyUp, k.characters, k.keyCode));
      continue;  // key-up changes nothing and rates nothing
    } else if (action < 84) {
      const double x = std::round((pick(kWidth / 2 + 60) - 20.0) * 4) / 4 + pick(4) * 0.125;
      const int32_t button = pick(6) == 0 ? 1 : 0;
      trail << "click(" << x << "," << button << ") ";
      EXPECT_EQ(1, control.mouse(NPCocoaEventMouseDown, x, 10, button));
      box.mouseDown(x, button);
      if (box.clickPending && (box.buffer.empty() || pick(3) != 0)) checkCaret();
      continue;
    } else if (action < 90) {
      trail << "draw ";
      checkCaret();
      continue;
    } else if (action < 92) {
      static const int32_t kLimits[] = {0, -3, 1, 5, 8, 12, 16, 20, 24, 30, 100, 100};
      const int32_t value = kLimits[pick(12)];
      trail << "maxlength=" << value << " ";
      ASSERT_TRUE(control.setProperty("maxlength", host::Variant::int32(value)));
      box.maxlength = value < 1 ? 0 : value;
      continue;
    } else if (action < 94) {
      static const char* const kFlags[] = {"0110", "1000", "0101", "0011", "1111", "2222"};
      const std::string flags = kFlags[pick(6)];
      trail << "input6=" << flags << " ";
      ASSERT_TRUE(control.setProperty("input6", host::Variant::string(flags)));
      box.pattern = flagpatterns::patternFor(flags);
      if (passwordPattern) passwordPattern = box.pattern;
      continue;
    } else if (action < 95) {
      if (box.clickPending) continue;
      trail << "clear ";
      control.invoke("ClearSeCtrl");
      box.clear();
      checkBuffer();
      // Clearing keeps the last rating.
      oracle::Strength kept{control.invoke("get_output4").value.asInt32(),
                            control.invoke("get_output44").value.asInt32(),
                            control.invoke("get_output16").value.asInt32()};
      ASSERT_EQ(box.strength, kept) << trail.str();
      continue;
    } else {
      continue;
    }

    // After every key-down: the rating, the length and the buffer.
    oracle::Strength got{control.invoke("get_output4").value.asInt32(),
                         control.invoke("get_output44").value.asInt32(),
                         control.invoke("get_output16").value.asInt32()};
    ASSERT_EQ(box.strength, got) << "buffer \"" << box.buffer << "\"\n" << trail.str();
    ASSERT_EQ(static_cast<int32_t>(box.buffer.size()),
              control.invoke("get_output3").value.asInt32())
        << trail.str();
    checkBuffer();
    EXPECT_EQ(mismatch, control.invoke("get_output5").value.asInt32()) << trail.str();
    longest = std::max(longest, box.buffer.size());
    if (step % 3 == 0) checkCaret();
    if (HasFailure()) return;
  }
  // The sequence must have reached texts long enough to matter.
  EXPECT_GE(longest, 5u);
}

INSTANTIATE_TEST_SUITE_P(Setups, CgBoxModel, ::testing::Range<size_t>(0, setups().size()),
                         [](const ::testing::TestParamInfo<size_t>& caseInfo) {
                           return testsupport::caseName(setups()[caseInfo.param].name);
                         });

// Clicks at every half pixel across the first characters of a box of known
// text land where the pen positions say.
TEST(CgBoxClicks, EveryHalfPixelAcrossTheText) {
  host::Browser::get().reset();
  GestaltSetSystemVersion(10, 14, 0);
  {
    host::Instance control;
    ASSERT_EQ(NPERR_NO_ERROR, control.newResult());
    control.setWindow(0, 0, kWidth, kHeight);
    control.focus(true);
    control.typeText("abcdefghij");
    oracle::CgBox box;
    box.buffer = "abcdefghij";
    box.caret = 10;
    // Every half pixel, and the pen positions themselves with the 8-pixel
    // margin around them, where the rule's strict and non-strict comparisons
    // decide.
    std::vector<double> xs;
    for (double x = -4; x < 150; x += 0.5) xs.push_back(x);
    for (size_t k = 1; k <= 10; ++k) {
      const double p = penPositions()[k];
      for (double x : {p, p - 1e-9, p - 8, p - 8 - 1e-9, p - 8 + 1e-9}) xs.push_back(x);
    }
    for (double x : xs) {
      control.mouse(NPCocoaEventMouseDown, x, 10, 0);
      box.mouseDown(x, 0);
      box.draw(penPositions());
      ASSERT_EQ(1, control.drawFresh());
      std::optional<double> drawn = drawnCaretX(control);
      ASSERT_TRUE(drawn.has_value()) << "click at " << x;
      EXPECT_NEAR(penPositions()[static_cast<size_t>(box.caret)], *drawn, 0.75)
          << "click at " << x << " model caret " << box.caret;
    }
  }
  GestaltResetForTesting();
  host::Browser::get().reset();
}

}  // namespace
