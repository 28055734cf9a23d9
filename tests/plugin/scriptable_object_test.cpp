// The scriptable object: its class record, defaults, identifier tables,
// method lookup, the references the browser gets, and its life after the
// control is gone.
#include <memory>
#include <string>

#include "CoreServices/GestaltTesting.h"
#include "QuartzCore/CALayer.h"
#include "plugin_fixture.h"
#include "tests/support/process_constants.h"

namespace {

TEST_F(PluginTest, ClassRecordHasVersion3AndTheSlotsItNeeds) {
  host::Instance control;
  NPObject* object = control.object();
  ASSERT_NE(nullptr, object);
  const NPClass* c = object->_class;
  EXPECT_EQ(3u, c->structVersion);
  EXPECT_NE(nullptr, c->allocate);
  EXPECT_NE(nullptr, c->deallocate);
  EXPECT_EQ(nullptr, c->invalidate);
  EXPECT_NE(nullptr, c->hasMethod);
  EXPECT_NE(nullptr, c->invoke);
  EXPECT_EQ(nullptr, c->invokeDefault);
  EXPECT_NE(nullptr, c->hasProperty);
  EXPECT_NE(nullptr, c->getProperty);
  EXPECT_NE(nullptr, c->setProperty);
  EXPECT_EQ(nullptr, c->removeProperty);
  EXPECT_EQ(nullptr, c->enumerate);
  EXPECT_EQ(nullptr, c->construct);
}

TEST_F(PluginTest, NewObjectHoldsTheDefaults) {
  for (SInt32 minor : {12, 13}) {
    GestaltSetSystemVersion(10, minor, 0);
    host::Instance control;
    const editorplugin* o = editor(control.object());
    ASSERT_NE(nullptr, o);
    EXPECT_FALSE(o->plainText);
    EXPECT_EQ(100, o->maxlength);
    EXPECT_EQ(0, o->input5Value);
    EXPECT_EQ(0, o->input7Value);
    EXPECT_EQ(1, o->cursorMode);
    for (const ByteBuffer* b : {&o->wrappedKey, &o->inputPattern, &o->passwordPattern}) {
      EXPECT_EQ(nullptr, b->bytes);
      EXPECT_EQ(0u, b->length);
    }
    for (const std::string* t :
         {&o->returnCallback, &o->tabCallback, &o->encryptedServerRandom, &o->input8Text,
          &o->input13Text, &o->serverPublicKey, &o->input10Text, &o->input11Text, &o->input12Text})
      EXPECT_TRUE(t->empty());
    struct {
      const NPVariant* value;
      int32_t expected;
    } values[] = {{&o->strengthClasses, 0},
                  {&o->simplePatternFlag, 1},
                  {&o->patternMismatch, 0},
                  {&o->strengthLevel, 0}};
    for (const auto& v : values) {
      EXPECT_EQ(NPVariantType_Int32, v.value->type);
      EXPECT_EQ(v.expected, v.value->value.intValue);
    }
  }
}

TEST_F(PluginTest, HasMethodKnowsExactlyTheFourteenNames) {
  host::Instance control;
  for (const char* name : methodIdentifierNames) EXPECT_TRUE(control.hasMethod(name)) << name;
  for (const char* name :
       {"Get_output1", "GET_OUTPUT2", "clearSeCtrl", "CLEARSECTRL", "get_output7", "get_output",
        "get_output1 ", "", "input0", "maxlength", "get_output600", "get_Output37"})
    EXPECT_FALSE(control.hasMethod(name)) << name;
}

TEST_F(PluginTest, HasPropertyKnowsExactlyTheSeventeenNames) {
  host::Instance control;
  for (const char* name : propertyIdentifiersNames) EXPECT_TRUE(control.hasProperty(name)) << name;
  for (const char* name : {"Input0", "INPUT9", "MaxLength", "maxLength", "input14", "input",
                           "returncallback", "TabCallback", "", "get_output1"})
    EXPECT_FALSE(control.hasProperty(name)) << name;
}

TEST_F(PluginTest, IdentifiersAreAskedForOncePerProcessInTwoRequests) {
  host::Instance first;
  ASSERT_NE(nullptr, first.object());
  GestaltSetSystemVersion(10, 14, 0);
  host::Instance second;
  ASSERT_NE(nullptr, second.object());
  EXPECT_NE(first.object(), second.object());
  // One request for the 14 method names, one for the 17 property names, in
  // the whole process, however many controls came before.
  EXPECT_EQ(2, browser.getStringIdentifiersCalls());
  EXPECT_EQ(0, browser.getStringIdentifierCalls());
  EXPECT_EQ(kMethodCount + kPropertyCount, browser.identifierNamesRequested());
  EXPECT_TRUE(second.hasMethod("ClearSeCtrl"));
}

TEST_F(PluginTest, IdentifierTablesHoldTheBrowsersIdentifiersInOrder) {
  host::Instance control;
  ASSERT_NE(nullptr, control.object());
  const NPIdentifier* methods = methodIdentifiers;
  const NPIdentifier* properties = propertyIdentifiers;
  EXPECT_TRUE(identifiersInitialized);
  for (int i = 0; i < kMethodCount; ++i)
    EXPECT_EQ(browser.identifier(methodIdentifierNames[i]), methods[i]) << i;
  for (int i = 0; i < kPropertyCount; ++i)
    EXPECT_EQ(browser.identifier(propertyIdentifiersNames[i]), properties[i]) << i;
}

TEST_F(PluginTest, EachRequestGivesTheBrowserOneReferenceToTheSameObject) {
  for (SInt32 minor : {12, 13}) {
    GestaltSetSystemVersion(10, minor, 0);
    host::Instance control;
    NPObject* held = recordObject(control);
    ASSERT_NE(nullptr, held);
    EXPECT_EQ(1u, held->referenceCount);  // the record's own
    NPObject* first = control.requestObject();
    NPObject* second = control.requestObject();
    EXPECT_EQ(held, first);
    EXPECT_EQ(held, second);
    EXPECT_EQ(3u, held->referenceCount);
    control.destroy();  // drops the record's reference only
    EXPECT_TRUE(browser.isLive(held));
    EXPECT_EQ(2u, held->referenceCount);
  }
  EXPECT_EQ(0, browser.liveObjects());  // the browser's references went with the controls
}

TEST_F(PluginTest, TheLayerRequestedTwiceIsTheSameAnswer) {
  host::Instance control;
  ASSERT_EQ(kDrawingModeCoreAnimation, record(control)->drawingMode);
  NPError e1 = NPERR_GENERIC_ERROR, e2 = NPERR_GENERIC_ERROR;
  void* first = control.requestLayer(&e1);
  void* second = control.requestLayer(&e2);
  EXPECT_EQ(NPERR_NO_ERROR, e1);
  EXPECT_EQ(NPERR_NO_ERROR, e2);
  EXPECT_NE(nullptr, first);
  EXPECT_EQ(first, second);
  EXPECT_EQ(static_cast<const void*>(record(control)->rootLayer), first);
  // The browser gets no reference of its own: the record keeps the only one.
  EXPECT_EQ(1u, record(control)->rootLayer->retainCount());
}

// The browser may keep the object after NPP_Destroy; the object must then be
// cut loose from the freed record (proved under AddressSanitizer: any later
// use of the binding would read freed memory).
TEST_F(PluginTest, DestroyWithTheBrowserStillHoldingTheObject) {
  for (SInt32 minor : {12, 13}) {
    GestaltSetSystemVersion(10, minor, 0);
    auto control = std::make_unique<host::Instance>();
    NPObject* object = control->requestObject();
    ASSERT_NE(nullptr, object);
    ASSERT_EQ(NPERR_NO_ERROR, control->destroy());

    ASSERT_TRUE(browser.isLive(object));
    // What a script method does first: find its text source through the
    // bindings. Were they left pointing at the freed record, this read is a
    // heap use after free.
    const editorplugin* o = editor(object);
    const void* source = o->instance ? static_cast<const void*>(o->instance->editBuffer)
                                     : static_cast<const void*>(o->textField);
    EXPECT_EQ(nullptr, source);
    EXPECT_EQ(nullptr, o->instance);
    EXPECT_EQ(nullptr, o->textField);
    // Script goes on calling; none of it may reach the freed record.
    for (const char* method : methodIdentifierNames) {
      EXPECT_TRUE(host::hasMethod(object, method));
      host::ScriptResult r = host::invoke(object, method);
      if (std::string(method) == "get_output3") {
        if (r.ok) {
          EXPECT_EQ(0, r.value.asInt32());
        }
      }
    }
    for (const char* property : propertyIdentifiersNames) {
      host::ScriptResult r = host::getProperty(object, property);
      EXPECT_TRUE(r.ok) << property;
      EXPECT_TRUE(host::setProperty(object, property, host::Variant::int32(1))) << property;
    }
    // The browser's last release (when the page goes) deallocates it.
    control.reset();
    EXPECT_FALSE(browser.isLive(object));
  }
}

}  // namespace

