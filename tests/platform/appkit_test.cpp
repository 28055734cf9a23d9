#include "AppKit/AppKit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Foundation/NSException.h"
#include "HIToolbox/CarbonEvents.h"
#include "HIToolbox/TextInputSources.h"
#include "HIToolbox/TextInputSourcesTesting.h"
#include "QuartzCore/CALayer.h"

namespace {

NSString* S(const char* utf8) { return NSString::stringWithUTF8String(utf8); }
NSString* U(std::u16string units) { return NSAutorelease(new NSString(std::move(units))); }

// Records every question the field editor asks; refuses texts longer than
// limit.
class RecordingFormatter : public NSFormatter {
 public:
  size_t limit = 1000;
  std::vector<std::string> asked;
  NSString* stringForObjectValue(NSObject* object) override {
    return static_cast<NSString*>(object);
  }
  BOOL getObjectValue(NSObject** object, NSString* string, NSString**) override {
    *object = string;
    return YES;
  }
  BOOL isPartialStringValid(NSString** partial, NSRange*, NSString*, NSRange, NSString**) override {
    asked.push_back((*partial)->UTF8String());
    return (*partial)->length() <= limit ? YES : NO;
  }
};

// A borderless panel hosting a secure field that has focus.
struct Editing {
  NSPanel* panel;
  NSSecureTextField* field;
  RecordingFormatter* formatter;
  NSText* editor = nullptr;

