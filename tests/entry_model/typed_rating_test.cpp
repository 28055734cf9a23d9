// The rating a page reads (get_output4, get_output44, get_output16) after a
// user types, against the model of tests/support/strength_model.h: random UTF-8
// passwords in the Core Animation field, random printable ASCII in the Core
// Graphics box, both through the host and the module's entry points.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "host/browser.h"
#include "host/instance.h"
#include "tests/support/strength_model.h"
#include "tests/support/utf8.h"

namespace {

using strengthmodel::Rating;

int32_t intOf(host::Instance& control, const char* method) {
  host::ScriptResult r = control.invoke(method);
  EXPECT_TRUE(r.ok && r.value.isInt32()) << method;
  return r.value.isInt32() ? r.value.asInt32() : -1;
}

Rating readRating(host::Instance& control) {
  return {intOf(control, "get_output4"), intOf(control, "get_output44"),
          intOf(control, "get_output16")};
}

using testsupport::appendUtf8;

// Code points of the (BMP-only) text: its length in UTF-16 units.
int32_t utf16Length(const std::string& text) {
  int32_t n = 0;
  for (unsigned char b : text)
    if ((b & 0xC0) != 0x80) ++n;
  return n;
}

class TypedRating : public ::testing::Test {
 protected:
  void SetUp() override { browser.reset(); }
  void TearDown() override {
    EXPECT_EQ(0, browser.liveBlocks());
    browser.reset();
  }
  host::Browser& browser = host::Browser::get();
};

// Texts from pools that reach every outcome: runs, repeats, letters with
// digits, symbols and characters outside ASCII.
std::string nextText(std::mt19937& rng, bool asciiOnly) {
  auto below = [&rng](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };
  static const char* const pools[] = {"abc123", "qwertyuiop", "0123456789", "aA1",
                                      "zZ9!",   "a1",         "!@ #",       "xyz"};
  const std::string pool = pools[below(8)];
  std::string text;
  const size_t n = below(15);
  for (size_t i = 0; i < n; ++i) {
    if (!asciiOnly && below(6) == 0) {
      static const uint32_t wide[] = {0xE4, 0xDF, 0x3B1, 0x416, 0x20AC, 0x4E2D, 0xFF21};
      appendUtf8(text, wide[below(7)]);
    } else {
      text += pool[below(pool.size())];
    }
  }
  return text;
}

TEST_F(TypedRating, CoreAnimationFieldRatesTheTypedUtf8) {
  host::Instance control;
  ASSERT_EQ(NPERR_NO_ERROR, control.newResult());
  ASSERT_NE(nullptr, control.requestLayer());
  control.setWindow(0, 0, 200, 30);
  control.focus(true);
  std::mt19937 rng(2103);
  int differences = 0;
  for (int round = 0; round < 120 && differences < 3; ++round) {
    const std::string text = nextText(rng, false);
    control.invoke("ClearSeCtrl");
    control.typeText(text);
    if (text.empty()) continue;  // nothing typed: the last rating stays
    EXPECT_EQ(utf16Length(text), intOf(control, "get_output3")) << "typed \"" << text << "\"";
    const Rating got = readRating(control);
    const Rating want = strengthmodel::rate(text);
    EXPECT_EQ(want, got) << "typed \"" << text << "\"";
    if (!(want == got)) ++differences;
  }
}

TEST_F(TypedRating, CoreGraphicsBoxRatesTheTypedAscii) {
  browser.setCapabilities(host::Answer::kFalse, host::Answer::kTrue, host::Answer::kTrue,
                          host::Answer::kTrue);
  host::Instance control;
  ASSERT_EQ(NPERR_NO_ERROR, control.newResult());
  control.setWindow(0, 0, 200, 30);
  control.focus(true);
  std::mt19937 rng(2102);
  int differences = 0;
  for (int round = 0; round < 120 && differences < 3; ++round) {
    const std::string text = nextText(rng, true);
    control.invoke("ClearSeCtrl");
    control.typeText(text);
    if (text.empty()) continue;
    EXPECT_EQ(utf16Length(text), intOf(control, "get_output3")) << "typed \"" << text << "\"";
    const Rating got = readRating(control);
    const Rating want = strengthmodel::rate(text);
    EXPECT_EQ(want, got) << "typed \"" << text << "\"";
    if (!(want == got)) ++differences;
  }
}

}  // namespace
