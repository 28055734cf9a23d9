// Values larger than the memory the control can get: the property hooks and
// the attribute reader keep what the fields held, go on with the next value,
// an event that cannot be handled is answered as not handled, and nothing
// escapes to the browser.
#include <string>
#include <vector>

#include "CoreServices/GestaltTesting.h"
#include "Foundation/NSString.h"
#include "refusing_allocator.h"
#include "tests/plugin/plugin_fixture.h"
#include "tests/plugin_properties/property_cases.h"

namespace {

using namespace props;

constexpr size_t kLimit = 1 << 20;
const std::string kHuge(2 * kLimit, 'h');

TEST_F(PluginTest, ATextTooLargeToStoreLeavesThePropertyAsItWas) {
  for (const char* property : {"input4", "input8", "input9", "input10", "input11", "input12",
                               "input13", "returnCallback", "tabCallback"}) {
    SCOPED_TRACE(property);
    host::Instance control;
    ASSERT_TRUE(control.setProperty(property, host::Variant::string("kept")));
    const host::Variant huge = host::Variant::string(kHuge);
    {
      RefuseLargeAllocations refuse(kLimit);
      bool answered = false;
      EXPECT_NO_THROW(answered = control.setProperty(property, huge));
      EXPECT_TRUE(answered);
    }
    expectRead(control.object(), property, IsStr("kept"));
  }
}

TEST_F(PluginTest, AnAttributeTooLargeToStoreIsSkippedAndTheRestApplied) {
  for (SInt32 minor : {12, 13}) {
    SCOPED_TRACE(minor);
    GestaltSetSystemVersion(10, minor, 0);
    std::string names[] = {"input9", "input10", "input12", "maxlength"};
    std::string values[] = {kHuge, "ten", kHuge, "8"};
    char* argn[] = {&names[0][0], &names[1][0], &names[2][0], &names[3][0]};
    char* argv[] = {&values[0][0], &values[1][0], &values[2][0], &values[3][0]};
    char mime[] = "application/x-secure-password-control";
    NPP_t npp{nullptr, nullptr};
    NPError result = NPERR_GENERIC_ERROR;
    {
      RefuseLargeAllocations refuse(kLimit);
      host::ModuleCall call;
      EXPECT_NO_THROW(result = browser.plugin().newp(mime, &npp, NP_EMBED, 4, argn, argv, nullptr));
    }
    EXPECT_EQ(NPERR_NO_ERROR, result);
    NPObject* object = nullptr;
    {
      host::ModuleCall call;
      ASSERT_EQ(NPERR_NO_ERROR,
                browser.plugin().getvalue(&npp, NPPVpluginScriptableNPObject, &object));
    }
    expectRead(object, "input9", Void());
    expectRead(object, "input10", IsStr("ten"));
    expectRead(object, "input12", Void());
    expectRead(object, "maxlength", IsInt(8));
    {
      host::ModuleCall call;
      EXPECT_EQ(NPERR_NO_ERROR, browser.plugin().destroy(&npp, nullptr));
    }
    browser.releaseObject(object);
    browser.forgetInstance(&npp);
  }
}

TEST_F(PluginTest, AKeyEventTooLargeToCopyIsNotHandledAndThrowsNothing) {
  for (SInt32 minor : {12, 13}) {
    SCOPED_TRACE(minor);
    GestaltSetSystemVersion(10, minor, 0);
    host::Instance control;
    ASSERT_EQ(NPERR_NO_ERROR, control.newResult());
    control.requestLayer();
    control.setWindow(0, 0, 200, 30);
    control.focus(true);
    // The browser's strings for the event, made before memory runs short.
    NSString* characters = NSString::initWithUTF8String(kHuge.c_str());
    NPCocoaEvent e{};
    e.type = NPCocoaEventKeyDown;
    e.data.key.characters = characters;
    e.data.key.charactersIgnoringModifiers = characters;
    e.data.key.keyCode = 0;
    int16_t handled = -1;
    {
      RefuseLargeAllocations refuse(kLimit);
      EXPECT_NO_THROW(handled = control.event(e));
    }
    EXPECT_EQ(0, handled);
    NSRelease(characters);
    // The control goes on working.
    EXPECT_EQ(1, control.keyDown("a"));
    EXPECT_EQ(1, control.invoke("get_output3").value.asInt32());
  }
}

}  // namespace
