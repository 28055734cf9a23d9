// The invoke hook: one table row per script method, in the order of
// methodIdentifierNames, each with its handler. The session-key methods are
// handed to plugin/session.h.
#include "plugin/methods.h"

#include <string>

#include "clientinfo/identifiers.h"
#include "plugin/EditNPObject.h"
#include "plugin/results.h"
#include "plugin/session.h"
#include "plugin/textsource.h"

namespace {

using Handler = void (*)(editorplugin* object, NPVariant* result);

void setInt32(NPVariant* result, int32_t value) { INT32_TO_NPVARIANT(value, *result); }

// A getter's new string as the result (by the string result rule); the
// string is released.
void setOwnedStringResult(NPVariant* result, NSString* text) {
  NSOwned<NSString> owned(text);
  if (!owned) return;
  setStringResult(result, owned->UTF8String());
}

void getOutput1(editorplugin* object, NPVariant* result) { sessionGetOutput1(object, result); }
void getOutput2(editorplugin* object, NPVariant* result) { sessionGetOutput2(object, result); }
void getOutput37(editorplugin* object, NPVariant* result) { sessionGetOutput37(object, result); }

// The password's length in UTF-16 units; 0 without a text.
void getOutput3(editorplugin* object, NPVariant* result) {
  NSOwned<NSString> text(textSource(object));
  setInt32(result, text ? static_cast<int32_t>(text->length()) : 0);
}

void getOutput4(editorplugin* object, NPVariant* result) {
  setInt32(result, object->strengthClasses.value.intValue);
}

// The whole-password verdict, after testing the current text when there is one.
void getOutput5(editorplugin* object, NPVariant* result) {
  {
    NSOwned<NSString> text(textSource(object));
    wholePasswordTest(object, text.get());
  }
  setInt32(result, object->patternMismatch.value.intValue);
}

// Whether a session key can be derived: some control has received a server random.
void getOutput6(editorplugin*, NPVariant* result) { setInt32(result, g_rand2.empty() ? 0 : 1); }

void getOutput44(editorplugin* object, NPVariant* result) {
  setInt32(result, object->simplePatternFlag.value.intValue);
}

void getOutput16(editorplugin* object, NPVariant* result) {
  setInt32(result, object->strengthLevel.value.intValue);
}

void getOutput60(editorplugin*, NPVariant* result) {
  setOwnedStringResult(result, getcpuidstring());
}
void getOutput61(editorplugin*, NPVariant* result) { setOwnedStringResult(result, getipmaclist()); }
void getOutput62(editorplugin*, NPVariant* result) { setOwnedStringResult(result, getdisk0sn()); }
void getOutput63(editorplugin*, NPVariant* result) { setStringResult(result, getplatformsn()); }

void clearSeCtrl(editorplugin* object, NPVariant*) { object->clear(); }

struct MethodRow {
  MethodIndex index;
  Handler handler;
};

constexpr MethodRow kMethods[] = {
    {kMethodGetOutput1, getOutput1},   {kMethodGetOutput2, getOutput2},
    {kMethodGetOutput3, getOutput3},   {kMethodGetOutput4, getOutput4},
    {kMethodGetOutput5, getOutput5},   {kMethodGetOutput6, getOutput6},
    {kMethodGetOutput44, getOutput44}, {kMethodGetOutput16, getOutput16},
    {kMethodGetOutput37, getOutput37}, {kMethodGetOutput60, getOutput60},
    {kMethodGetOutput61, getOutput61}, {kMethodGetOutput62, getOutput62},
    {kMethodGetOutput63, getOutput63}, {kMethodClearSeCtrl, clearSeCtrl},
};
static_assert(sizeof(kMethods) / sizeof(kMethods[0]) == kMethodCount, "one row per method");

constexpr bool rowsInIndexOrder() {
  for (int i = 0; i < kMethodCount; ++i) {
    if (kMethods[i].index != i) return false;
  }
  return true;
}
static_assert(rowsInIndexOrder(), "rows in the order of methodIdentifierNames");

}  // namespace

bool editorNPObjectInvoke(NPObject* npobject, NPIdentifier name, const NPVariant*, uint32_t,
                          NPVariant* result) {
  editorplugin* object = toEditorPlugin(npobject);
  if (!object || !result) return false;
  int index = methodIndexOf(name);
  if (index < 0) return false;
  try {
    kMethods[index].handler(object, result);
  } catch (...) {
    // Nothing reaches the browser: a method that could not finish leaves
    // whatever result it had made, and still answers.
  }
  return true;
}
