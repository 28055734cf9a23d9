// Memory that runs out in the middle of an entry point: each case runs the
// call once for every allocation it makes, with that one allocation refused,
// until a run meets no refusal. Every run answers an error code (nothing is
// thrown to the browser), leaves the control whole or without the part it
// could not build, and, once destroyed, leaves no object or block behind.
#include <algorithm>
#include <string>

#include "AppKit/AppKit.h"
#include "CoreServices/GestaltTesting.h"
#include "QuartzCore/CALayer.h"
#include "entry/EditorPanel.h"
#include "refusing_allocator.h"
#include "tests/plugin/plugin_fixture.h"

namespace {

constexpr long kMostRuns = 100000;  // far more allocations than any call makes

struct Model {
  const char* name;
  SInt32 minor;  // 10.12 and older: Core Animation; later: Core Graphics
};
constexpr Model kModels[] = {{"Core Animation", 12}, {"Core Graphics", 13}};

class OneRefusalTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    // The process-wide tables a first control makes, made before any count.
    host::Instance warmUp;
    warmUp.object();
  }

  // NPP_New with two attributes; the nth allocation refused when n > 0.
  // Answers whether the refusal came.
  bool newControl(NPP npp, long n, NPError* result) {
    std::string names[] = {"maxlength", "input10"};
    std::string values[] = {"8", "kept"};
    char* argn[] = {&names[0][0], &names[1][0]};
    char* argv[] = {&values[0][0], &values[1][0]};
    char mime[] = "application/x-secure-password-control";
    host::ModuleCall call;
    RefuseNthAllocation refuse(n);
    EXPECT_NO_THROW(*result = browser.plugin().newp(mime, npp, NP_EMBED, 2, argn, argv, nullptr));
    return refuse.refused();
  }

  void destroyControl(NPP npp) {
    {
      host::ModuleCall call;
      EXPECT_NO_THROW(EXPECT_EQ(NPERR_NO_ERROR, browser.plugin().destroy(npp, nullptr)));
    }
    browser.forgetInstance(npp);
  }

  void expectNothingLeft(long foundationObjects) {
    EXPECT_EQ(foundationObjects, NSObject::liveObjects()) << "Foundation objects left alive";
    EXPECT_EQ(0, browser.liveBlocks()) << "browser memory left allocated";
    EXPECT_EQ(0, browser.liveObjects()) << "script objects left alive";
  }

  static const PluginInstance* recordOf(NPP npp) {
    return static_cast<const PluginInstance*>(npp->pdata);
  }

  // The root layer holds the field's layer: the hierarchy is whole.
  static bool layerIsWhole(const PluginInstance* r) {
    if (!r->rootLayer || !r->textField || !r->textField->layer()) return false;
    const auto& under = r->rootLayer->sublayers();
    return std::find(under.begin(), under.end(), r->textField->layer()) != under.end();
  }

  // Runs run(n, npp) with a fresh handle for n = 1, 2, ... until a run meets
  // no refusal (run tells through its answer whether the refusal came), then
  // destroys the control; each run must leave nothing behind.
  template <typename Run>
  void forEachRefusal(Run run) {
    bool reachedTheEnd = false;
    for (long n = 1; !reachedTheEnd && n < kMostRuns; ++n) {
      SCOPED_TRACE(n);
      const long objects = NSObject::liveObjects();
      NPP_t npp{nullptr, nullptr};
      reachedTheEnd = !run(n, &npp);
      destroyControl(&npp);
      expectNothingLeft(objects);
    }
    EXPECT_TRUE(reachedTheEnd);
  }

  // NPP_New with nothing refused, answering expected.
  void newWorkingControl(NPP npp, NPError expected) {
    NPError result = NPERR_GENERIC_ERROR;
    EXPECT_FALSE(newControl(npp, 0, &result));
    EXPECT_EQ(expected, result);
  }
};

