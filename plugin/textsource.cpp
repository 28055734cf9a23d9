#include "plugin/textsource.h"

#include "AppKit/NSTextField.h"
#include "plugin/EditNPObject.h"
#include "plugin/PluginInstance.h"
#include "plugin/hooks.h"

NSString* textSource(editorplugin* object) {
  if (!object) return nullptr;
  if (object->textField) return NSRetain(object->textField->stringValue());
  if (object->instance) return NSRetain(static_cast<NSString*>(object->instance->editBuffer));
  return nullptr;
}

bool wholePasswordTest(editorplugin* object, const NSString* text) {
  if (!object || !text || text->length() == 0 || !object->passwordPattern.isSet()) return true;
  if (!g_entryHooks.doesMatchRegStringExp) return true;  // no matcher: cannot be evaluated
  NSString* pattern =
      NSString::initWithCString(object->passwordPattern.bytes, object->passwordPattern.length);
  if (!pattern) return true;
  bool passed = true;
  try {
    if (g_entryHooks.doesMatchRegStringExp(text, pattern)) {
      INT32_TO_NPVARIANT(0, object->patternMismatch);
    } else {
      INT32_TO_NPVARIANT(1, object->patternMismatch);
      passed = false;
    }
  } catch (...) {
    // A pattern that cannot be evaluated never fails the password: the
    // verdict stays as it was and the caller goes on.
  }
  pattern->release();
  return passed;
}
