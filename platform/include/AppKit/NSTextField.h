#pragma once

#include "AppKit/NSControl.h"
#include "AppKit/NSTextFieldCell.h"

class __attribute__((visibility("default"))) NSTextField : public NSControl {
 public:
  NSTextField() = default;

  BOOL isEditable() const;
  void setEditable(BOOL flag);
  BOOL isBezeled() const;
  void setBezeled(BOOL flag);

  BOOL acceptsFirstResponder() override { return isEditable(); }
  // Starts editing: the window's field editor takes the text, all selected,
  // and becomes the first responder.
  BOOL becomeFirstResponder() override;

 protected:
  ~NSTextField() override = default;
  NSCell* makeCell() override;
};