  Editing() {
    panel = static_cast<NSPanel*>((new NSPanel())
                                      ->initWithContentRect(NSMakeRect(8, 8, 500, 480),
                                                            NSBorderlessWindowMask,
                                                            NSBackingStoreBuffered, NO));
    field = new NSSecureTextField();
    field->initWithFrame(NSMakeRect(8, 8, 848, 480));
    field->setEditable(YES);
    formatter = new RecordingFormatter();
    field->setFormatter(formatter);
    panel->setContentView(field);
  }
  ~Editing() {
    formatter->release();
    field->release();
    panel->release();
  }
  void focus() {
    EXPECT_TRUE(panel->makeFirstResponder(field));
    editor = panel->fieldEditor(NO, field);
  }
  void key(std::u16string characters, NSUInteger flags = 0) {
    NSAutoreleasePool pool;
    NSEvent* e = NSEvent::keyEventWithType(
        NSKeyDown, NSZeroPoint, flags, GetCurrentEventTime(), panel->windowNumber(),
        NSGraphicsContext::graphicsContextWithWindow(panel), U(characters), U(characters), NO, 0);
    static_cast<NSResponder*>(panel->firstResponder())->keyDown(e);
  }
  std::string text() {
    NSAutoreleasePool pool;
    return field->stringValue()->UTF8String();
  }
};

TEST(FieldEditor, ExistsOnlyOnceAFieldHasFocus) {
  long before = NSObject::liveObjects();
  {
    Editing e;
    EXPECT_EQ(e.panel->fieldEditor(NO, e.field), nullptr);
    e.focus();
    ASSERT_NE(e.editor, nullptr);
    EXPECT_EQ(e.panel->firstResponder(), e.editor);
    EXPECT_EQ(e.field->currentEditor(), e.editor);
    EXPECT_EQ(e.panel->fieldEditor(NO, e.field), e.editor);
  }
  EXPECT_EQ(NSObject::liveObjects(), before);
}

TEST(FieldEditor, EditsAsASingleLineSecureField) {
  struct Case {
    const char* name;
    std::vector<std::u16string> keys;
    const char* text;
    NSRange selection;
  } cases[] = {
      {"typing", {u"a", u"b", u"c"}, "abc", {3, 0}},
      {"several characters in one event", {u"abc"}, "abc", {3, 0}},
      {"delete before caret", {u"abc", u"\x7F"}, "ab", {2, 0}},
      {"delete at start does nothing", {u"\xF700", u"\x7F"}, "", {0, 0}},
      {"left then insert", {u"abc", u"\xF702", u"X"}, "abXc", {3, 0}},
      {"right at end stays", {u"ab", u"\xF703"}, "ab", {2, 0}},
      {"up goes to start", {u"abc", u"\xF700", u"X"}, "Xabc", {1, 0}},
      {"down goes to end", {u"abc", u"\xF700", u"\xF701", u"X"}, "abcX", {4, 0}},
      {"forward delete", {u"abc", u"\xF700", u"\xF728"}, "bc", {0, 0}},
      {"forward delete at end", {u"abc", u"\xF728"}, "abc", {3, 0}},
      {"tab, return, escape insert nothing", {u"a", u"\t", u"\r", u"\x1B"}, "a", {1, 0}},
      {"other function keys insert nothing", {u"a", u"\xF704"}, "a", {1, 0}},
      {"command keys are no text", {u"a"}, "", {0, 0}},
      {"a character outside the BMP deletes whole", {u"a\U0001F600", u"\x7F"}, "a", {1, 0}},
      {"and is one caret step",
       {u"\U0001F600b", u"\xF702", u"\xF702", u"X"},
       "X\xF0\x9F\x98\x80"
       "b",
       {1, 0}},
      {"forward delete takes it whole", {u"\U0001F600b", u"\xF700", u"\xF728"}, "b", {0, 0}},
  };
  for (const Case& c : cases) {
    Editing e;
    e.focus();
    bool command = std::string(c.name) == "command keys are no text";
    for (const auto& k : c.keys) e.key(k, command ? NSUInteger(NSCommandKeyMask) : 0);
    EXPECT_EQ(e.text(), c.text) << c.name;
    EXPECT_EQ(e.editor->selectedRange().location, c.selection.location) << c.name;
    EXPECT_EQ(e.editor->selectedRange().length, c.selection.length) << c.name;
  }
}

TEST(FieldEditor, SelectionIsReplacedOrCollapsed) {
  Editing e;
  e.focus();
  e.key(u"abcd");
  e.editor->setSelectedRange({1, 2});
  e.key(u"\xF702");  // left collapses to the start of the selection
  EXPECT_EQ(e.editor->selectedRange().location, 1u);
  EXPECT_EQ(e.editor->selectedRange().length, 0u);
  e.editor->setSelectedRange({1, 2});
  e.key(u"\xF703");  // right collapses to its end
  EXPECT_EQ(e.editor->selectedRange().location, 3u);
  e.editor->setSelectedRange({1, 2});
  e.key(u"X");
  EXPECT_EQ(e.text(), "aXd");
  e.editor->setSelectedRange({0, 2});
  e.key(u"\x7F");
  EXPECT_EQ(e.text(), "d");
  EXPECT_THROW(e.editor->setSelectedRange({0, 2}), NSException);
  EXPECT_THROW(e.editor->setSelectedRange({2, 0}), NSException);
}

TEST(FieldEditor, AsksTheFormatterWithTheWholeProposedText) {
  Editing e;
  e.focus();
  e.formatter->limit = 2;
  e.key(u"a");
  e.key(u"b");
  e.key(u"c");  // refused
  e.key(u"\xF702");
  e.key(u"\xF702");  // caret moves ask nothing
  e.key(u"X");       // refused: "Xab"
  e.key(u"\xF728");
  EXPECT_EQ(e.text(), "b");
  EXPECT_EQ(e.editor->selectedRange().location, 0u);
  EXPECT_EQ(e.formatter->asked, (std::vector<std::string>{"a", "ab", "abc", "Xab", "b"}));
}

TEST(FieldEditor, ScriptValueReplacesTheEditedText) {
  Editing e;
  e.focus();
  e.key(u"abc");
  size_t asked = e.formatter->asked.size();
  NSAutoreleasePool pool;
  e.field->setStringValue(NSString::string());
  EXPECT_EQ(e.text(), "");
  EXPECT_EQ(e.editor->string()->length(), 0u);
  EXPECT_EQ(e.formatter->asked.size(), asked);
}

TEST(FieldEditor, RefocusSelectsAllAndEndingKeepsNoCopy) {
  Editing e;
  e.focus();
  e.key(u"abc");
  EXPECT_TRUE(e.panel->makeFirstResponder(nullptr));
  EXPECT_EQ(e.text(), "abc");
  EXPECT_EQ(e.field->currentEditor(), nullptr);
  EXPECT_EQ(e.editor->string()->length(), 0u);
  e.focus();
  EXPECT_EQ(e.editor->selectedRange().length, 3u);
  e.key(u"d");
  EXPECT_EQ(e.text(), "d");
}

TEST(NSWindow, BorderlessWindowCannotBecomeKey) {
  NSWindow* w = (new NSWindow())->initWithContentRect(NSMakeRect(0, 0, 10, 10), 0, 2, NO);
  NSWindow* titled = (new NSWindow())->init();
  w->makeKeyWindow();
  EXPECT_EQ(w->isKeyWindow(), NO);
  titled->makeKeyWindow();
  EXPECT_EQ(NSWindow::keyWindow(), titled);
  titled->resignKeyWindow();
  EXPECT_EQ(NSWindow::keyWindow(), nullptr);
  EXPECT_NE(w->windowNumber(), titled->windowNumber());
  w->setFrame(NSMakeRect(1, 2, 3, 4), YES);
  EXPECT_EQ(w->frame().size.height, 4);
  w->release();
  titled->release();
}

// A cell whose flag word the test can see.
class FlagCell : public NSSecureTextFieldCell {
 public:
  uint32_t word() const { return _cFlags; }
};

TEST(NSCell, KeepsBezelAlignmentAndEditabilityInItsFlagWord) {
  NSAutoreleasePool pool;
  auto* cell = static_cast<FlagCell*>((new FlagCell())->initTextCell(S("")));
  uint32_t initial = cell->word();
  cell->setBezeled(YES);
  cell->setEditable(YES);
  cell->setAlignment(NSCenterTextAlignment);
  EXPECT_EQ(cell->isBezeled(), YES);
  EXPECT_EQ(cell->isEditable(), YES);
  EXPECT_EQ(cell->alignment(), NSCenterTextAlignment);
  EXPECT_NE(cell->word(), initial);
  EXPECT_EQ(cell->word() & 0x40u, 0u);
  cell->release();
}

TEST(NSControl, SetCellReleasesTheOldCell) {
  long before = NSObject::liveObjects();
  {
    NSAutoreleasePool pool;
    auto* field = new NSSecureTextField();
    field->initWithFrame(NSMakeRect(0, 0, 1, 1));
    NSCell* cell = (new NSSecureTextFieldCell())->initTextCell(S(""));
    field->setCell(cell);
    cell->release();
    EXPECT_EQ(field->cell(), cell);
    EXPECT_EQ(cell->retainCount(), 1u);
    field->setWantsLayer(YES);
    CALayer* root = CALayer::layer();
    root->addSublayer(field->layer());
    EXPECT_EQ(field->layer()->superlayer(), root);
    EXPECT_EQ(field->layer()->delegate(), field);
    field->release();
  }
  EXPECT_EQ(NSObject::liveObjects(), before);
}

TEST(CALayer, SublayersAreRetainedAndMoved) {
  NSAutoreleasePool pool;
  CALayer* a = CALayer::layer();
  CALayer* b = CALayer::layer();
  CALayer* child = CALayer::layer();
  a->addSublayer(child);
  EXPECT_EQ(child->retainCount(), 2u);
  b->addSublayer(child);
  EXPECT_EQ(child->retainCount(), 2u);
  EXPECT_TRUE(a->sublayers().empty());
  ASSERT_EQ(b->sublayers().size(), 1u);
  child->removeFromSuperlayer();
  EXPECT_EQ(child->retainCount(), 1u);
}

TEST(NSCursor, SetMakesTheCurrentCursor) {
  NSCursor::IBeamCursor()->set();
  EXPECT_EQ(NSCursor::currentCursor(), NSCursor::IBeamCursor());
  NSCursor::arrowCursor()->set();
  EXPECT_EQ(NSCursor::currentCursor(), NSCursor::arrowCursor());
}

TEST(NSEvent, KeyEventsOnly) {
  NSAutoreleasePool pool;
  NSEvent* e = NSEvent::keyEventWithType(NSKeyUp, NSZeroPoint, NSShiftKeyMask, 12.5, 7, nullptr,
                                         S("A"), S("a"), YES, 0);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->type(), NSKeyUp);
  EXPECT_STREQ(e->characters()->UTF8String(), "A");
  EXPECT_STREQ(e->charactersIgnoringModifiers()->UTF8String(), "a");
  EXPECT_EQ(e->modifierFlags(), NSUInteger(NSShiftKeyMask));
  EXPECT_EQ(e->isARepeat(), YES);
  EXPECT_EQ(NSEvent::keyEventWithType(NSLeftMouseDown, NSZeroPoint, 0, 0, 0, nullptr, S("a"),
                                      S("a"), NO, 0),
            nullptr);
}

