// The responder base: what a window's first responder answers.
#pragma once

#include "Foundation/NSGeometry.h"
#include "Foundation/NSString.h"

class NSEvent;

class __attribute__((visibility("default"))) NSResponder : public NSObject {
 public:
  virtual BOOL acceptsFirstResponder() { return NO; }
  virtual BOOL becomeFirstResponder() { return YES; }
  virtual BOOL resignFirstResponder() { return YES; }
  // Key events reaching a responder that does not handle them go nowhere.
  virtual void keyDown(NSEvent*) {}
  virtual void keyUp(NSEvent*) {}

 protected:
  ~NSResponder() override = default;
};
