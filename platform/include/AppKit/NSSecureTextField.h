#pragma once

#include "AppKit/NSTextField.h"

class __attribute__((visibility("default"))) NSSecureTextField : public NSTextField {
 public:
  NSSecureTextField() = default;

 protected:
  ~NSSecureTextField() override = default;
  NSCell* makeCell() override;
};

class __attribute__((visibility("default"))) NSSecureTextFieldCell : public NSTextFieldCell {
 public:
  NSSecureTextFieldCell() = default;

 protected:
  ~NSSecureTextFieldCell() override = default;
};
