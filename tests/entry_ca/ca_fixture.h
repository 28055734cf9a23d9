// Shared set-up for the Core Animation field driven through the host: a fresh
// browser, system version and machine input sources per test, helpers that
// type as a user does, and a check that each test leaves no browser memory,
// script object or Foundation object behind.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "AppKit/AppKit.h"
#include "CoreServices/Gestalt.h"
#include "CoreServices/GestaltTesting.h"
#include "HIToolbox/TextInputSources.h"
#include "HIToolbox/TextInputSourcesTesting.h"
#include "QuartzCore/CALayer.h"
#include "entry/EditorPanel.h"
#include "entry/strength.h"
#include "host/browser.h"
#include "host/instance.h"
#include "plugin/EditNPObject.h"
#include "plugin/PluginInstance.h"

// Keys as the browser delivers them (UTF-8 of AppKit's key characters).
namespace keys {
inline const std::string kDelete = "\x7F";
inline const std::string kForwardDelete = "\xEF\x9C\xA8";  // U+F728
inline const std::string kUp = "\xEF\x9C\x80";             // U+F700
inline const std::string kDown = "\xEF\x9C\x81";           // U+F701
inline const std::string kLeft = "\xEF\x9C\x82";           // U+F702
inline const std::string kRight = "\xEF\x9C\x83";          // U+F703
inline const std::string kTab = "\t";
inline const std::string kReturn = "\r";
inline const std::string kEscape = "\x1B";
}  // namespace keys

// The x coordinate whose character index is i (5-pixel inset, 6 per character).
inline double xOfIndex(int i) { return 5 + 6 * i + 0.5; }

// The three strength values the scriptable object holds.
struct Strength {
  int32_t classes, simple, level;
  bool operator==(const Strength& o) const {
    return classes == o.classes && simple == o.simple && level == o.level;
  }
};
inline std::ostream& operator<<(std::ostream& os, const Strength& s) {
  return os << "{classes " << s.classes << ", simple " << s.simple << ", level " << s.level << "}";
}

// The strength values the rating gives a text.
inline Strength rated(const std::string& text) {
  int32_t simple = 1;
  int32_t classes = passlevel(text, &simple);
  return {classes, simple, passlevelex(text)};
}

class CoreAnimationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    browser.reset();
    GestaltResetForTesting();
    TISStandInReset();
    NSCursor::arrowCursor()->set();
    foundationObjects_ = NSObject::liveObjects();
  }
  void TearDown() override {
    controls_.clear();  // NPP_Destroy for every control still here
    EXPECT_EQ(0, browser.liveBlocks()) << "browser memory left allocated";
    EXPECT_EQ(0, browser.liveObjects()) << "script objects left alive";
    EXPECT_EQ(foundationObjects_, NSObject::liveObjects()) << "Foundation objects left alive";
    browser.reset();
    GestaltResetForTesting();
    TISStandInReset();
  }

  // A Core Animation control as a page embeds it: created, layer fetched,
  // window set.
  host::Instance& embed(std::vector<host::Attribute> attributes = {}) {
    host::Embed e;
    e.attributes = std::move(attributes);
    controls_.push_back(std::make_unique<host::Instance>(e));
    host::Instance& control = *controls_.back();
    EXPECT_EQ(NPERR_NO_ERROR, control.newResult());
    EXPECT_NE(nullptr, control.requestLayer());
    control.setWindow(0, 0, 200, 30);
    return control;
  }

  static PluginInstance* record(host::Instance& control) {
    return static_cast<PluginInstance*>(control.pdata());
  }
  static editorplugin* object(host::Instance& control) {
    return static_cast<editorplugin*>(record(control)->scriptObject);
  }
  static EditorPanel* panel(host::Instance& control) { return record(control)->panel; }
  static NSText* fieldEditor(host::Instance& control) {
    return panel(control)->fieldEditor(NO, nullptr);
  }

  // The password as the field holds it.
  static std::string text(host::Instance& control) {
    host::ModuleCall pool;
    return record(control)->textField->stringValue()->UTF8String();
  }
  static NSRange selection(host::Instance& control) {
    NSText* editor = fieldEditor(control);
    return editor ? editor->selectedRange() : NSRange{~0ul, ~0ul};
  }

  // One key pressed and released.
  static void press(host::Instance& control, const std::string& key, uint16_t keyCode = 0) {
    EXPECT_EQ(1, control.key(NPCocoaEventKeyDown, key, keyCode));
    EXPECT_EQ(1, control.key(NPCocoaEventKeyUp, key, keyCode));
  }
  // Characters typed one by one (ASCII).
  static void type(host::Instance& control, const std::string& characters) {
    for (char c : characters) press(control, std::string(1, c));
  }

  // The strength values as page script reads them (get_output4, get_output44,
  // get_output16), checked against what the object holds.
  static Strength strength(host::Instance& control) {
    Strength fromScript{scriptInt(control, "get_output4"), scriptInt(control, "get_output44"),
                        scriptInt(control, "get_output16")};
    editorplugin* o = object(control);
    EXPECT_TRUE(NPVARIANT_IS_INT32(o->strengthClasses));
    EXPECT_TRUE(NPVARIANT_IS_INT32(o->simplePatternFlag));
    EXPECT_TRUE(NPVARIANT_IS_INT32(o->strengthLevel));
    Strength held{o->strengthClasses.value.intValue, o->simplePatternFlag.value.intValue,
                  o->strengthLevel.value.intValue};
    EXPECT_EQ(held, fromScript);
    return fromScript;
  }
  static int32_t scriptInt(host::Instance& control, const char* method) {
    host::ScriptResult r = control.invoke(method);
    EXPECT_TRUE(r.ok) << method;
    EXPECT_TRUE(r.value.isInt32()) << method;
    return r.value.isInt32() ? r.value.asInt32() : -1;
  }
  // ClearSeCtrl, as page script empties the box.
  static void clearByScript(host::Instance& control) {
    EXPECT_TRUE(control.invoke("ClearSeCtrl").ok);
  }

  host::Browser& browser = host::Browser::get();

 private:
  std::vector<std::unique_ptr<host::Instance>> controls_;
  long foundationObjects_ = 0;
};

inline bool operator==(const NSRange& a, const NSRange& b) {
  return a.location == b.location && a.length == b.length;
}
inline std::ostream& operator<<(std::ostream& os, const NSRange& r) {
  return os << "{" << r.location << ", " << r.length << "}";
}
