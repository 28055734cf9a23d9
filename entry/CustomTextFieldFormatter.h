// The password field's formatter: refuses every edit whose whole proposed text
// is longer than the maximum length or does not match the control's input
// pattern, and rates every text it accepts into the scriptable object.
#pragma once

#include <cstdint>

#include "Foundation/NSFormatter.h"

struct NPObject;

class CustomTextFieldFormatter : public NSFormatter {
 public:
  CustomTextFieldFormatter() = default;

  // The superclass's init; the maximum length starts unlimited (2147483647).
  NSFormatter* init() override;
  // Binds the scriptable object (not retained) and takes its maxlength as it
  // is now; nil does nothing.
  void setInstance(NPObject* object);
  void setMaximumLength(int32_t length) { maxLength = length; }
  int32_t maximumLength() const { return maxLength; }

  // The object value is the text itself.
  NSString* stringForObjectValue(NSObject* object) override;
  BOOL getObjectValue(NSObject** object, NSString* string, NSString** error) override;
  // YES when the proposed text is within the maximum length (a negative
  // maximum sets no limit) and matches the input pattern (an invalid pattern
  // counts as a match); the accepted text is then rated. Never changes the
  // proposed text or selection and gives no error description.
  BOOL isPartialStringValid(NSString** partialString, NSRange* proposedSelectedRange,
                            NSString* originalString, NSRange originalSelectedRange,
                            NSString** error) override;
  NSAttributedString* attributedStringForObjectValue(NSObject* object,
                                                     NSDictionary* attributes) override;

 protected:
  ~CustomTextFieldFormatter() override = default;

 private:
  int32_t maxLength = 0;
  NPObject* m_editobject = nullptr;  // the control's editorplugin; not retained
};
