#include "entry/CustomTextFieldFormatter.h"

#include "Foundation/NSException.h"
#include "entry/RegExpExtensions.h"
#include "entry/strength_results.h"
#include "plugin/EditNPObject.h"

NSFormatter* CustomTextFieldFormatter::init() {
  NSFormatter* self = NSFormatter::init();
  if (self) maxLength = 2147483647;
  return self;
}

void CustomTextFieldFormatter::setInstance(NPObject* object) {
  editorplugin* plugin = toEditorPlugin(object);
  if (!plugin) return;
  m_editobject = object;
  setMaximumLength(plugin->maxlength);
}

NSString* CustomTextFieldFormatter::stringForObjectValue(NSObject* object) {
  return static_cast<NSString*>(object);
}

BOOL CustomTextFieldFormatter::getObjectValue(NSObject** object, NSString* string, NSString**) {
  if (object) *object = string;
  return YES;
}

BOOL CustomTextFieldFormatter::isPartialStringValid(NSString** partialString, NSRange*, NSString*,
                                                    NSRange, NSString**) {
  NSString* proposed = partialString ? *partialString : nullptr;
  NSUInteger length = proposed ? proposed->length() : 0;
  // Unsigned comparison with the maximum widened from 32 to 64 bits: 0
  // refuses every non-empty text, a negative maximum sets no limit.
  if (length > static_cast<NSUInteger>(static_cast<int64_t>(maxLength))) return NO;

  editorplugin* plugin = toEditorPlugin(m_editobject);
  if (!plugin) return YES;
  if (plugin->inputPattern.isSet()) {
    NSString* pattern =
        NSString::initWithCString(plugin->inputPattern.bytes, plugin->inputPattern.length);
    BOOL matches = YES;
    try {
      NSString* text = proposed ? proposed : NSString::string();
      matches = doesMatchRegStringExp(text, pattern);
    } catch (...) {
      matches = YES;  // a pattern that cannot be evaluated does not refuse
    }
    NSRelease(pattern);
    if (!matches) return NO;
  }

  updateStrength(plugin, proposed ? proposed->UTF8String() : "");
  return YES;
}

NSAttributedString* CustomTextFieldFormatter::attributedStringForObjectValue(NSObject*,
                                                                             NSDictionary*) {
  return nullptr;
}
