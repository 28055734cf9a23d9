#pragma once

#include "AppKit/NSCell.h"

class __attribute__((visibility("default"))) NSTextFieldCell : public NSActionCell {
 public:
  NSTextFieldCell() = default;

 protected:
  ~NSTextFieldCell() override = default;
};