namespace {

// An object bound to neither a field nor a record (a Core Animation control
// the browser refused Cocoa events, its object made on request): clearing it
// touches nothing, and every stored value stays.
TEST_F(PluginTest, ClearingAnUnboundObjectChangesNothing) {
  browser.setAnswer(NPNVsupportsCocoaBool, host::Answer::kFalse);
  host::Instance control;
  ASSERT_EQ(NPERR_INCOMPATIBLE_VERSION_ERROR, control.newResult());
  NPObject* object = control.object();
  ASSERT_NE(nullptr, object);
  ASSERT_EQ(nullptr, editor(object)->textField);
  ASSERT_EQ(nullptr, editor(object)->instance);
  ASSERT_TRUE(control.setProperty("input9", host::Variant::string("key text")));
  ASSERT_TRUE(control.setProperty("maxlength", host::Variant::int32(5)));
  ASSERT_TRUE(control.setProperty("input6", host::Variant::string("0110")));

  host::ScriptResult r = control.invoke("ClearSeCtrl");
  EXPECT_TRUE(r.ok);
  EXPECT_TRUE(r.value.isVoid());
  EXPECT_EQ("key text", control.getProperty("input9").value.asString());
  EXPECT_EQ(5, control.getProperty("maxlength").value.asInt32());
  EXPECT_EQ("(([0-9])|([a-z]))*", control.getProperty("input2").value.asString());
  const editorplugin* o = editor(object);
  EXPECT_EQ(0, o->strengthClasses.value.intValue);
  EXPECT_EQ(1, o->simplePatternFlag.value.intValue);
  EXPECT_EQ(0, o->patternMismatch.value.intValue);
  EXPECT_EQ(0, o->strengthLevel.value.intValue);
  EXPECT_EQ(0, control.invoke("get_output3").value.asInt32());
}

}  // namespace
