// The bundle entry points and the instance functions other than NPP_New.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

#include "CoreServices/GestaltTesting.h"
#include "plugin_fixture.h"

namespace {

TEST_F(PluginTest, InitializeAndEntryPointsAnswerNoError) {
  EXPECT_EQ(NPERR_NO_ERROR, browser.initializeResult());
  EXPECT_EQ(NPERR_NO_ERROR, browser.entryPointsResult());
  EXPECT_EQ(NPERR_NO_ERROR, browser.shutdown());
}

TEST_F(PluginTest, EntryPointsFillTheirSlotsAndLeaveTheRest) {
  NPPluginFuncs funcs;
  std::memset(&funcs, 0xA5, sizeof funcs);
  const NPPluginFuncs before = funcs;
  {
    host::ModuleCall call;
    ASSERT_EQ(NPERR_NO_ERROR, browser.npGetEntryPoints()(&funcs));
  }
  EXPECT_EQ(sizeof(NPPluginFuncs), funcs.size);
  EXPECT_EQ(11, funcs.version);
  for (auto slot :
       {reinterpret_cast<void*>(funcs.newp), reinterpret_cast<void*>(funcs.destroy),
        reinterpret_cast<void*>(funcs.setwindow), reinterpret_cast<void*>(funcs.newstream),
        reinterpret_cast<void*>(funcs.destroystream), reinterpret_cast<void*>(funcs.asfile),
        reinterpret_cast<void*>(funcs.writeready), reinterpret_cast<void*>(funcs.write),
        reinterpret_cast<void*>(funcs.print), reinterpret_cast<void*>(funcs.event),
        reinterpret_cast<void*>(funcs.urlnotify), reinterpret_cast<void*>(funcs.getvalue),
        reinterpret_cast<void*>(funcs.setvalue)}) {
    EXPECT_NE(nullptr, slot);
    EXPECT_NE(reinterpret_cast<const void*>(before.newp), slot);
  }
  EXPECT_EQ(before.javaClass, funcs.javaClass);
  EXPECT_EQ(0, std::memcmp(&before.gotfocus, &funcs.gotfocus,
                           sizeof funcs - offsetof(NPPluginFuncs, gotfocus)));
  // The same functions the browser got at load.
  EXPECT_EQ(browser.plugin().newp, funcs.newp);
  EXPECT_EQ(browser.plugin().getvalue, funcs.getvalue);
}

TEST_F(PluginTest, NullTablesAreRefused) {
  host::ModuleCall call;
  EXPECT_EQ(NPERR_INVALID_FUNCTABLE_ERROR, browser.npGetEntryPoints()(nullptr));
  EXPECT_EQ(NPERR_INVALID_FUNCTABLE_ERROR, browser.npInitialize()(nullptr));
}

// The browser's size field is the room its table has: a table that cannot
// hold every slot up to setvalue is refused untouched; one that holds exactly
// those is filled.
TEST_F(PluginTest, EntryPointsWriteNoSlotBeyondTheRoomTheBrowserGives) {
  constexpr size_t kNeeded = offsetof(NPPluginFuncs, setvalue) + sizeof(NPP_SetValueProcPtr);
  struct Case {
    size_t room;
    NPError result;
  };
  for (const Case& c :
       {Case{0, NPERR_INVALID_FUNCTABLE_ERROR},
        Case{offsetof(NPPluginFuncs, newp), NPERR_INVALID_FUNCTABLE_ERROR},
        Case{kNeeded - 1, NPERR_INVALID_FUNCTABLE_ERROR}, Case{kNeeded, NPERR_NO_ERROR}}) {
    SCOPED_TRACE(c.room);
    NPPluginFuncs funcs;
    std::memset(&funcs, 0xA5, sizeof funcs);
    funcs.size = static_cast<uint16_t>(c.room);
    const NPPluginFuncs before = funcs;
    {
      host::ModuleCall call;
      EXPECT_EQ(c.result, browser.npGetEntryPoints()(&funcs));
    }
    const unsigned char* was = reinterpret_cast<const unsigned char*>(&before);
    const unsigned char* now = reinterpret_cast<const unsigned char*>(&funcs);
    // Nothing past the room changes (the size field itself aside).
    for (size_t i = std::max(c.room, sizeof funcs.size); i < sizeof funcs; ++i)
      ASSERT_EQ(was[i], now[i]) << "byte " << i;
    if (c.result == NPERR_NO_ERROR) {
      EXPECT_EQ(browser.plugin().setvalue, funcs.setvalue);
      EXPECT_EQ(browser.plugin().newp, funcs.newp);
    } else {
      EXPECT_EQ(0, std::memcmp(&before, &funcs, sizeof funcs));
    }
  }
}

TEST_F(PluginTest, StreamsArePassedAsFilesAndIgnored) {
  host::Instance control;
  const NPPluginFuncs& p = browser.plugin();
  host::ModuleCall call;
  uint16_t type = NP_NORMAL;
  NPStream stream{};
  char mime[] = "text/plain";
  EXPECT_EQ(NPERR_NO_ERROR, p.newstream(control.npp(), mime, &stream, 0, &type));
  EXPECT_EQ(NP_ASFILEONLY, type);
  char data[4] = {1, 2, 3, 4};
  EXPECT_EQ(0, p.writeready(control.npp(), &stream));
  EXPECT_EQ(0, p.write(control.npp(), &stream, 0, 4, data));
  p.asfile(control.npp(), &stream, "/nonexistent");
  EXPECT_EQ(NPERR_NO_ERROR, p.destroystream(control.npp(), &stream, NPRES_DONE));
  p.urlnotify(control.npp(), "http://bank.example/", NPRES_DONE, nullptr);
  p.print(control.npp(), nullptr);
}

TEST_F(PluginTest, SetValueIgnoresEveryVariable) {
  host::Instance control;
  host::ModuleCall call;
  NPBool yes = 1;
  for (NPNVariable v : {NPNVprivateModeBool, NPNVsupportsCocoaBool, NPNVjavascriptEnabledBool})
    EXPECT_EQ(NPERR_GENERIC_ERROR, browser.plugin().setvalue(control.npp(), v, &yes));
}

TEST_F(PluginTest, GetValueOfAnyOtherVariableIsAnErrorAndWritesNothing) {
  host::Instance control;
  for (NPPVariable v : {NPPVpluginNameString, NPPVpluginDescriptionString, NPPVpluginWindowBool,
                        NPPVpluginDrawingModel, NPPVpluginEventModel, NPPVformValue}) {
    void* out = reinterpret_cast<void*>(0x5);
    EXPECT_EQ(NPERR_GENERIC_ERROR, control.getValue(v, &out)) << v;
    EXPECT_EQ(reinterpret_cast<void*>(0x5), out);
  }
}

TEST_F(PluginTest, SetWindowKeepsACopyAndRedrawsTheWholeArea) {
  struct Case {
    SInt32 minor;
    int32_t x, y;
    uint32_t width, height;
  };
  for (const Case& c : {Case{12, 10, -20, 300, 40}, Case{13, -5, 7, 70000, 65537}}) {
    GestaltSetSystemVersion(10, c.minor, 0);
    host::Instance control;
    ASSERT_EQ(NPERR_NO_ERROR, control.setWindow(c.x, c.y, c.width, c.height));
    const NPWindow& kept = record(control)->window;
    EXPECT_EQ(0, std::memcmp(&control.window(), &kept, sizeof kept));
    auto rects = browser.invalidationsFor(control.npp());
    ASSERT_EQ(1u, rects.size());
    EXPECT_EQ(0, rects[0].top);
    EXPECT_EQ(0, rects[0].left);
    EXPECT_EQ(static_cast<uint16_t>(c.height), rects[0].bottom);
    EXPECT_EQ(static_cast<uint16_t>(c.width), rects[0].right);
    EXPECT_EQ(1, browser.forcedRedraws(control.npp()));
  }
}

TEST_F(PluginTest, DestroyStopsARunningCaretTimer) {
  GestaltSetSystemVersion(10, 13, 0);
  host::Instance control;
  static int ticks = 0;
  uint32_t id =
      browser.table().scheduletimer(control.npp(), 500, 1, [](NPP, uint32_t) { ++ticks; });
  const_cast<PluginInstance*>(record(control))->caretTimer = id;
  ASSERT_EQ(NPERR_NO_ERROR, control.destroy());
  EXPECT_TRUE(browser.timers(control.npp()).empty());
  browser.advance(2000);
  EXPECT_EQ(0, ticks);
}

TEST_F(PluginTest, DestroyReleasesTheEditBuffer) {
  const long before = NSObject::liveObjects();
  host::Instance control;
  EXPECT_LT(before, NSObject::liveObjects());  // at least the empty edit buffer
  control.destroy();
  EXPECT_EQ(before, NSObject::liveObjects());
  EXPECT_EQ(nullptr, control.pdata());
}

TEST_F(PluginTest, DestroyLeavesTheSavedDataAlone) {
  host::Instance control;
  NPSavedData data{};
  NPSavedData* saved = &data;
  {
    host::ModuleCall call;
    EXPECT_EQ(NPERR_NO_ERROR, browser.plugin().destroy(control.npp(), &saved));
  }
  EXPECT_EQ(&data, saved);
  // The Instance's own destroy now finds no record.
  EXPECT_EQ(NPERR_NO_ERROR, control.destroy());
}

TEST_F(PluginTest, CallsAfterDestroyFindNoRecord) {
  host::Instance control;
  control.destroy();
  NPCocoaEvent e{};
  e.type = NPCocoaEventMouseDown;
  EXPECT_EQ(0, control.event(e));
  EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, control.setWindow(0, 0, 10, 10));
  void* out = nullptr;
  EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, control.getValue(NPPVpluginScriptableNPObject, &out));
}

}  // namespace
