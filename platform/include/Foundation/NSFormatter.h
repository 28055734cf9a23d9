// The formatter base class: converts between a cell's object value and the
// text it shows, and judges partial text while the user edits.
#pragma once

#include "Foundation/NSString.h"

class NSAttributedString;
class NSDictionary;

class __attribute__((visibility("default"))) NSFormatter : public NSObject {
 public:
  // Returns this (one owned reference from `new`).
  virtual NSFormatter* init() { return this; }

  // The text for an object value; nil here.
  virtual NSString* stringForObjectValue(NSObject* object);
  // Sets *object (not retained for the caller) for the text; NO here.
  virtual BOOL getObjectValue(NSObject** object, NSString* string, NSString** error);
  // Called by the field editor with the whole proposed text before each edit.
  // NO refuses the edit. The base class accepts everything.
  virtual BOOL isPartialStringValid(NSString** partialString, NSRange* proposedSelectedRange,
                                    NSString* originalString, NSRange originalSelectedRange,
                                    NSString** error);
  virtual NSAttributedString* attributedStringForObjectValue(NSObject* object,
                                                             NSDictionary* attributes);

 protected:
  ~NSFormatter() override = default;
};
