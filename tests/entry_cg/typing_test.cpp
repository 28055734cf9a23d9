// Typing into the drawn box through the host: the maximum length read at
// every key, the input pattern applied to each character alone, the keys with
// a meaning of their own, and a rating after every key-down.
#include <climits>
#include <cstring>

#include "cg_box.h"

namespace cgbox {
namespace {

TEST_F(CgBoxTest, ControlIsCoreGraphics) {
  host::Instance control(embed());
  ASSERT_EQ(NPERR_NO_ERROR, control.newResult());
  EXPECT_EQ(rec(control)->drawingMode, kDrawingModeCoreGraphics);
  EXPECT_EQ(text(control), "");
}

TEST_F(CgBoxTest, MaxlengthIsReadAtEveryKey) {
  host::Instance control(embed({{"maxlength", "8"}}));
  control.setWindow(0, 0, kWidth, kHeight);
  type(control, "abcdefgh");
  EXPECT_EQ(text(control), "abcdefgh");
  type(control, "i");
  EXPECT_EQ(text(control), "abcdefgh");
  EXPECT_EQ(caret(control), 8);
  // Script raises the limit: the very next key is accepted.
  ASSERT_TRUE(control.setProperty("maxlength", host::Variant::int32(9)));
  type(control, "ij");
  EXPECT_EQ(text(control), "abcdefghi");
  // Lowered below the length: nothing more goes in, nothing is cut.
  ASSERT_TRUE(control.setProperty("maxlength", host::Variant::int32(3)));
  type(control, "k");
  EXPECT_EQ(text(control), "abcdefghi");
  control.keyDown(kDeleteChars, kKeyDelete);
  EXPECT_EQ(text(control), "abcdefgh");
}

TEST_F(CgBoxTest, MaxlengthZeroOrNegativeLetsNothingIn) {
  for (const char* limit : {"0", "-5"}) {
    host::Instance control(embed({{"maxlength", limit}}));
    type(control, "abc");
    EXPECT_EQ(text(control), "") << "maxlength " << limit;
  }
}

struct PatternCase {
  const char* name;
  std::vector<host::Attribute> attributes;
  const char* typed;
  const char* kept;
};

TEST_F(CgBoxTest, InputPatternTestsEachCharacterAlone) {
  const PatternCase cases[] = {
      {"no pattern", {}, "aZ1! ~", "aZ1! ~"},
      {"lower case", {{"input2", "[a-z]"}}, "aZ1!b", "ab"},
      {"lower case by flags", {{"input6", "0100"}}, "aZ1!b", "ab"},
      {"digits and symbols by flags", {{"input6", "0011"}}, "aZ1!b ", "1! "},
      {"any character", {{"input2", "."}}, "aZ1! ", "aZ1! "},
      {"not a space", {{"input2", "[^ ]"}}, "a b", "ab"},
      // A character alone never matches a pattern of two characters.
      {"two letters", {{"input2", "[a-z]{2}"}}, "abcd", ""},
      {"whole word", {{"input2", "ab"}}, "ab", ""},
      // Patterns that cannot be used refuse every character.
      {"invalid expression", {{"input2", "["}}, "a[1", ""},
      {"invalid repetition", {{"input2", "*a"}}, "a*", ""},
      {"not UTF-8", {{"input2", "\xff[a-z]"}}, "ab", ""},
      {"cut UTF-8", {{"input2", "[a-z]\xc3"}}, "ab", ""},
  };
  for (const PatternCase& c : cases) {
    host::Instance control(embed(c.attributes));
    type(control, c.typed);
    EXPECT_EQ(text(control), c.kept) << c.name;
  }
}

TEST_F(CgBoxTest, OnlyPrintableAsciiIsInserted) {
  host::Instance control(embed());
  const char* refused[] = {"\x7f", "\x01", "\x1f", "\xc3\xa9", "\xe2\x82\xac", ""};
  for (const char* characters : refused) {
    EXPECT_EQ(1, control.keyDown(characters, kKeyA));
  }
  EXPECT_EQ(text(control), "");
  type(control, " ~");
  EXPECT_EQ(text(control), " ~");
}

// Return, Escape and Tab are recognised by their character before the key
// code is looked at: with the Delete or an arrow key's code they still do
// nothing to the text or the caret.
TEST_F(CgBoxTest, ReturnTabAndEscapeGoBeforeTheKeyCode) {
  host::Instance control(embed());
  type(control, "abc");
  struct {
    const char* characters;
    uint16_t keyCode;
  } keys[] = {{"\r", kKeyReturn}, {"\t", kKeyTab},      {"\x1b", kKeyEscape}, {"\r", kKeyDelete},
              {"\t", kKeyLeft},   {"\x1b", kKeyDelete}, {"\x1b", kKeyUp}};
  for (const auto& k : keys) {
    EXPECT_EQ(1, control.keyDown(k.characters, k.keyCode));
    EXPECT_EQ(text(control), "abc");
    EXPECT_EQ(caret(control), 3);
  }
}

struct KeyStep {
  const char* characters;
  uint16_t keyCode;
  const char* text;
  int32_t caret;
};

TEST_F(CgBoxTest, ArrowsAndDeleteAtBothEnds) {
  host::Instance control(embed());
  const KeyStep steps[] = {
      // Empty text: every caret key leaves the caret at 0.
      {kLeftChars.c_str(), kKeyLeft, "", 0},
      {kRightChars.c_str(), kKeyRight, "", 0},
      {kUpChars.c_str(), kKeyUp, "", 0},
      {kDownChars.c_str(), kKeyDown, "", 0},
      {kDeleteChars.c_str(), kKeyDelete, "", 0},
      {"a", kKeyA, "a", 1},
      {"b", kKeyA, "ab", 2},
      {"c", kKeyA, "abc", 3},
      {kRightChars.c_str(), kKeyRight, "abc", 3},  // at the end: stays
      {kLeftChars.c_str(), kKeyLeft, "abc", 2},
      {"X", kKeyA, "abXc", 3},  // inserted at the caret
      {kUpChars.c_str(), kKeyUp, "abXc", 0},
      {kLeftChars.c_str(), kKeyLeft, "abXc", 0},      // at 0: stays
      {kDeleteChars.c_str(), kKeyDelete, "abXc", 0},  // nothing before the caret
      {"Y", kKeyA, "YabXc", 1},
      {kDownChars.c_str(), kKeyDown, "YabXc", 5},
      {kDeleteChars.c_str(), kKeyDelete, "YabX", 4},
      {kLeftChars.c_str(), kKeyLeft, "YabX", 3},
      {kLeftChars.c_str(), kKeyLeft, "YabX", 2},
      {kDeleteChars.c_str(), kKeyDelete, "YbX", 1},
      {kRightChars.c_str(), kKeyRight, "YbX", 2},
      {kDeleteChars.c_str(), kKeyDelete, "YX", 1},
      {kDeleteChars.c_str(), kKeyDelete, "X", 0},
      {kDeleteChars.c_str(), kKeyDelete, "X", 0},
      {kDownChars.c_str(), kKeyDown, "X", 1},
      {kDeleteChars.c_str(), kKeyDelete, "", 0},
  };
  int step = 0;
  for (const KeyStep& k : steps) {
    EXPECT_EQ(1, control.keyDown(k.characters, k.keyCode));
    EXPECT_EQ(text(control), k.text) << "step " << step;
    EXPECT_EQ(caret(control), k.caret) << "step " << step;
    ++step;
  }
}

// Every key-down rates the text again, the refused and the caret keys too;
// key-up events are not handled.
TEST_F(CgBoxTest, EveryKeyDownRatesAgain) {
  host::Instance control(embed({{"maxlength", "6"}}));
  EXPECT_EQ(strength(control), (Strength{0, 1, 0}));  // defaults
  type(control, "abc");
  EXPECT_EQ(strength(control), (Strength{1, 1, 1}));
  type(control, "123");
  EXPECT_EQ(strength(control), (Strength{2, 0, 2}));

  const Strength stale{9, 9, 9};
  struct {
    const char* characters;
    uint16_t keyCode;
  } keys[] = {
      {"z", kKeyA} /* over maxlength */, {"\x1b", kKeyEscape}, {"\t", kKeyTab}, {"\r", kKeyReturn},
      {kLeftChars.c_str(), kKeyLeft},    {"\x01", kKeyA}};
  for (const auto& k : keys) {
    setStrength(control, stale);
    control.keyDown(k.characters, k.keyCode);
    EXPECT_EQ(strength(control), (Strength{2, 0, 2})) << "key code " << k.keyCode;
  }
  setStrength(control, stale);
  EXPECT_EQ(0, control.key(NPCocoaEventKeyUp, "a", kKeyA));
  EXPECT_EQ(strength(control), stale);

  control.keyDown(kDeleteChars, kKeyDelete);  // caret 5 after the left arrow: "abc13"
  EXPECT_EQ(text(control), "abc13");
  EXPECT_EQ(strength(control), (Strength{2, 0, 1}));
}

TEST_F(CgBoxTest, KeysAndFocusAskForARedraw) {
  host::Instance control(embed());
  control.setWindow(0, 0, kWidth, kHeight);
  const size_t before = browser.invalidationsFor(control.npp()).size();
  const int redraws = browser.forcedRedraws(control.npp());
  control.keyDown("a", kKeyA);
  control.keyDown("\x1b", kKeyEscape);
  control.focus(true);
  control.mouse(NPCocoaEventMouseDown, 3, 3, 1);  // any button redraws
  EXPECT_EQ(browser.invalidationsFor(control.npp()).size(), before + 4);
  EXPECT_EQ(browser.forcedRedraws(control.npp()), redraws + 4);
  const NPRect r = browser.invalidationsFor(control.npp()).back();
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.bottom, kHeight);
  EXPECT_EQ(r.right, kWidth);
}

TEST_F(CgBoxTest, EventsTheBoxHandles) {
  host::Instance control(embed());
  control.setWindow(0, 0, kWidth, kHeight);
  EXPECT_EQ(1, control.mouse(NPCocoaEventMouseEntered, 1, 1));
  EXPECT_STREQ(NSCursor::currentCursor()->name(), NSCursor::IBeamCursor()->name());
  EXPECT_EQ(1, control.mouse(NPCocoaEventMouseExited, 1, 1));
  EXPECT_STREQ(NSCursor::currentCursor()->name(), NSCursor::arrowCursor()->name());
  for (NPCocoaEventType t : {NPCocoaEventMouseUp, NPCocoaEventMouseMoved, NPCocoaEventMouseDragged,
                             NPCocoaEventScrollWheel}) {
    EXPECT_EQ(0, control.mouse(t, 1, 1)) << "event type " << t;
  }
  EXPECT_EQ(0, control.key(NPCocoaEventFlagsChanged, "", 56));
  EXPECT_EQ(0, control.key(NPCocoaEventKeyUp, "a", kKeyA));
  NPCocoaEvent textInput{};
  textInput.type = NPCocoaEventTextInput;
  EXPECT_EQ(0, control.event(textInput));
  NPCocoaEvent unknown{};
  unknown.type = static_cast<NPCocoaEventType>(0);
  EXPECT_EQ(0, control.event(unknown));
  // A draw event without a context is handled and draws nothing.
  EXPECT_EQ(1, control.draw(nullptr));
}

// Types outside the list (0, 12 and above, any number a browser may send)
// do nothing and answer 0: no key is taken, nothing is redrawn.
TEST_F(CgBoxTest, UnknownEventTypesDoNothing) {
  host::Instance control(embed());
  control.setWindow(0, 0, kWidth, kHeight);
  type(control, "ab");
  const size_t invalidations = browser.invalidationsFor(control.npp()).size();
  for (int32_t type : {0, int32_t(NPCocoaEventWindowFocusChanged), int32_t(NPCocoaEventScrollWheel),
                       int32_t(NPCocoaEventTextInput), 14, 99, -1, INT32_MIN, INT32_MAX}) {
    NPCocoaEvent e{};
    std::memcpy(&e.type, &type, sizeof type);
    e.data.key.keyCode = kKeyDelete;  // were it taken as a key, it would delete
    EXPECT_EQ(0, control.event(e)) << type;
  }
  EXPECT_EQ(text(control), "ab");
  EXPECT_EQ(caret(control), 2);
  EXPECT_EQ(browser.invalidationsFor(control.npp()).size(), invalidations);
}

// The box empties through clearpo; the last rating stays.
TEST_F(CgBoxTest, ClearpoKeepsTheStrengthValues) {
  host::Instance control(embed());
  control.setWindow(0, 0, kWidth, kHeight);
  type(control, "abc123");
  control.keyDown(kLeftChars, kKeyLeft);
  const Strength rated = strength(control);
  ASSERT_EQ(rated, (Strength{2, 0, 2}));
  control.focus(true);
  control.mouse(NPCocoaEventMouseDown, 30, 5);
  const size_t invalidations = browser.invalidationsFor(control.npp()).size();
  {
    host::ModuleCall call;
    clearpo(control.npp());
    clearpo(nullptr);  // no control: nothing
  }
  EXPECT_EQ(text(control), "");
  EXPECT_EQ(caret(control), 0);
  EXPECT_EQ(strength(control), rated);
  EXPECT_TRUE(rec(control)->hasFocus);
  EXPECT_NE(rec(control)->caretTimer, 0u);
  EXPECT_TRUE(rec(control)->clickPending);
  EXPECT_EQ(browser.invalidationsFor(control.npp()).size(), invalidations + 1);
}

// The page's way to the same: ClearSeCtrl; the page still reads the last
// rating through the strength methods.
TEST_F(CgBoxTest, ClearSeCtrlEmptiesTheBoxAndKeepsTheRating) {
  host::Instance control(embed());
  type(control, "abc123");
  ASSERT_TRUE(control.invoke("ClearSeCtrl").ok);
  EXPECT_EQ(text(control), "");
  EXPECT_EQ(caret(control), 0);
  const struct {
    const char* method;
    int32_t value;
  } reads[] = {{"get_output4", 2}, {"get_output44", 0}, {"get_output16", 2}, {"get_output3", 0}};
  for (const auto& r : reads) {
    host::ScriptResult result = control.invoke(r.method);
    ASSERT_TRUE(result.ok) << r.method;
    ASSERT_TRUE(result.value.isInt32()) << r.method;
    EXPECT_EQ(result.value.asInt32(), r.value) << r.method;
  }
}

}  // namespace
}  // namespace cgbox
