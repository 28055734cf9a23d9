// The control's hook table, with the control and the box linked as libraries:
// with an empty table a control is made without widgets and handles no event;
// installEntryHooks fills every slot, and the control then builds and drives
// the box.
#include "plugin/hooks.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "CoreServices/GestaltTesting.h"
#include "entry/install.h"
#include "plugin/EditNPObject.h"
#include "plugin/PluginInstance.h"
#include "plugin/npp.h"
#include "plugin/textsource.h"

namespace {

// Just enough browser for a control's life: memory, every capability
// supported, reference-counted objects, interned identifiers.
std::set<std::string> identifierNames;

NPError supportsEverything(NPP, NPNVariable, void* value) {
  *static_cast<NPBool*>(value) = true;
  return NPERR_NO_ERROR;
}
NPError acceptValue(NPP, NPPVariable, void*) { return NPERR_NO_ERROR; }
NPObject* createObject(NPP npp, NPClass* aClass) {
  NPObject* object = aClass->allocate(npp, aClass);
  if (object) {
    object->_class = aClass;
    object->referenceCount = 1;
  }
  return object;
}
NPObject* retainObject(NPObject* object) {
  ++object->referenceCount;
  return object;
}
void releaseObject(NPObject* object) {
  if (--object->referenceCount == 0) object->_class->deallocate(object);
}
void stringIdentifiers(const NPUTF8** names, int32_t count, NPIdentifier* identifiers) {
  for (int32_t i = 0; i < count; ++i)
    identifiers[i] = const_cast<std::string*>(&*identifierNames.insert(names[i]).first);
}

NPNetscapeFuncs makeBrowser() {
  NPNetscapeFuncs funcs;
  std::memset(&funcs, 0, sizeof funcs);
  funcs.size = sizeof funcs;
  funcs.version = 27;
  funcs.memalloc = [](uint32_t size) { return std::malloc(size); };
  funcs.memfree = [](void* block) { std::free(block); };
  funcs.getvalue = supportsEverything;
  funcs.setvalue = acceptValue;
  funcs.createobject = createObject;
  funcs.retainobject = retainObject;
  funcs.releaseobject = releaseObject;
  funcs.getstringidentifiers = stringIdentifiers;
  return funcs;
}

NPCocoaEvent focusEvent() {
  NPCocoaEvent event;
  std::memset(&event, 0, sizeof event);
  event.type = NPCocoaEventFocusChanged;
  event.data.focus.hasFocus = true;
  return event;
}

// One control through its whole life, as far as the table lets it go.
struct Observed {
  int32_t drawingMode = -1;
  bool widgets = false;
  bool layer = false;
  int16_t focusHandled = -1;
};

class Hooks : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = g_entryHooks;
    ASSERT_EQ(NPERR_NO_ERROR, NP_Initialize(&browser_));
    GestaltResetForTesting();
    objects_ = NSObject::liveObjects();
  }
  void TearDown() override {
    EXPECT_EQ(objects_, NSObject::liveObjects()) << "Foundation objects left alive";
    GestaltResetForTesting();
    g_entryHooks = saved_;
  }

  static Observed runControl() {
    NSAutoreleasePool pool;
    Observed seen;
    NPP_t npp;
    std::memset(&npp, 0, sizeof npp);
    char type[] = "application/x-secure-password-control";
    EXPECT_EQ(NPERR_NO_ERROR, NPP_New(type, &npp, 1, 0, nullptr, nullptr, nullptr));
    PluginInstance* record = pluginInstanceOf(&npp);
    if (!record) return seen;
    seen.drawingMode = record->drawingMode;
    seen.widgets = record->textField && record->panel;
    void* layer = nullptr;
    EXPECT_EQ(NPERR_NO_ERROR, NPP_GetValue(&npp, NPPVpluginCoreAnimationLayer, &layer));
    seen.layer = layer != nullptr;
    NPWindow window;
    std::memset(&window, 0, sizeof window);
    window.width = 200;
    window.height = 30;
    EXPECT_EQ(NPERR_NO_ERROR, NPP_SetWindow(&npp, &window));
    NPCocoaEvent focus = focusEvent();
    seen.focusHandled = NPP_HandleEvent(&npp, &focus);
    EXPECT_EQ(NPERR_NO_ERROR, NPP_Destroy(&npp, nullptr));
    return seen;
  }

 private:
  EntryHooks saved_{};
  NPNetscapeFuncs browser_ = makeBrowser();
  long objects_ = 0;
};

