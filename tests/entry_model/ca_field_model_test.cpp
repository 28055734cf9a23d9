// The Core Animation field against a plain model of its caret placement, drag
// selection and formatter, over random sequences of clicks, drags, keys and
// script settings delivered through the host. After every event the field
// editor's text and selection and the three strength values are compared
// with the model.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "AppKit/AppKit.h"
#include "CoreServices/Gestalt.h"
#include "CoreServices/GestaltTesting.h"
#include "entry_oracle.h"
#include "host/browser.h"
#include "host/instance.h"
#include "tests/support/case_name.h"
#include "tests/support/flag_patterns.h"

namespace {

const char* const kLeft = "\xEF\x9C\x82";   // U+F702
const char* const kRight = "\xEF\x9C\x83";  // U+F703

struct FieldSetup {
  const char* name;
  std::vector<host::Attribute> attributes;
  std::optional<std::string> pattern;  // the input pattern the attributes leave
  int32_t maxLength;                   // the formatter's
};

std::vector<FieldSetup> fieldSetups() {
  return {
      {"no pattern", {}, std::nullopt, 100},
      {"maxlength 9", {{"maxlength", "9"}}, std::nullopt, 9},
      {"lower case only", {{"input2", "[a-z]*"}, {"maxlength", "14"}}, std::string("[a-z]*"), 14},
      {"flags 0110", {{"input6", "0110"}}, flagpatterns::patternFor("0110"), 100},
      {"pattern bounds the length", {{"input2", "[a-h]{0,6}"}}, std::string("[a-h]{0,6}"), 100},
      {"invalid expression", {{"input2", "(["}, {"maxlength", "12"}}, std::string("(["), 12},
      {"negative maxlength", {{"maxlength", "-1"}}, std::nullopt, -1},
      {"maxlength 0", {{"maxlength", "0"}}, std::nullopt, 0},
  };
}

class CaFieldModel : public ::testing::TestWithParam<size_t> {
 protected:
  void SetUp() override {
    host::Browser::get().reset();
    GestaltResetForTesting();  // 10.12.6: the Core Animation model
  }
  void TearDown() override { host::Browser::get().reset(); }
};

TEST_P(CaFieldModel, RandomSequencesFollowTheModel) {
  const FieldSetup setup = fieldSetups()[GetParam()];
  host::Embed embed;
  embed.attributes = setup.attributes;
  host::Instance control(embed);
  ASSERT_EQ(NPERR_NO_ERROR, control.newResult());
  ASSERT_NE(nullptr, control.requestLayer());
  control.setWindow(0, 0, 200, 30);

  // Before the field ever had focus there is no field editor: a click
  // leaves the anchor at {0, 0}.
  oracle::NSRangeModel anchor{7, 0};
  EXPECT_EQ(1, control.mouse(NPCocoaEventMouseDown, 60, 10, 0));
  anchor = {0, 0};

  control.focus(true);
  NSWindow* panel = NSWindow::keyWindow();
  ASSERT_NE(nullptr, panel);
  NSText* editor = panel->fieldEditor(NO, nullptr);
  ASSERT_NE(nullptr, editor);

  oracle::CaField field;
  field.maxLength = setup.maxLength;
  field.pattern = setup.pattern;

  std::mt19937 rng(0xca5e + static_cast<unsigned>(GetParam()));
  auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  std::ostringstream trail;
  size_t longest = 0;
  int drags = 0;

  for (int step = 0; step < 500; ++step) {
    const int action = pick(100);
    if (action < 45) {
      // A printable character, sometimes two in one event.
      std::string chars(1, static_cast<char>(0x20 + pick(0x5F)));
      if (pick(8) == 0) chars += static_cast<char>('a' + pick(26));
      if (pick(3) == 0) chars[0] = static_cast<char>('a' + pick(8));
      trail << "type(" << chars << ") ";
      EXPECT_EQ(1, control.keyDown(chars, 0));
      EXPECT_EQ(1, control.key(NPCocoaEventKeyUp, chars, 0));
      field.type(chars);
    } else if (action < 53) {
      trail << "delete ";
      EXPECT_EQ(1, control.keyDown("\x7F", 51));
      field.deleteBackward();
    } else if (action < 58) {
      const bool left = pick(2) == 0;
      trail << (left ? "left " : "right ");
      EXPECT_EQ(1, control.keyDown(left ? kLeft : kRight, left ? 123 : 124));
      if (left) {
        if (field.selection.length > 0)
          field.selection.length = 0;
        else if (field.selection.location > 0)
          --field.selection.location;
      } else {
        if (field.selection.length > 0)
          field.selection = {field.selection.location + field.selection.length, 0};
        else if (field.selection.location < field.text.size())
          ++field.selection.location;
      }
    } else if (action < 61) {
      static const char* const kSpecial[] = {"\t", "\r", "\x1B"};
      const char* key = kSpecial[pick(3)];
      trail << "special(" << static_cast<int>(key[0]) << ") ";
      EXPECT_EQ(1, control.keyDown(key, 0));
      EXPECT_EQ(1, control.key(NPCocoaEventKeyUp, key, 0));
    } else if (action < 76) {
      const double x = pick(1200) / 8.0 - 10;
      const int32_t button = pick(8) == 0 ? 2 : 0;
      trail << "down(" << x << "," << button << ") ";
      EXPECT_EQ(1, control.mouse(NPCocoaEventMouseDown, x, 10, button));
      if (button == 0) field.mouseDown(x, anchor);
    } else if (action < 92) {
      const double x = pick(1400) / 8.0 - 30;
      const int32_t button = pick(8) == 0 ? 1 : 0;
      trail << "drag(" << x << "," << button << ") ";
      EXPECT_EQ(1, control.mouse(NPCocoaEventMouseDragged, x, 10, button));
      if (button == 0) {
        field.drag(x, anchor);
        ++drags;
      }
    } else if (action < 94) {
      // Focus away and back: the text stays, all of it selected.
      trail << "refocus ";
      EXPECT_EQ(1, control.focus(false));
      EXPECT_EQ(1, control.focus(true));
      ASSERT_EQ(panel, NSWindow::keyWindow());
      ASSERT_EQ(editor, panel->fieldEditor(NO, nullptr));
      field.selection = {0, field.text.size()};
    } else if (action < 96) {
      static const char* const kFlags[] = {"0110", "0100", "1111", "0010"};
      const std::string flags = kFlags[pick(4)];
      trail << "input6=" << flags << " ";
      ASSERT_TRUE(control.setProperty("input6", host::Variant::string(flags)));
      field.pattern = flagpatterns::patternFor(flags);
    } else {
      // A later maxlength reaches the object, not the formatter.
      const int32_t value = pick(6);
      trail << "maxlength=" << value << " ";
      ASSERT_TRUE(control.setProperty("maxlength", host::Variant::int32(value)));
    }

    ASSERT_EQ(field.text, editor->string()->UTF8String()) << trail.str();
    NSRange got = editor->selectedRange();
    ASSERT_EQ(field.selection, (oracle::NSRangeModel{got.location, got.length})) << trail.str();
    oracle::Strength strength{control.invoke("get_output4").value.asInt32(),
                              control.invoke("get_output44").value.asInt32(),
                              control.invoke("get_output16").value.asInt32()};
    ASSERT_EQ(field.strength, strength) << trail.str();
    // What the methods read as the password is the field's text.
    ASSERT_EQ(static_cast<int32_t>(field.text.size()),
              control.invoke("get_output3").value.asInt32())
        << trail.str();
    longest = std::max(longest, field.text.size());
  }
  if (setup.maxLength != 0) {
    EXPECT_GE(longest, 4u);
  }
  EXPECT_GT(drags, 50);
}

INSTANTIATE_TEST_SUITE_P(Setups, CaFieldModel, ::testing::Range<size_t>(0, fieldSetups().size()),
                         [](const ::testing::TestParamInfo<size_t>& caseInfo) {
                           return testsupport::caseName(fieldSetups()[caseInfo.param].name);
                         });

// The caret index of every quarter pixel from the left of the control to past
// the end of a known text.
TEST(CaFieldClicks, EveryQuarterPixel) {
  host::Browser::get().reset();
  GestaltResetForTesting();
  {
    host::Instance control;
    ASSERT_EQ(NPERR_NO_ERROR, control.newResult());
    ASSERT_NE(nullptr, control.requestLayer());
    control.setWindow(0, 0, 200, 30);
    control.focus(true);
    control.typeText("abcdefghijkl");
    NSText* editor = NSWindow::keyWindow()->fieldEditor(NO, nullptr);
    ASSERT_NE(nullptr, editor);
    oracle::CaField field;
    field.text = "abcdefghijkl";
    oracle::NSRangeModel anchor;
    int probes = 0;
    for (double x = -12; x < 100; x += 0.25) {
      ++probes;
      control.mouse(NPCocoaEventMouseDown, x, 10, 0);
      field.mouseDown(x, anchor);
      NSRange got = editor->selectedRange();
      ASSERT_EQ(field.selection, (oracle::NSRangeModel{got.location, got.length})) << "x " << x;
      // And a drag from there to every other position.
      for (double to = -12; to < 100; to += 3.5) {
        control.mouse(NPCocoaEventMouseDragged, to, 10, 0);
        field.drag(to, anchor);
        got = editor->selectedRange();
        ASSERT_EQ(field.selection, (oracle::NSRangeModel{got.location, got.length}))
            << "down at " << x << ", drag to " << to;
      }
    }
    EXPECT_EQ(448, probes);
    EXPECT_EQ(12u, editor->string()->length());
  }
  host::Browser::get().reset();
}

// Two fields on one page share the drag anchor: a drag in either selects from
// the anchor of the last mouse-down in any of them.
TEST(CaFieldClicks, TheAnchorIsSharedByEveryField) {
  host::Browser::get().reset();
  GestaltResetForTesting();
  {
    host::Instance first, second;
    host::Instance* controls[] = {&first, &second};
    NSText* editors[2] = {nullptr, nullptr};
    oracle::CaField fields[2];
    const char* const texts[] = {"abcdefghijklmnop", "qrstu"};
    for (int i = 0; i < 2; ++i) {
      ASSERT_EQ(NPERR_NO_ERROR, controls[i]->newResult());
      ASSERT_NE(nullptr, controls[i]->requestLayer());
      controls[i]->setWindow(0, 40 * i, 200, 30);
      controls[i]->focus(true);
      controls[i]->typeText(texts[i]);
      editors[i] = NSWindow::keyWindow()->fieldEditor(NO, nullptr);
      ASSERT_NE(nullptr, editors[i]);
      fields[i].text = texts[i];
      fields[i].selection = {fields[i].text.size(), 0};
    }
    ASSERT_NE(editors[0], editors[1]);
    // The anchor is whatever the process's last mouse-down left: start from
    // a known one.
    oracle::NSRangeModel anchor;
    controls[0]->mouse(NPCocoaEventMouseDown, 30, 10, 0);
    fields[0].mouseDown(30, anchor);
    std::mt19937 rng(0xa9c);
    for (int step = 0; step < 400; ++step) {
      const int i = static_cast<int>(rng() % 2);
      const double x = static_cast<double>(rng() % 1200) / 8.0 - 20;
      if (rng() % 3 == 0) {
        controls[i]->mouse(NPCocoaEventMouseDown, x, 10, 0);
        fields[i].mouseDown(x, anchor);
      } else {
        controls[i]->mouse(NPCocoaEventMouseDragged, x, 10, 0);
        fields[i].drag(x, anchor);
      }
      for (int k = 0; k < 2; ++k) {
        NSRange got = editors[k]->selectedRange();
        ASSERT_EQ(fields[k].selection, (oracle::NSRangeModel{got.location, got.length}))
            << "field " << k << " after step " << step;
      }
    }
  }
  host::Browser::get().reset();
}

// The formatter counts UTF-16 units against the maximum and rates the UTF-8
// bytes of what it accepts.
TEST(CaFieldFormatter, UnitsForTheLimitBytesForTheRating) {
  struct Case {
    const char* maxlength;
    std::vector<std::string> typed;  // one key event each
    std::string expected;            // the field's text afterwards
  };
  const std::string smile = "\xF0\x9F\x98\x80";  // two UTF-16 units
  const std::string e = "\xC3\xA9";              // one unit, two bytes
  const Case cases[] = {
      {"5", {smile, smile, "a", "b"}, smile + smile + "a"},
      {"4", {smile, "a", smile}, smile + "a"},
      {"3", {e, e, e, e}, e + e + e},
      {"6", {"ab" + e, e + "1", "2", "3"}, "ab" + e + e + "12"},
      {"2147483647", {smile, e, "Zz9"}, smile + e + "Zz9"},
  };
  for (const Case& c : cases) {
    host::Browser::get().reset();
    GestaltResetForTesting();
    host::Embed embed;
    embed.attributes = {{"maxlength", c.maxlength}};
    host::Instance control(embed);
    ASSERT_EQ(NPERR_NO_ERROR, control.newResult());
    ASSERT_NE(nullptr, control.requestLayer());
    control.setWindow(0, 0, 200, 30);
    control.focus(true);
    std::string accepted;
    oracle::Strength rating;
    for (const std::string& key : c.typed) {
      control.keyDown(key, 0);
      const std::string proposed = accepted + key;
      NSString* units = NSString::initWithUTF8String(proposed.c_str());
      if (static_cast<int64_t>(units->length()) <= std::atoll(c.maxlength)) {
        accepted = proposed;
        rating = oracle::rate(accepted);
      }
      units->release();
    }
    EXPECT_EQ(c.expected, accepted) << "the case table and the model disagree";
    NSText* editor = NSWindow::keyWindow()->fieldEditor(NO, nullptr);
    ASSERT_NE(nullptr, editor);
    EXPECT_EQ(c.expected, editor->string()->UTF8String()) << "maxlength " << c.maxlength;
    oracle::Strength got{control.invoke("get_output4").value.asInt32(),
                         control.invoke("get_output44").value.asInt32(),
                         control.invoke("get_output16").value.asInt32()};
    EXPECT_EQ(rating, got) << "maxlength " << c.maxlength;
  }
  host::Browser::get().reset();
}

}  // namespace
