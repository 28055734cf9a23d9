// Shared set-up for tests that drive the linked control through the host
// (in-process): a fresh default browser and system version per test, and a
// check that each test leaves no browser memory, script object or Foundation
// object behind.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "CoreServices/Gestalt.h"
#include "CoreServices/GestaltTesting.h"
#include "Foundation/NSObject.h"
#include "host/browser.h"
#include "host/instance.h"
#include "plugin/EditNPObject.h"
#include "plugin/PluginInstance.h"

// The test name of a drawing model chosen by the system's minor version (12
// and below: Core Animation; above: Core Graphics).
inline std::string drawingModelName(const ::testing::TestParamInfo<SInt32>& info) {
  return info.param <= 12 ? "CoreAnimation" : "CoreGraphics";
}

class PluginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    browser.reset();
    GestaltResetForTesting();
    foundationObjects_ = NSObject::liveObjects();
  }
  void TearDown() override {
    EXPECT_EQ(0, browser.liveBlocks()) << "browser memory left allocated";
    EXPECT_EQ(0, browser.liveObjects()) << "script objects left alive";
    EXPECT_EQ(0, browser.badFrees()) << "frees of blocks the browser never gave";
    EXPECT_EQ(foundationObjects_, NSObject::liveObjects()) << "Foundation objects left alive";
    browser.reset();
    GestaltResetForTesting();
  }

  // The control's record and object, the linked code's own.
  static const PluginInstance* record(host::Instance& control) {
    return static_cast<const PluginInstance*>(control.pdata());
  }
  static const editorplugin* editor(NPObject* object) {
    return static_cast<const editorplugin*>(object);
  }
  // The record's scriptable object, without asking the browser's way.
  static NPObject* recordObject(host::Instance& control) {
    return record(control) ? record(control)->scriptObject : nullptr;
  }

  host::Browser& browser = host::Browser::get();

 private:
  long foundationObjects_ = 0;
};