TEST(TextInputSources, SelectsASourceOfTheLanguage) {
  TISStandInReset();
  EXPECT_EQ(TISStandInSelectedIdentifier(), "com.apple.inputmethod.SCIM.ITABC");
  long before = NSObject::liveObjects();
  CFStringRef en = CFStringCreateWithCString(nullptr, "en", kCFStringEncodingUTF8);
  TISInputSourceRef source = TISCopyInputSourceForLanguage(en);
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(TISSelectInputSource(source), 0);
  EXPECT_EQ(TISStandInSelectedIdentifier(), "com.apple.keylayout.US");
  CFRelease(source);

  TISStandInSetSources({{"com.apple.keylayout.German", "de", true}}, "com.apple.keylayout.German");
  EXPECT_EQ(TISCopyInputSourceForLanguage(en), nullptr);
  EXPECT_EQ(TISSelectInputSource(nullptr), paramErr);
  TISStandInSetSources({{"com.apple.keylayout.US", "en-US", false}}, "x");
  source = TISCopyInputSourceForLanguage(en);
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(TISSelectInputSource(source), paramErr);
  EXPECT_EQ(TISStandInSelectedIdentifier(), "x");
  CFRelease(source);
  CFRelease(en);
  TISStandInReset();
  EXPECT_EQ(NSObject::liveObjects(), before);
}

TEST(GetCurrentEventTime, NeverGoesBack) {
  EventTime a = GetCurrentEventTime();
  EXPECT_GE(GetCurrentEventTime(), a);
}

}  // namespace
