// Shared set-up for the script methods driven through the host, in either
// drawing model: controls embedded and typed into as a user does, and page
// script's calls with their results read as script reads them. The base
// fixture checks that each test leaves no browser block (every String freed),
// script object or Foundation object behind.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "AppKit/NSTextField.h"
#include "HIToolbox/TextInputSources.h"
#include "HIToolbox/TextInputSourcesTesting.h"
#include "tests/plugin/plugin_fixture.h"
#include "tests/support/process_constants.h"

namespace methods {

enum class Model { kCoreAnimation, kCoreGraphics };

inline std::string modelName(const ::testing::TestParamInfo<Model>& info) {
  return info.param == Model::kCoreAnimation ? "CoreAnimation" : "CoreGraphics";
}

// The three strength values as get_output4, get_output44 and get_output16 give them.
struct Strength {
  int32_t classes, simple, level;
  bool operator==(const Strength& o) const {
    return classes == o.classes && simple == o.simple && level == o.level;
  }
};
inline std::ostream& operator<<(std::ostream& os, const Strength& s) {
  return os << "{classes " << s.classes << ", simple " << s.simple << ", level " << s.level << "}";
}

class MethodsTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    TISStandInReset();
  }
  void TearDown() override {
    TISStandInReset();
    PluginTest::TearDown();
  }

  // Puts the browser in the shape the model needs; call before embedding.
  void useModel(Model model) {
    model_ = model;
    using host::Answer;
    if (model == Model::kCoreGraphics) {
      browser.setCapabilities(Answer::kFalse, Answer::kTrue, Answer::kTrue, Answer::kFalse);
    } else {
      browser.setCapabilities(Answer::kTrue, Answer::kTrue, Answer::kTrue, Answer::kFalse);
    }
  }

  // A control as the page embeds it: created, layer fetched (Core Animation),
  // window set, and focused as by the user's click.
  std::unique_ptr<host::Instance> embed(std::vector<host::Attribute> attributes = {}) {
    host::Embed e;
    e.attributes = std::move(attributes);
    auto control = std::make_unique<host::Instance>(e);
    EXPECT_EQ(NPERR_NO_ERROR, control->newResult());
    const int32_t mode =
        model_ == Model::kCoreAnimation ? kDrawingModeCoreAnimation : kDrawingModeCoreGraphics;
    EXPECT_EQ(mode, record(*control)->drawingMode);
    if (model_ == Model::kCoreAnimation) {
      EXPECT_NE(nullptr, control->requestLayer());
    }
    control->setWindow(0, 0, 220, 32);
    control->focus(true);
    return control;
  }

  // One key event per UTF-8 character (a key down and its key up).
  static void type(host::Instance& control, const std::string& characters) {
    control.typeText(characters);
  }

  // The password as the control holds it (field string or edit buffer).
  static std::string typed(host::Instance& control) {
    host::ModuleCall pool;
    const PluginInstance* r = record(control);
    if (r->textField) return r->textField->stringValue()->UTF8String();
    return r->editBuffer ? r->editBuffer->UTF8String() : "";
  }

  static editorplugin* object(host::Instance& control) {
    return static_cast<editorplugin*>(control.object());
  }

  // An Int32 method: answers true with an Int32 result, whose value is returned.
  static int32_t intOf(NPObject* object, const std::string& method,
                       const std::vector<host::Variant>& args = {}) {
    host::ScriptResult r = host::invoke(object, method, args);
    EXPECT_TRUE(r.ok) << method;
    EXPECT_TRUE(r.value.isInt32()) << method << " gave type " << r.value.type();
    return r.value.isInt32() ? r.value.asInt32() : -1000;
  }
  static int32_t intOf(host::Instance& control, const std::string& method) {
    return intOf(control.object(), method);
  }

  static Strength strength(host::Instance& control) {
    return {intOf(control, "get_output4"), intOf(control, "get_output44"),
            intOf(control, "get_output16")};
  }

  Model model_ = Model::kCoreAnimation;
};

class MethodsInBothModels : public MethodsTest, public ::testing::WithParamInterface<Model> {
 protected:
  void SetUp() override {
    MethodsTest::SetUp();
    useModel(GetParam());
  }
};

}  // namespace methods
