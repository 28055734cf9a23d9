// The drawn box by its pixels: the white box, one asterisk per character, the
// caret line and its blinking on the host's clock, and a click turned into a
// caret index by the pen positions of the drawn characters.
#include "cg_box.h"

namespace cgbox {
namespace {

// Runs of columns with ink in the text band (top edge to the baseline): one
// per drawn asterisk, since the character spacing leaves white between them.
std::vector<std::pair<size_t, size_t>> inkRuns(host::Instance& control) {
  std::vector<std::pair<size_t, size_t>> runs;
  bool inRun = false;
  for (size_t x = 0; x < kWidth; ++x) {
    bool ink = false;
    for (size_t y = 0; y <= 18; ++y) ink = ink || green(control.pixel(x, y)) < 160;
    if (ink && !inRun) runs.push_back({x, x});
    if (ink) runs.back().second = x;
    inRun = ink;
  }
  return runs;
}

TEST_F(CgBoxTest, EmptyBoxIsWhiteWithTheCaretAtFive) {
  host::Instance control(embed());
  control.setWindow(0, 0, kWidth, kHeight);
  ASSERT_EQ(1, control.drawFresh());
  for (size_t y = 0; y < kHeight; ++y) {
    for (size_t x = 0; x < kWidth; ++x) {
      ASSERT_EQ(control.pixel(x, y), 0xffffffffu) << x << "," << y;  // caret hidden: no focus
    }
  }
  control.focus(true);
  ASSERT_EQ(1, control.drawFresh());
  EXPECT_TRUE(caretBlackAt(control, 5));
  // A line on x 5 shares itself between columns 4 and 5.
  EXPECT_NEAR(green(control.pixel(4, kCaretRow)), 128, 3);
  EXPECT_NEAR(green(control.pixel(5, kCaretRow)), 128, 3);
  EXPECT_EQ(inkRuns(control).size(), 1u);  // the caret only
}

TEST_F(CgBoxTest, OneAsteriskPerCharacterAndTheCaretAfterTheLast) {
  host::Instance control(embed());
  control.setWindow(0, 0, kWidth, kHeight);
  const std::vector<double> pen = pens(12);
  for (size_t n : {1u, 4u, 12u}) {
    clearAndType(control, std::string(n, 'q'));
    ASSERT_EQ(1, control.drawFresh());
    const auto runs = inkRuns(control);
    ASSERT_EQ(runs.size(), n);
    for (size_t i = 0; i < n; ++i) {
      EXPECT_GE(static_cast<double>(runs[i].first), std::floor(pen[i])) << "asterisk " << i;
      EXPECT_LT(static_cast<double>(runs[i].second), pen[i + 1]) << "asterisk " << i;
    }
    EXPECT_TRUE(caretHidden(control));
  }
  // The drawn text never shows the characters: "W" and "q" look the same.
  host::Instance other(embed());
  other.setWindow(0, 0, kWidth, kHeight);
  type(other, "WWWWWWWWWWWW");
  other.drawFresh();
  for (size_t y = 0; y < kHeight; ++y)
    for (size_t x = 0; x < kWidth; ++x) ASSERT_EQ(other.pixel(x, y), control.pixel(x, y));

  control.focus(true);
  control.drawFresh();
  EXPECT_TRUE(caretBlackAt(control, pen[12]));
  control.keyDown(kUpChars, kKeyUp);
  control.drawFresh();
  EXPECT_TRUE(caretBlackAt(control, pen[0]));
  control.keyDown(kRightChars, kKeyRight);
  control.keyDown(kRightChars, kKeyRight);
  control.drawFresh();
  EXPECT_TRUE(caretBlackAt(control, pen[2]));
}

TEST_F(CgBoxTest, CaretBlinksEvery500msOnlyWhileFocused) {
  host::Instance control(embed());
  control.setWindow(0, 0, kWidth, kHeight);
  type(control, "abc");
  const double x = pens(3)[3];
  control.drawFresh();
  EXPECT_TRUE(caretHidden(control));
  browser.advance(2000);  // no focus: no timer
  control.drawFresh();
  EXPECT_TRUE(caretHidden(control));

  control.focus(true);
  ASSERT_EQ(browser.timers(control.npp()).size(), 1u);
  EXPECT_EQ(browser.timers(control.npp())[0].interval, 500u);
  EXPECT_TRUE(browser.timers(control.npp())[0].repeat);
  const size_t invalidations = browser.invalidationsFor(control.npp()).size();
  // Black at once, then white and black in turn every 500 ms.
  const struct {
    uint32_t advance;
    bool black;
  } phases[] = {{0, true},    {499, true}, {1, false},   {250, false}, {250, true},
                {500, false}, {500, true}, {1000, true}, {500, false}};
  int ticks = 0;
  uint64_t elapsed = 0;
  for (const auto& p : phases) {
    browser.advance(p.advance);
    elapsed += p.advance;
    ticks = static_cast<int>(elapsed / 500);
    control.drawFresh();
    EXPECT_EQ(static_cast<bool>(caretBlackAt(control, x)), p.black) << "at " << elapsed << " ms";
    if (!p.black) {
      EXPECT_TRUE(caretHidden(control)) << "at " << elapsed << " ms";
    }
  }
  // Each tick asked for a redraw.
  EXPECT_EQ(browser.invalidationsFor(control.npp()).size(), invalidations + ticks);

  control.focus(false);
  EXPECT_TRUE(browser.timers(control.npp()).empty());
  EXPECT_EQ(rec(control)->caretTimer, 0u);
  for (int i = 0; i < 3; ++i) {
    control.drawFresh();
    EXPECT_TRUE(caretHidden(control));
    browser.advance(500);
  }
}

TEST_F(CgBoxTest, FocusAgainKeepsOneTimerAndShowsTheCaret) {
  host::Instance control(embed());
  control.setWindow(0, 0, kWidth, kHeight);
  control.focus(true);
  const uint32_t first = rec(control)->caretTimer;
  browser.advance(500);  // caret off
  EXPECT_FALSE(rec(control)->caretOn);
  control.focus(true);
  ASSERT_EQ(browser.timers(control.npp()).size(), 1u);
  EXPECT_NE(rec(control)->caretTimer, first);
  EXPECT_EQ(browser.timers(control.npp())[0].id, rec(control)->caretTimer);
  EXPECT_TRUE(rec(control)->caretOn);
  control.drawFresh();
  EXPECT_TRUE(caretBlackAt(control, 5));
}

TEST_F(CgBoxTest, WithoutTimerFunctionsTheCaretNeverShows) {
  browser.table().scheduletimer = nullptr;
  host::Instance control(embed());
  control.setWindow(0, 0, kWidth, kHeight);
  EXPECT_EQ(1, control.focus(true));
  EXPECT_TRUE(rec(control)->hasFocus);
  type(control, "ab");
  EXPECT_EQ(text(control), "ab");
  control.drawFresh();
  EXPECT_TRUE(caretHidden(control));
  EXPECT_EQ(rec(control)->caretTimer, 0u);
}

// A browser that has the timer functions but starts no timer (id 0): the
// focus gain still shows the caret, which then simply does not blink.
TEST_F(CgBoxTest, ARefusedTimerLeavesTheCaretShowing) {
  browser.table().scheduletimer = [](NPP, uint32_t, NPBool, void (*)(NPP, uint32_t)) -> uint32_t {
    return 0;
  };
  host::Instance control(embed());
  control.setWindow(0, 0, kWidth, kHeight);
  EXPECT_EQ(1, control.focus(true));
  EXPECT_EQ(rec(control)->caretTimer, 0u);
  EXPECT_TRUE(rec(control)->caretOn);
  control.drawFresh();
  EXPECT_TRUE(caretBlackAt(control, 5));
  browser.advance(1500);
  control.drawFresh();
  EXPECT_TRUE(caretBlackAt(control, 5));
  control.focus(false);
  EXPECT_FALSE(rec(control)->caretOn);
  control.drawFresh();
  EXPECT_TRUE(caretHidden(control));
}

TEST_F(CgBoxTest, ATickOfAnotherTimerDoesNothing) {
  host::Instance control(embed());
  control.setWindow(0, 0, kWidth, kHeight);
  control.focus(true);
  void (*tick)(NPP, uint32_t) = mytimeproc;
  const size_t invalidations = browser.invalidationsFor(control.npp()).size();
  {
    host::ModuleCall call;
    tick(control.npp(), rec(control)->caretTimer + 100);
    tick(control.npp(), 0);
    tick(nullptr, 1);
  }
  EXPECT_TRUE(rec(control)->caretOn);
  EXPECT_EQ(browser.invalidationsFor(control.npp()).size(), invalidations);
  {
    host::ModuleCall call;
    tick(control.npp(), rec(control)->caretTimer);
  }
  EXPECT_FALSE(rec(control)->caretOn);
}

TEST_F(CgBoxTest, DestroyStopsTheTimer) {
  host::Instance control(embed());
  control.focus(true);
  ASSERT_EQ(browser.timers(control.npp()).size(), 1u);
  control.destroy();
  EXPECT_TRUE(browser.timers(control.npp()).empty());
  browser.advance(1000);
}

// A browser that keeps ticking a destroyed control's timer (here: it offers
// no way to cancel one at destruction): the tick finds no record. Under
// AddressSanitizer a read of the freed record would stop the test.
TEST_F(CgBoxTest, ATickAfterDestroyNeverReachesTheFreedRecord) {
  host::Instance control(embed());
  control.setWindow(0, 0, kWidth, kHeight);
  control.focus(true);
  ASSERT_EQ(browser.timers(control.npp()).size(), 1u);
  browser.table().unscheduletimer = nullptr;
  control.destroy();
  ASSERT_EQ(browser.timers(control.npp()).size(), 1u);
  const size_t invalidations = browser.invalidationsFor(control.npp()).size();
  browser.advance(1500);
  EXPECT_EQ(browser.invalidationsFor(control.npp()).size(), invalidations);
}

// In plain-text mode the buffer itself is drawn: the caret stands after the
// drawn characters' own advances, and other characters draw other pixels.
TEST_F(CgBoxTest, PlainTextModeDrawsTheCharactersThemselves) {
  host::Instance control(embed());
  control.setWindow(0, 0, kWidth, kHeight);
  const_cast<editorplugin*>(editor(recordObject(control)))->plainText = true;
  type(control, "WWi");
  control.focus(true);
  control.drawFresh();
  CGContextRef c = CGBitmapContextCreate(
      nullptr, 8, 8, 8, 0, nullptr, kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Little);
  CGContextSelectFont(c, "Arial", 16, kCGEncodingMacRoman);
  CGContextSetCharacterSpacing(c, 3);
  CGContextShowTextAtPoint(c, 5, 0, "WWi", 3);
  const double end = CGContextGetTextPosition(c).x;
  CGContextRelease(c);
  EXPECT_NE(end, pens(3)[3]);
  EXPECT_TRUE(caretBlackAt(control, end));

  host::Instance masked(embed());
  masked.setWindow(0, 0, kWidth, kHeight);
  type(masked, "WWi");
  masked.focus(true);
  masked.drawFresh();
  EXPECT_TRUE(caretBlackAt(masked, pens(3)[3]));
  bool differs = false;
  for (size_t y = 0; y < kHeight && !differs; ++y)
    for (size_t x = 0; x < kWidth && !differs; ++x)
      differs = control.pixel(x, y) != masked.pixel(x, y);
  EXPECT_TRUE(differs);
}

// The redraw rectangle takes the low 16 bits of the window's width and height.
TEST_F(CgBoxTest, RedrawRectangleKeepsTheLow16BitsOfTheSize) {
  host::Instance control(embed());
  control.setWindow(0, 0, 0x10000u + kWidth, 0x30000u + kHeight);
  control.keyDown("a", kKeyA);
  const NPRect r = browser.invalidationsFor(control.npp()).back();
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.bottom, kHeight);
  EXPECT_EQ(r.right, kWidth);
}

struct ClickCase {
  const char* name;
  double offset;  // click x relative to the pen after character `of`
  size_t of;
  int32_t caret;
};

// Five characters; the pen ends of characters 1..5 are pen[1..5], 9.2 pixels
// apart. A click goes after the first character whose end lies right of it
// when that end is at most 8 pixels away, else before that character.
TEST_F(CgBoxTest, ClickPlacesTheCaretByTheEightPixelRule) {
  const std::vector<double> pen = pens(5);
  const ClickCase cases[] = {
      {"just left of the end of 3", -0.5, 3, 3},
      {"just under 8 left of the end of 3", -7.999, 3, 3},
      {"just over 8 left of the end of 3", -8.001, 3, 2},
      // Not strictly past the end of 3: the end of 4 is 9.2 away, so before 4.
      {"on the end of 3", 0, 3, 3},
      {"left edge", -pen[1], 1, 0},  // x 0: the first end is 14.2 away
      {"inside the first", -3, 1, 1},
      {"past the end", 30, 5, 5},
      {"just before the last end", -1, 5, 5},
  };
  for (const ClickCase& c : cases) {
    host::Instance control(embed());
    control.setWindow(0, 0, kWidth, kHeight);
    type(control, "hello");
    control.focus(true);
    control.keyDown(kUpChars, kKeyUp);
    const double x = pen[c.of] + c.offset;
    EXPECT_EQ(1, control.mouse(NPCocoaEventMouseDown, x, 10));
    EXPECT_TRUE(rec(control)->clickPending);
    EXPECT_EQ(caret(control), 0) << "placed only by the drawing";
    control.drawFresh();
    EXPECT_FALSE(rec(control)->clickPending);
    EXPECT_EQ(caret(control), c.caret) << c.name << " (click at " << x << ")";
    EXPECT_TRUE(caretBlackAt(control, pen[c.caret])) << c.name;
    EXPECT_EQ(inkRuns(control).size() >= 5, true) << c.name;
    // The caret stays where the click put it.
    control.drawFresh();
    EXPECT_EQ(caret(control), c.caret) << c.name;
    control.keyDown("!", kKeyA);
    EXPECT_EQ(text(control).find('!'), static_cast<size_t>(c.caret)) << c.name;
  }
}

TEST_F(CgBoxTest, OtherButtonsPlaceNoCaret) {
  host::Instance control(embed());
  control.setWindow(0, 0, kWidth, kHeight);
  type(control, "hello");
  EXPECT_EQ(1, control.mouse(NPCocoaEventMouseDown, 6, 10, 1));
  EXPECT_FALSE(rec(control)->clickPending);
  control.drawFresh();
  EXPECT_EQ(caret(control), 5);
}

// A click on an empty box is dropped by the next drawing: the caret stays at
// 0 and text typed later is not moved about by the old click.
TEST_F(CgBoxTest, ClickOnAnEmptyBoxIsDropped) {
  host::Instance control(embed());
  control.setWindow(0, 0, kWidth, kHeight);
  control.mouse(NPCocoaEventMouseDown, 2, 10);
  control.drawFresh();
  EXPECT_FALSE(rec(control)->clickPending);
  EXPECT_EQ(caret(control), 0);
  type(control, "abc");
  control.drawFresh();
  EXPECT_EQ(caret(control), 3);
}

}  // namespace
}  // namespace cgbox