TEST_F(OneRefusalTest, NPP_NewAnswersOutOfMemoryAndBuildsTheWidgetsWholeOrNotAtAll) {
  for (const Model& model : kModels) {
    SCOPED_TRACE(model.name);
    GestaltSetSystemVersion(10, model.minor, 0);
    forEachRefusal([&](long n, NPP npp) {
      NPError result = NPERR_GENERIC_ERROR;
      const bool refused = newControl(npp, n, &result);
      if (!refused) {
        EXPECT_EQ(NPERR_NO_ERROR, result);
      }
      EXPECT_TRUE(result == NPERR_NO_ERROR || result == NPERR_OUT_OF_MEMORY_ERROR) << result;
      if (const PluginInstance* r = recordOf(npp)) {
        // The field, its cell and formatter, and the panel come together.
        EXPECT_EQ(r->textField == nullptr, r->panel == nullptr);
        if (result == NPERR_NO_ERROR && model.minor <= 12) {
          EXPECT_NE(nullptr, r->textField);
          EXPECT_NE(nullptr, r->textField ? r->textField->cell() : nullptr);
          EXPECT_NE(nullptr, r->textField ? r->textField->formatter() : nullptr);
        }
      } else {
        EXPECT_EQ(NPERR_OUT_OF_MEMORY_ERROR, result);
      }
      return refused;
    });
  }
}

TEST_F(OneRefusalTest, ALayerRequestAnswersAnErrorAndALaterRequestBuildsTheWholeLayer) {
  GestaltSetSystemVersion(10, 12, 0);
  forEachRefusal([&](long n, NPP npp) {
    newWorkingControl(npp, NPERR_NO_ERROR);
    void* layer = nullptr;
    NPError result = NPERR_GENERIC_ERROR;
    bool refused = false;
    {
      host::ModuleCall call;
      RefuseNthAllocation refuse(n);
      EXPECT_NO_THROW(result =
                          browser.plugin().getvalue(npp, NPPVpluginCoreAnimationLayer, &layer));
      refused = refuse.refused();
    }
    const PluginInstance* r = recordOf(npp);
    if (result == NPERR_NO_ERROR) {
      EXPECT_EQ(r->rootLayer, layer);
      EXPECT_TRUE(layerIsWhole(r));
    } else {
      EXPECT_EQ(NPERR_GENERIC_ERROR, result);
      EXPECT_EQ(nullptr, r->rootLayer) << "a layer without the field's";
      host::ModuleCall call;
      EXPECT_EQ(NPERR_NO_ERROR,
                browser.plugin().getvalue(npp, NPPVpluginCoreAnimationLayer, &layer));
      EXPECT_TRUE(layerIsWhole(r));
    }
    return refused;
  });
}

TEST_F(OneRefusalTest, SetWindowAndObjectRequestsAnswerAnErrorCodeAndThrowNothing) {
  for (const Model& model : kModels) {
    SCOPED_TRACE(model.name);
    GestaltSetSystemVersion(10, model.minor, 0);
    // Without Cocoa events NPP_New makes no object: the request makes it.
    for (bool cocoa : {true, false}) {
      SCOPED_TRACE(cocoa ? "Cocoa events" : "no Cocoa events");
      browser.setAnswer(NPNVsupportsCocoaBool, cocoa ? host::Answer::kTrue : host::Answer::kFalse);
      forEachRefusal([&](long n, NPP npp) {
        newWorkingControl(npp, cocoa ? NPERR_NO_ERROR : NPERR_INCOMPATIBLE_VERSION_ERROR);
        NPWindow window{};
        window.width = 200;
        window.height = 30;
        NPObject* object = nullptr;
        NPError windowResult = NPERR_GENERIC_ERROR;
        NPError objectResult = NPERR_GENERIC_ERROR;
        bool refused = false;
        {
          host::ModuleCall call;
          RefuseNthAllocation refuse(n);
          EXPECT_NO_THROW(windowResult = browser.plugin().setwindow(npp, &window));
          EXPECT_NO_THROW(
              objectResult = browser.plugin().getvalue(npp, NPPVpluginScriptableNPObject, &object));
          refused = refuse.refused();
        }
        EXPECT_TRUE(windowResult == NPERR_NO_ERROR || windowResult == NPERR_GENERIC_ERROR);
        if (!refused) {
          EXPECT_EQ(NPERR_NO_ERROR, windowResult);
          EXPECT_EQ(NPERR_NO_ERROR, objectResult);
        }
        if (objectResult == NPERR_NO_ERROR) {
          EXPECT_NE(nullptr, object);
          browser.releaseObject(object);
        } else {
          EXPECT_EQ(NPERR_GENERIC_ERROR, objectResult);
        }
        return refused;
      });
    }
  }
}

}  // namespace