TEST_F(Hooks, EmptyTableMakesAControlWithoutTheBox) {
  struct Case {
    SInt32 minor;
    int32_t mode;
  } cases[] = {{12, kDrawingModeCoreAnimation}, {13, kDrawingModeCoreGraphics}};
  for (const Case& c : cases) {
    g_entryHooks = EntryHooks{};
    GestaltSetSystemVersion(10, c.minor, 0);
    const Observed seen = runControl();
    EXPECT_EQ(c.mode, seen.drawingMode) << "10." << c.minor;
    EXPECT_FALSE(seen.widgets) << "10." << c.minor;
    EXPECT_FALSE(seen.layer) << "10." << c.minor;
    EXPECT_EQ(0, seen.focusHandled) << "10." << c.minor;
  }
}

TEST_F(Hooks, EmptyMatcherAndClearerDoNothing) {
  g_entryHooks = EntryHooks{};
  NSAutoreleasePool pool;
  PluginInstance record{};
  record.editBuffer = new NSMutableString(u"abc");
  {
    editorplugin object;
    object.instance = &record;
    object.passwordPattern.assign("[0-9]+", 6);
    NSString* text = NSString::initWithUTF8String("abc");
    // The pattern cannot be evaluated: the test passes without a verdict.
    EXPECT_TRUE(wholePasswordTest(&object, text));
    EXPECT_EQ(0, object.patternMismatch.value.intValue);
    object.clear();  // no clearpo: the buffer keeps its text
    EXPECT_EQ(3u, record.editBuffer->length());

    installEntryHooks();
    EXPECT_FALSE(wholePasswordTest(&object, text));
    EXPECT_EQ(1, object.patternMismatch.value.intValue);
    NSRelease(text);
  }
  NSRelease(record.editBuffer);
}

TEST_F(Hooks, InstallFillsEverySlotOnce) {
  g_entryHooks = EntryHooks{};
  installEntryHooks();
  EXPECT_NE(nullptr, g_entryHooks.handleCoreAnimationEvent);
  EXPECT_NE(nullptr, g_entryHooks.handleCoreGraphicsEvent);
  EXPECT_NE(nullptr, g_entryHooks.buildCoreAnimationWidgets);
  EXPECT_NE(nullptr, g_entryHooks.setupLayerHierarchy);
  EXPECT_NE(nullptr, g_entryHooks.placePanel);
  EXPECT_NE(nullptr, g_entryHooks.releaseCoreAnimationObjects);
  EXPECT_NE(nullptr, g_entryHooks.clearpo);
  EXPECT_NE(nullptr, g_entryHooks.doesMatchRegStringExp);
  const EntryHooks first = g_entryHooks;
  installEntryHooks();
  EXPECT_EQ(0, std::memcmp(&first, &g_entryHooks, sizeof first));
}

TEST_F(Hooks, InstalledTableBuildsAndDrivesTheBox) {
  installEntryHooks();
  const Observed animated = runControl();
  EXPECT_EQ(kDrawingModeCoreAnimation, animated.drawingMode);
  EXPECT_TRUE(animated.widgets);
  EXPECT_TRUE(animated.layer);
  EXPECT_EQ(1, animated.focusHandled);

  GestaltSetSystemVersion(10, 13, 0);
  const Observed drawn = runControl();
  EXPECT_EQ(kDrawingModeCoreGraphics, drawn.drawingMode);
  EXPECT_EQ(1, drawn.focusHandled);
}

}  // namespace
