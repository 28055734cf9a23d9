// Text-field cells that draw their text vertically centred: one for the
// masked field and one for the plain field.
#pragma once

#include "AppKit/NSSecureTextField.h"
#include "AppKit/NSTextFieldCell.h"

class ZebVerticallyCenteredSecTextFieldCell : public NSSecureTextFieldCell {
 public:
  ZebVerticallyCenteredSecTextFieldCell() = default;
  // YES sets, NO clears the vertical-centring bit of the cell's flag word;
  // every other bit stays as it was.
  void setVerticalCentering(BOOL centred);

 protected:
  ~ZebVerticallyCenteredSecTextFieldCell() override = default;
};

class ZebVerticallyCenteredTextFieldCell : public NSTextFieldCell {
 public:
  ZebVerticallyCenteredTextFieldCell() = default;
  void setVerticalCentering(BOOL centred);

 protected:
  ~ZebVerticallyCenteredTextFieldCell() override = default;
};
