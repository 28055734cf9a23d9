// Typing into the Core Animation field through the host, as a user does.
#include <cstring>
#include <string>
#include <typeinfo>

#include "HIToolbox/TextInputSourcesTesting.h"
#include "ca_fixture.h"
#include "entry/CustomTextFieldFormatter.h"
#include "entry/strength.h"

namespace {

using namespace keys;

// Reads a cell's flag word (a protected member of every cell).
struct CellFlags : NSCell {
  static uint32_t of(NSCell* cell) { return cell->*(&CellFlags::_cFlags); }
};

TEST_F(CoreAnimationTest, NewBuildsTheWidgetsBoundToTheObject) {
  host::Embed e;
  e.attributes = {{"maxlength", "12"}};
  host::Instance control(e);
  ASSERT_EQ(NPERR_NO_ERROR, control.newResult());
  PluginInstance* r = record(control);
  ASSERT_NE(nullptr, r->textField);
  ASSERT_NE(nullptr, r->panel);
  EXPECT_EQ(r->textField, object(control)->textField);
  EXPECT_NE(nullptr, dynamic_cast<NSSecureTextField*>(r->textField));
  NSRect frame = r->textField->frame();
  EXPECT_EQ(8, frame.origin.x);
  EXPECT_EQ(8, frame.origin.y);
  EXPECT_EQ(848, frame.size.width);
  EXPECT_EQ(480, frame.size.height);

  NSCell* cell = r->textField->cell();
  EXPECT_NE(std::string::npos,
            std::string(typeid(*cell).name()).find("ZebVerticallyCenteredSecTextFieldCell"));
  EXPECT_EQ(0x40u, CellFlags::of(cell) & 0x40u);
  EXPECT_EQ(YES, cell->isBezeled());
  EXPECT_EQ(YES, cell->isEditable());
  EXPECT_EQ(NSLeftTextAlignment, cell->alignment());  // cursorMode 1
  NSFormatter* formatter = cell->formatter();
  ASSERT_NE(nullptr, formatter);
  ASSERT_NE(std::string::npos,
            std::string(typeid(*formatter).name()).find("CustomTextFieldFormatter"));
  EXPECT_EQ(12, static_cast<CustomTextFieldFormatter*>(formatter)->maximumLength());

  EditorPanel* p = r->panel;
  EXPECT_EQ(NSBorderlessWindowMask, p->styleMask());
  EXPECT_EQ(8, p->frame().origin.x);
  EXPECT_EQ(8, p->frame().origin.y);
  EXPECT_EQ(500, p->frame().size.width);
  EXPECT_EQ(480, p->frame().size.height);
  ASSERT_NE(nullptr, p->backgroundColor());
  EXPECT_EQ(1, p->backgroundColor()->redComponent());
  EXPECT_EQ(1, p->backgroundColor()->greenComponent());
  EXPECT_EQ(0, p->backgroundColor()->blueComponent());
  EXPECT_EQ(nullptr, p->contentView());  // until the layer is built
  EXPECT_EQ(NO, p->isActive());
}

TEST_F(CoreAnimationTest, LayerTreeHoldsTheFieldsLayerUnderTheRoot) {
  host::Instance control;
  ASSERT_EQ(NPERR_NO_ERROR, control.newResult());
  auto* root = static_cast<CALayer*>(control.requestLayer());
  ASSERT_NE(nullptr, root);
  EXPECT_EQ(root, control.requestLayer());  // built once
  EXPECT_EQ(1u, root->retainCount());       // the record's reference only
  PluginInstance* r = record(control);
  ASSERT_EQ(1u, root->sublayers().size());
  EXPECT_EQ(r->textField->layer(), root->sublayers()[0]);
  EXPECT_EQ(r->textField, root->sublayers()[0]->delegate());
  EXPECT_EQ(YES, r->textField->wantsLayer());
  EXPECT_EQ(r->textField, r->panel->contentView());
  EXPECT_EQ(YES, r->panel->becomesKeyOnlyIfNeeded());
  EXPECT_EQ(NO, r->panel->isActive());
}

TEST_F(CoreAnimationTest, TypedPasswordIsTheFieldsString) {
  host::Instance& control = embed();
  EXPECT_EQ(1, control.focus(true));
  EXPECT_EQ(YES, panel(control)->isActive());
  EXPECT_EQ(panel(control), NSWindow::keyWindow());
  EXPECT_EQ(fieldEditor(control), panel(control)->firstResponder());
  EXPECT_EQ("com.apple.keylayout.US", TISStandInSelectedIdentifier());

  type(control, "Pa55 word!");
  EXPECT_EQ("Pa55 word!", text(control));
  EXPECT_EQ(10, scriptInt(control, "get_output3"));  // the length page script sees
  EXPECT_EQ((NSRange{10, 0}), selection(control));
  EXPECT_EQ(rated("Pa55 word!"), strength(control));
}

TEST_F(CoreAnimationTest, DeleteAndCaretKeysEditAtTheCaret) {
  struct Case {
    const char* name;
    std::vector<std::string> keys;
    const char* text;
    NSUInteger caret;
  } cases[] = {
      {"delete", {kDelete}, "abc", 3},
      {"left, delete", {kLeft, kDelete}, "abd", 2},
      {"left twice, insert", {kLeft, kLeft, "X"}, "abXcd", 3},
      {"up, forward delete", {kUp, kForwardDelete}, "bcd", 0},
      {"up, right, delete", {kUp, kRight, kDelete}, "bcd", 0},
      {"up, down, insert", {kUp, kDown, "X"}, "abcdX", 5},
      {"escape inserts nothing", {kEscape}, "abcd", 4},
      {"forward delete at the end", {kForwardDelete}, "abcd", 4},
  };
  for (const Case& c : cases) {
    host::Instance& control = embed();
    control.focus(true);
    type(control, "abcd");
    for (const std::string& k : c.keys) press(control, k);
    EXPECT_EQ(c.text, text(control)) << c.name;
    EXPECT_EQ((NSRange{c.caret, 0}), selection(control)) << c.name;
    EXPECT_EQ(rated(c.text), strength(control)) << c.name;
  }
}

TEST_F(CoreAnimationTest, ClickPlacesTheCaret) {
  host::Instance& control = embed();
  control.focus(true);
  type(control, "abcdef");
  struct Case {
    double x;
    NSUInteger caret;
  } cases[] = {{10.9, 0}, {11, 1}, {17, 2}, {0, 0}, {-30, 0}, {41, 6}, {500, 6}};
  for (const Case& c : cases) {
    EXPECT_EQ(1, control.mouse(NPCocoaEventMouseDown, c.x, 10));
    EXPECT_EQ((NSRange{c.caret, 0}), selection(control)) << c.x;
  }
  // Typing goes in at the caret.
  control.mouse(NPCocoaEventMouseDown, 11, 10);
  type(control, "X");
  EXPECT_EQ("aXbcdef", text(control));
}

TEST_F(CoreAnimationTest, OtherButtonsAndMouseUpChangeNothing) {
  host::Instance& control = embed();
  control.focus(true);
  type(control, "abcdef");
  control.mouse(NPCocoaEventMouseDown, xOfIndex(2), 10);
  EXPECT_EQ(1, control.mouse(NPCocoaEventMouseDown, xOfIndex(5), 10, 1));
  EXPECT_EQ(1, control.mouse(NPCocoaEventMouseDragged, xOfIndex(5), 10, 1));
  EXPECT_EQ(1, control.mouse(NPCocoaEventMouseDown, xOfIndex(4), 10, 2));
  EXPECT_EQ((NSRange{2, 0}), selection(control));
  EXPECT_EQ(0, control.mouse(NPCocoaEventMouseUp, xOfIndex(5), 10));
  EXPECT_EQ(0, control.mouse(NPCocoaEventMouseMoved, xOfIndex(5), 10));
  EXPECT_EQ((NSRange{2, 0}), selection(control));
}

TEST_F(CoreAnimationTest, DragSelectsFromTheAnchor) {
  host::Instance& control = embed();
  control.focus(true);
  type(control, "abcdef");
  control.mouse(NPCocoaEventMouseDown, xOfIndex(3), 10);
  struct Case {
    const char* name;
    double x;
    NSRange selection;
  } cases[] = {
      {"forward", xOfIndex(5), {3, 2}},
      {"past the end", 500, {3, 3}},
      {"back over the anchor", xOfIndex(1), {1, 2}},
      {"onto the anchor", xOfIndex(3), {3, 0}},
      {"out to the left", -1, {0, 3}},
      {"at the left edge", 0, {0, 3}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(1, control.mouse(NPCocoaEventMouseDragged, c.x, 10)) << c.name;
    EXPECT_EQ(c.selection, selection(control)) << c.name;
  }
  // Typing replaces the dragged selection.
  control.mouse(NPCocoaEventMouseDragged, xOfIndex(5), 10);
  type(control, "X");
  EXPECT_EQ("abcXf", text(control));
}

TEST_F(CoreAnimationTest, DragAfterTheTextWasEmptiedSelectsNothingBeyondIt) {
  host::Instance& control = embed();
  control.focus(true);
  type(control, "abcdef");
  control.mouse(NPCocoaEventMouseDown, xOfIndex(4), 10);
  clearByScript(control);
  EXPECT_EQ("", text(control));
  control.mouse(NPCocoaEventMouseDragged, xOfIndex(6), 10);
  EXPECT_EQ((NSRange{0, 0}), selection(control));
  control.mouse(NPCocoaEventMouseDragged, -10, 10);
  EXPECT_EQ((NSRange{0, 0}), selection(control));
}

TEST_F(CoreAnimationTest, AnchorIsSharedByAllControls) {
  host::Instance& first = embed();
  host::Instance& second = embed();
  first.focus(true);
  type(first, "abcdef");
  first.mouse(NPCocoaEventMouseDown, xOfIndex(2), 10);
  // The second control never had focus: no field editor, so its click changes
  // nothing there and leaves the anchor at the start.
  EXPECT_EQ(1, second.mouse(NPCocoaEventMouseDown, xOfIndex(4), 10));
  EXPECT_EQ(nullptr, fieldEditor(second));
  first.mouse(NPCocoaEventMouseDragged, xOfIndex(4), 10);
  EXPECT_EQ((NSRange{0, 4}), selection(first));
  // Without a field editor a drag does nothing either.
  EXPECT_EQ(1, second.mouse(NPCocoaEventMouseDragged, xOfIndex(1), 10));
}

TEST_F(CoreAnimationTest, CursorFollowsThePointer) {
  host::Instance& control = embed();
  EXPECT_EQ(1, control.mouse(NPCocoaEventMouseEntered, 5, 5));
  EXPECT_EQ(NSCursor::IBeamCursor(), NSCursor::currentCursor());
  EXPECT_EQ(1, control.mouse(NPCocoaEventMouseExited, 500, 5));
  EXPECT_EQ(NSCursor::arrowCursor(), NSCursor::currentCursor());
}

TEST_F(CoreAnimationTest, OtherEventsAreNotHandled) {
  host::Instance& control = embed();
  EXPECT_EQ(1, control.draw(nullptr));
  for (int32_t type :
       {0, int32_t(NPCocoaEventFlagsChanged), int32_t(NPCocoaEventWindowFocusChanged),
        int32_t(NPCocoaEventScrollWheel), int32_t(NPCocoaEventTextInput), 99, -1}) {
    NPCocoaEvent e{};
    std::memcpy(&e.type, &type, sizeof type);  // any number a browser may send
    EXPECT_EQ(0, control.event(e)) << type;
  }
}

// Stands in for the panel's first responder and records what reaches it.
class KeyRecorder : public NSResponder {
 public:
  struct Seen {
    NSEventType type;
    std::string characters, ignoring;
    NSUInteger flags;
    BOOL repeat;
    unsigned short keyCode;
    NSInteger windowNumber;
    NSWindow* contextWindow;
    double timestamp;
  };
  std::vector<Seen> seen;
  BOOL acceptsFirstResponder() override { return YES; }
  void keyDown(NSEvent* e) override { record(e); }
  void keyUp(NSEvent* e) override { record(e); }

 private:
  void record(NSEvent* e) {
    seen.push_back({e->type(), e->characters()->UTF8String(),
                    e->charactersIgnoringModifiers()->UTF8String(), e->modifierFlags(),
                    e->isARepeat(), e->keyCode(), e->windowNumber(),
                    e->context() ? e->context()->window() : nullptr, e->timestamp()});
  }
};

TEST_F(CoreAnimationTest, KeysAreResentToTheFirstResponderExceptTabAndReturn) {
  host::Instance& control = embed();
  control.focus(true);
  auto* recorder = new KeyRecorder();
  ASSERT_TRUE(panel(control)->makeFirstResponder(recorder));

  EXPECT_EQ(1, control.key(NPCocoaEventKeyDown, kTab, 48));
  EXPECT_EQ(1, control.key(NPCocoaEventKeyUp, kTab, 48));
  EXPECT_EQ(1, control.key(NPCocoaEventKeyDown, kReturn, 36));
  EXPECT_EQ(1, control.key(NPCocoaEventKeyUp, kReturn, 36));
  EXPECT_TRUE(recorder->seen.empty());

  EXPECT_EQ(1, control.key(NPCocoaEventKeyDown, "A", 0, NSShiftKeyMask, true, "a"));
  EXPECT_EQ(1, control.key(NPCocoaEventKeyUp, "A", 0, NSShiftKeyMask, false, "a"));
  EXPECT_EQ(1, control.key(NPCocoaEventKeyDown, kEscape, 53));
  EXPECT_EQ(1, control.key(NPCocoaEventKeyUp, kEscape, 53));
  ASSERT_EQ(4u, recorder->seen.size());
  const KeyRecorder::Seen& down = recorder->seen[0];
  EXPECT_EQ(NSKeyDown, down.type);
  EXPECT_EQ("A", down.characters);
  EXPECT_EQ("a", down.ignoring);
  EXPECT_EQ(NSUInteger(NSShiftKeyMask), down.flags);
  EXPECT_EQ(YES, down.repeat);
  EXPECT_EQ(panel(control)->windowNumber(), down.windowNumber);
  EXPECT_EQ(panel(control), down.contextWindow);
  EXPECT_GT(down.timestamp, 0);
  EXPECT_EQ(NSKeyUp, recorder->seen[1].type);
  EXPECT_EQ(NO, recorder->seen[1].repeat);
  EXPECT_EQ(NSKeyDown, recorder->seen[2].type);
  EXPECT_EQ(53, recorder->seen[2].keyCode);
  EXPECT_EQ(NSKeyUp, recorder->seen[3].type);

  panel(control)->makeFirstResponder(nullptr);
  recorder->release();
}

TEST_F(CoreAnimationTest, KeyEventWithoutCharactersChangesNothing) {
  host::Instance& control = embed();
  control.focus(true);
  type(control, "ab");
  for (NPCocoaEventType type : {NPCocoaEventKeyDown, NPCocoaEventKeyUp}) {
    NPCocoaEvent e{};
    e.type = type;  // characters and charactersIgnoringModifiers null
    EXPECT_EQ(1, control.event(e));
  }
  EXPECT_EQ("ab", text(control));
}

TEST_F(CoreAnimationTest, TabAndReturnNeverReachTheField) {
  host::Instance& control = embed();
  control.focus(true);
  type(control, "abc");
  control.mouse(NPCocoaEventMouseDown, xOfIndex(1), 10);
  press(control, kTab, 48);
  press(control, kReturn, 36);
  EXPECT_EQ("abc", text(control));
  EXPECT_EQ((NSRange{1, 0}), selection(control));
  EXPECT_EQ(fieldEditor(control), panel(control)->firstResponder());
}

TEST_F(CoreAnimationTest, FocusLossDeactivatesThePanel) {
  host::Instance& control = embed();
  EXPECT_EQ(1, control.focus(true));
  type(control, "abc");
  EXPECT_EQ(1, control.focus(false));
  EXPECT_EQ(NO, panel(control)->isActive());
  EXPECT_EQ(NO, panel(control)->isKeyWindow());
  EXPECT_EQ(nullptr, NSWindow::keyWindow());
  EXPECT_EQ("abc", text(control));
  // NPP_SetWindow asks for key status; it takes effect only while active.
  control.setWindow(10, 20, 300, 40);
  EXPECT_EQ(nullptr, NSWindow::keyWindow());
  NSRect frame = panel(control)->frame();
  EXPECT_EQ(10, frame.origin.x);
  EXPECT_EQ(20, frame.origin.y);
  EXPECT_EQ(300, frame.size.width);
  EXPECT_EQ(40, frame.size.height);
  control.focus(true);
  panel(control)->resignKeyWindow();
  control.setWindow(0, 0, 200, 30);
  EXPECT_EQ(panel(control), NSWindow::keyWindow());
}

TEST_F(CoreAnimationTest, FocusIsTakenWithoutAnEnglishSource) {
  struct Case {
    const char* name;
    std::vector<TISInputSourceStandIn> sources;
  } cases[] = {
      {"no English source", {{"com.apple.keylayout.German", "de", true}}},
      {"English source refuses selection", {{"com.apple.keylayout.US", "en", false}}},
  };
  for (const Case& c : cases) {
    TISStandInSetSources(c.sources, "com.apple.keylayout.German");
    host::Instance& control = embed();
    EXPECT_EQ(1, control.focus(true)) << c.name;
    EXPECT_EQ("com.apple.keylayout.German", TISStandInSelectedIdentifier()) << c.name;
    EXPECT_EQ(YES, panel(control)->isActive()) << c.name;
    type(control, "ok");
    EXPECT_EQ("ok", text(control)) << c.name;
    control.focus(false);
  }
}

TEST_F(CoreAnimationTest, MaxLengthComesFromTheAttribute) {
  struct Case {
    const char* attribute;
    size_t typed;
    size_t kept;
  } cases[] = {{"4", 6, 4}, {"0", 3, 0}, {"-1", 150, 150}, {nullptr, 120, 100}};
  for (const Case& c : cases) {
    std::vector<host::Attribute> attributes;
    if (c.attribute) attributes.push_back({"maxlength", c.attribute});
    host::Instance& control = embed(attributes);
    control.focus(true);
    type(control, std::string(c.typed, 'q'));
    EXPECT_EQ(c.kept, text(control).size()) << (c.attribute ? c.attribute : "default");
    if (c.kept == 0) {
      EXPECT_EQ((Strength{0, 1, 0}), strength(control));
    }
  }
}

TEST_F(CoreAnimationTest, MaxLengthCountsUtf16Units) {
  // A character outside the BMP is two UTF-16 units: with "ab" typed it needs
  // a maximum of 4, and one unit less refuses it.
  const std::string grin = "\xF0\x9F\x98\x80";  // U+1F600
  struct Case {
    const char* maxlength;
    std::string kept;
  } cases[] = {{"3", "ab"}, {"4", "ab" + grin}};
  for (const Case& c : cases) {
    host::Instance& control = embed({{"maxlength", c.maxlength}});
    control.focus(true);
    type(control, "ab");
    press(control, grin);
    EXPECT_EQ(c.kept, text(control)) << c.maxlength;
    EXPECT_EQ(rated(c.kept), strength(control)) << c.maxlength;
  }
}

TEST_F(CoreAnimationTest, LengthRuleRefusesATextThePatternAccepts) {
  host::Instance& control = embed({{"maxlength", "3"}, {"input2", "[a-z]*"}});
  control.focus(true);
  type(control, "abcd");
  EXPECT_EQ("abc", text(control));
  EXPECT_EQ(rated("abc"), strength(control));
}

TEST_F(CoreAnimationTest, LaterScriptMaxLengthDoesNotReachTheField) {
  host::Instance& control = embed({{"maxlength", "5"}});
  EXPECT_TRUE(control.setProperty("maxlength", host::Variant::int32(2)));
  EXPECT_EQ(2, object(control)->maxlength);
  control.focus(true);
  type(control, "abcdefg");
  EXPECT_EQ("abcde", text(control));
  // A refused key leaves the text and its rating as they were.
  EXPECT_EQ(rated("abcde"), strength(control));
}

TEST_F(CoreAnimationTest, InputPatternTestsTheWholeProposedText) {
  host::Instance& control = embed({{"input2", "[a-z]*"}});
  control.focus(true);
  type(control, "abc");
  Strength before = strength(control);
  EXPECT_EQ(rated("abc"), before);
  type(control, "D");
  EXPECT_EQ("abc", text(control));
  EXPECT_EQ(before, strength(control));
  type(control, "d");
  EXPECT_EQ("abcd", text(control));

  // A one-character pattern: each letter matches alone, but the proposed
  // whole text does not.
  host::Instance& single = embed({{"input2", "[a-z]"}});
  single.focus(true);
  type(single, "ab");
  EXPECT_EQ("a", text(single));
}

TEST_F(CoreAnimationTest, PatternSetByScriptReachesTheFormatter) {
  // The formatter reads the object's pattern at every edit, so a pattern set
  // after creation applies from the next key on.
  host::Instance& control = embed();
  control.focus(true);
  type(control, "A1");
  EXPECT_TRUE(control.setProperty("input2", host::Variant::string("[a-z0-9A]*")));
  type(control, "bC2");
  EXPECT_EQ("A1b2", text(control));
}

TEST_F(CoreAnimationTest, InvalidPatternAcceptsAndRates) {
  host::Instance& control = embed({{"input2", "[a-"}});
  control.focus(true);
  type(control, "Ab1!");
  EXPECT_EQ("Ab1!", text(control));
  EXPECT_EQ(rated("Ab1!"), strength(control));
}

TEST_F(CoreAnimationTest, StrengthFollowsAcceptedEditsAndSurvivesClearing) {
  host::Instance& control = embed({{"maxlength", "12"}});
  EXPECT_EQ((Strength{0, 1, 0}), strength(control));
  control.focus(true);
  const std::string steps[] = {"a", "ab", "ab1", "ab1!", "ab1!xY", "ab1!xY7q9w"};
  std::string typed;
  for (const std::string& step : steps) {
    type(control, step.substr(typed.size()));
    typed = step;
    EXPECT_EQ(step, text(control));
    EXPECT_EQ(rated(step), strength(control)) << step;
  }
  press(control, kDelete);  // deletions are edits too
  EXPECT_EQ(rated("ab1!xY7q9"), strength(control));
  type(control, "zzzz");  // only the first three fit
  Strength full = strength(control);
  EXPECT_EQ(rated("ab1!xY7q9zzz"), full);
  clearByScript(control);  // not an edit
  EXPECT_EQ("", text(control));
  EXPECT_EQ(full, strength(control));
  type(control, "9");
  EXPECT_EQ(rated("9"), strength(control));
}

TEST_F(CoreAnimationTest, RefocusSelectsTheWholeText) {
  host::Instance& control = embed();
  control.focus(true);
  type(control, "abc");
  control.focus(false);
  control.focus(true);
  EXPECT_EQ((NSRange{0, 3}), selection(control));
}

TEST_F(CoreAnimationTest, DestroyReleasesEveryObjectTheControlMade) {
  long before = NSObject::liveObjects();
  {
    host::Instance control;
    ASSERT_EQ(NPERR_NO_ERROR, control.newResult());
    EXPECT_GT(NSObject::liveObjects(), before);
    control.requestLayer();
    control.setWindow(0, 0, 200, 30);
    control.focus(true);
    type(control, "secret");
    control.mouse(NPCocoaEventMouseDown, 11, 5);
    control.mouse(NPCocoaEventMouseDragged, 30, 5);
    control.mouse(NPCocoaEventMouseEntered, 11, 5);
    EXPECT_EQ(NPERR_NO_ERROR, control.destroy());
    EXPECT_EQ(before, NSObject::liveObjects());
    EXPECT_EQ(nullptr, NSWindow::keyWindow());
  }
  EXPECT_EQ(before, NSObject::liveObjects());
}

}  // namespace
