// NPP_New's choice of drawing model and event model, with every answer a
// browser may give and the system version rule, through the real entry points.
#include <optional>
#include <string>
#include <vector>

#include "CoreServices/GestaltTesting.h"
#include "plugin_fixture.h"

namespace {

using host::Answer;
constexpr Answer T = Answer::kTrue;
constexpr Answer F = Answer::kFalse;
constexpr Answer E = Answer::kError;

struct BranchCase {
  const char* name;
  SInt32 major, minor;
  Answer coreAnimation, coreGraphics, cocoa, carbon;
  NPError result;
  int32_t drawingMode;
  std::optional<intptr_t> drawingModelSet;
  std::optional<intptr_t> eventModelSet;
  bool objectAfterNew;
};

const BranchCase kCases[] = {
    {"CoreAnimationOn10_12", 10, 12, T, T, T, T, NPERR_NO_ERROR, kDrawingModeCoreAnimation,
     NPDrawingModelCoreAnimation, NPEventModelCocoa, true},
    {"CoreAnimationOn10_6", 10, 6, T, F, T, F, NPERR_NO_ERROR, kDrawingModeCoreAnimation,
     NPDrawingModelCoreAnimation, NPEventModelCocoa, true},
    {"CoreGraphicsOn10_13", 10, 13, T, T, T, T, NPERR_NO_ERROR, kDrawingModeCoreGraphics,
     NPDrawingModelCoreGraphics, NPEventModelCocoa, true},
    {"CoreGraphicsOn11_0", 11, 0, T, T, T, T, NPERR_NO_ERROR, kDrawingModeCoreGraphics,
     NPDrawingModelCoreGraphics, NPEventModelCocoa, true},
    {"CoreGraphicsOn11_12", 11, 12, T, T, T, T, NPERR_NO_ERROR, kDrawingModeCoreGraphics,
     NPDrawingModelCoreGraphics, NPEventModelCocoa, true},
    {"CoreGraphicsWhenCoreAnimationIsRefused", 10, 12, F, T, T, T, NPERR_NO_ERROR,
     kDrawingModeCoreGraphics, NPDrawingModelCoreGraphics, NPEventModelCocoa, true},
    {"CoreAnimationQueryErrorCountsAsNo", 10, 12, E, T, T, T, NPERR_NO_ERROR,
     kDrawingModeCoreGraphics, NPDrawingModelCoreGraphics, NPEventModelCocoa, true},
    {"CoreAnimationWithoutCocoa", 10, 12, T, T, F, T, NPERR_INCOMPATIBLE_VERSION_ERROR,
     kDrawingModeCoreAnimation, NPDrawingModelCoreAnimation, std::nullopt, false},
    {"CoreAnimationWithCocoaError", 10, 12, T, T, E, T, NPERR_INCOMPATIBLE_VERSION_ERROR,
     kDrawingModeCoreAnimation, NPDrawingModelCoreAnimation, std::nullopt, false},
    {"CoreGraphicsWithoutCocoa", 10, 13, T, T, F, T, NPERR_INCOMPATIBLE_VERSION_ERROR,
     kDrawingModeCoreGraphics, NPDrawingModelCoreGraphics, std::nullopt, true},
    {"CoreGraphicsWithCocoaError", 11, 0, F, T, E, T, NPERR_INCOMPATIBLE_VERSION_ERROR,
     kDrawingModeCoreGraphics, NPDrawingModelCoreGraphics, std::nullopt, true},
    {"CarbonOnly", 10, 12, F, F, F, T, NPERR_NO_ERROR, kDrawingModeNone, std::nullopt,
     NPEventModelCarbon, false},
    {"CarbonOnlyOnNewSystem", 10, 14, T, E, F, T, NPERR_NO_ERROR, kDrawingModeNone, std::nullopt,
     NPEventModelCarbon, false},
    {"NothingOffered", 10, 12, F, F, F, F, NPERR_INCOMPATIBLE_VERSION_ERROR, kDrawingModeNone,
     std::nullopt, std::nullopt, false},
    {"CarbonQueryError", 10, 13, E, E, E, E, NPERR_INCOMPATIBLE_VERSION_ERROR, kDrawingModeNone,
     std::nullopt, std::nullopt, false},
};

class NewBranchTest : public PluginTest, public ::testing::WithParamInterface<BranchCase> {};

TEST_P(NewBranchTest, NegotiatesAsTheBrowserAndSystemAllow) {
  const BranchCase& c = GetParam();
  GestaltSetSystemVersion(c.major, c.minor, 0);
  browser.setCapabilities(c.coreAnimation, c.coreGraphics, c.cocoa, c.carbon);

  host::Instance control;
  EXPECT_EQ(c.result, control.newResult());
  // Every branch leaves its record on the handle, even when it refuses.
  const PluginInstance* r = record(control);
  ASSERT_NE(nullptr, r);
  EXPECT_EQ(control.npp(), r->npp);
  EXPECT_EQ(c.drawingMode, r->drawingMode);
  EXPECT_EQ(c.drawingModelSet, browser.lastValueSet(control.npp(), NPPVpluginDrawingModel));
  EXPECT_EQ(c.eventModelSet, browser.lastValueSet(control.npp(), NPPVpluginEventModel));
  EXPECT_EQ(c.objectAfterNew, r->scriptObject != nullptr);
  EXPECT_NE(nullptr, r->editBuffer);
  // No widget is ever made outside a working Core Animation control.
  if (c.drawingMode != kDrawingModeCoreAnimation || c.result != NPERR_NO_ERROR) {
    EXPECT_EQ(nullptr, r->textField);
    EXPECT_EQ(nullptr, r->panel);
  }
  EXPECT_EQ(nullptr, r->rootLayer);
  // Each model is set at most once.
  int drawingSettings = 0, eventSettings = 0;
  for (const auto& s : browser.valueSettingsFor(control.npp())) {
    drawingSettings += s.variable == NPPVpluginDrawingModel;
    eventSettings += s.variable == NPPVpluginEventModel;
  }
  EXPECT_LE(drawingSettings, 1);
  EXPECT_LE(eventSettings, 1);
}

INSTANTIATE_TEST_SUITE_P(Branches, NewBranchTest, ::testing::ValuesIn(kCases),
                         [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

// The order in which NPP_New asks and tells the browser, as the browser sees
// it: the user agent first, then each branch's queries, settings and the
// creation of the scriptable object in its own order.
namespace order {

std::vector<std::string> log;
NPNetscapeFuncs original;

const char* uagent(NPP npp) {
  log.push_back("agent");
  return original.uagent(npp);
}
NPError getvalue(NPP npp, NPNVariable variable, void* value) {
  log.push_back("ask " + std::to_string(variable));
  return original.getvalue(npp, variable, value);
}
NPError setvalue(NPP npp, NPPVariable variable, void* value) {
  log.push_back("set " + std::to_string(variable) + "=" +
                std::to_string(reinterpret_cast<intptr_t>(value)));
  return original.setvalue(npp, variable, value);
}
NPObject* createobject(NPP npp, NPClass* aClass) {
  log.push_back("create");
  return original.createobject(npp, aClass);
}

}  // namespace order

TEST_F(PluginTest, NewTalksToTheBrowserInItsBranchsOrder) {
  struct Case {
    const char* name;
    SInt32 minor;
    Answer coreAnimation, coreGraphics, cocoa, carbon;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {"CoreAnimation",
       12,
       T,
       T,
       T,
       T,
       {"agent", "ask 2003", "set 1000=3", "ask 3001", "set 1001=1", "create"}},
      {"CoreAnimationWithoutCocoa",
       12,
       T,
       T,
       F,
       T,
       {"agent", "ask 2003", "set 1000=3", "ask 3001"}},
      {"CoreGraphics",
       13,
       T,
       T,
       T,
       T,
       {"agent", "ask 2001", "set 1000=1", "create", "ask 3001", "set 1001=1"}},
      {"CoreGraphicsAfterARefusal",
       12,
       F,
       T,
       T,
       T,
       {"agent", "ask 2003", "ask 2001", "set 1000=1", "create", "ask 3001", "set 1001=1"}},
      {"CoreGraphicsWithoutCocoa",
       13,
       T,
       T,
       E,
       T,
       {"agent", "ask 2001", "set 1000=1", "create", "ask 3001"}},
      {"Carbon", 12, F, F, T, T, {"agent", "ask 2003", "ask 2001", "ask 3000", "set 1001=0"}},
      {"Nothing", 14, T, F, T, E, {"agent", "ask 2001", "ask 3000"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GestaltSetSystemVersion(10, c.minor, 0);
    browser.setCapabilities(c.coreAnimation, c.coreGraphics, c.cocoa, c.carbon);
    order::original = browser.table();
    browser.table().uagent = order::uagent;
    browser.table().getvalue = order::getvalue;
    browser.table().setvalue = order::setvalue;
    browser.table().createobject = order::createobject;
    order::log.clear();
    {
      host::Instance control;
      EXPECT_EQ(c.calls, order::log);
    }
    browser.table() = order::original;
  }
}

TEST_F(PluginTest, SystemsFrom10_13OnNeverAskForCoreAnimation) {
  GestaltSetSystemVersion(10, 13, 0);
  host::Instance control;
  for (const auto& q : browser.queries()) EXPECT_NE(NPNVsupportsCoreAnimationBool, q.variable);
}

TEST_F(PluginTest, AFailingGestaltReadsAsVersionZero) {
  // Both numbers stay 0, which is not above 10.12.
  GestaltSetFailing(true);
  host::Instance control;
  EXPECT_EQ(kDrawingModeCoreAnimation, record(control)->drawingMode);
}

TEST_F(PluginTest, CarbonControlHandlesNoEventAndHasNoScriptableObject) {
  browser.setCapabilities(Answer::kFalse, Answer::kFalse, Answer::kFalse, Answer::kTrue);
  host::Instance control;
  ASSERT_EQ(NPERR_NO_ERROR, control.newResult());
  for (int type = 0; type <= NPCocoaEventTextInput + 1; ++type) {
    NPCocoaEvent e{};
    e.type = static_cast<NPCocoaEventType>(type);
    EXPECT_EQ(0, control.event(e)) << "event type " << type;
  }
  NPObject* object = reinterpret_cast<NPObject*>(0x1);
  EXPECT_EQ(NPERR_GENERIC_ERROR, control.getValue(NPPVpluginScriptableNPObject, &object));
  EXPECT_EQ(reinterpret_cast<NPObject*>(0x1), object);
}

TEST_F(PluginTest, CoreAnimationControlWithoutCocoaMakesItsObjectOnRequest) {
  browser.setAnswer(NPNVsupportsCocoaBool, Answer::kFalse);
  host::Instance control;
  ASSERT_EQ(NPERR_INCOMPATIBLE_VERSION_ERROR, control.newResult());
  EXPECT_EQ(nullptr, recordObject(control));
  NPObject* object = control.requestObject();
  ASSERT_NE(nullptr, object);
  EXPECT_EQ(object, recordObject(control));
  EXPECT_EQ(nullptr, editor(object)->textField);
  EXPECT_EQ(nullptr, editor(object)->instance);
}

TEST_F(PluginTest, CoreGraphicsObjectIsBoundToTheRecordAndCoreAnimationsIsNot) {
  GestaltSetSystemVersion(10, 15, 7);
  host::Instance drawn;
  ASSERT_EQ(kDrawingModeCoreGraphics, record(drawn)->drawingMode);
  EXPECT_EQ(record(drawn), editor(recordObject(drawn))->instance);
  EXPECT_EQ(nullptr, editor(recordObject(drawn))->textField);

  GestaltSetSystemVersion(10, 12, 6);
  host::Instance layered;
  ASSERT_EQ(kDrawingModeCoreAnimation, record(layered)->drawingMode);
  EXPECT_EQ(nullptr, editor(recordObject(layered))->instance);
  EXPECT_EQ(record(layered)->textField, editor(recordObject(layered))->textField);
}

// Choices for a browser that cannot give memory or objects.
TEST_F(PluginTest, NoMemoryForTheRecordAnswersOutOfMemory) {
  browser.setAllocationFails(true);
  host::Instance control;
  EXPECT_EQ(NPERR_OUT_OF_MEMORY_ERROR, control.newResult());
  EXPECT_EQ(nullptr, control.pdata());
  browser.setAllocationFails(false);
  EXPECT_EQ(NPERR_NO_ERROR, control.destroy());
}

TEST_F(PluginTest, NoMemorySlotAnswersOutOfMemory) {
  browser.table().memalloc = nullptr;
  host::Instance control;
  EXPECT_EQ(NPERR_OUT_OF_MEMORY_ERROR, control.newResult());
  EXPECT_EQ(nullptr, control.pdata());
}

class ObjectCreationFailsTest : public PluginTest, public ::testing::WithParamInterface<SInt32> {};

TEST_P(ObjectCreationFailsTest, AnswersOutOfMemoryAndKeepsTheRecordForDestroy) {
  GestaltSetSystemVersion(10, GetParam(), 0);
  browser.setCreateObjectFails(true);
  host::Instance control;
  EXPECT_EQ(NPERR_OUT_OF_MEMORY_ERROR, control.newResult());
  ASSERT_NE(nullptr, record(control));
  EXPECT_EQ(nullptr, recordObject(control));
  // While the browser still cannot, a request answers the generic error...
  EXPECT_EQ(nullptr, control.requestObject());
  // ...and once it can, the object is made on request.
  browser.setCreateObjectFails(false);
  EXPECT_NE(nullptr, control.requestObject());
}

INSTANTIATE_TEST_SUITE_P(Models, ObjectCreationFailsTest, ::testing::Values(12, 13),
                         drawingModelName);

TEST_F(PluginTest, ABrowserWithoutTheCreateSlotGetsNoControl) {
  browser.table().createobject = nullptr;
  host::Instance control;
  EXPECT_EQ(NPERR_OUT_OF_MEMORY_ERROR, control.newResult());
}

TEST_F(PluginTest, ABrowserWithoutValueQueriesIsRefused) {
  browser.table().getvalue = nullptr;
  host::Instance control;
  EXPECT_EQ(NPERR_INCOMPATIBLE_VERSION_ERROR, control.newResult());
  EXPECT_EQ(kDrawingModeNone, record(control)->drawingMode);
}

TEST_F(PluginTest, ANullHandleIsRefused) {
  char mime[] = "application/x-secure-password-control";
  host::ModuleCall call;
  EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR,
            browser.plugin().newp(mime, nullptr, NP_EMBED, 0, nullptr, nullptr, nullptr));
  EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, browser.plugin().destroy(nullptr, nullptr));
}

TEST_F(PluginTest, AnyMimeTypeAndModeAreAccepted) {
  host::Embed embed;
  embed.mimeType = "text/plain";
  embed.mode = NP_FULL;
  host::Instance control(embed);
  EXPECT_EQ(NPERR_NO_ERROR, control.newResult());
}

}  // namespace
