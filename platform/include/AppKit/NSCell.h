// Cells: the value, look and formatter of a control.
#pragma once

#include <cstdint>

#include "Foundation/NSFormatter.h"
#include "Foundation/NSGeometry.h"

class NSView;

typedef NSUInteger NSTextAlignment;
enum : NSTextAlignment {
  NSLeftTextAlignment = 0,
  NSRightTextAlignment = 1,
  NSCenterTextAlignment = 2,
  NSJustifiedTextAlignment = 3,
  NSNaturalTextAlignment = 4,
};

class __attribute__((visibility("default"))) NSCell : public NSObject {
 public:
  // Returns this (one owned reference from `new`).
  virtual NSCell* initTextCell(NSString* string);

  // Autoreleased copy of the shown text (through the formatter if any).
  NSString* stringValue() const;
  void setStringValue(NSString* string);

  NSFormatter* formatter() const { return formatter_; }
  void setFormatter(NSFormatter* formatter);  // retained

  NSTextAlignment alignment() const;
  void setAlignment(NSTextAlignment alignment);
  BOOL isEditable() const;
  void setEditable(BOOL flag);
  BOOL isBezeled() const;
  void setBezeled(BOOL flag);

  NSView* controlView() const { return controlView_; }
  void setControlView(NSView* view) { controlView_ = view; }

 protected:
  NSCell() = default;
  ~NSCell() override;

  // The cell's private flag word: bits for the cell type, editability, bezel,
  // alignment and vertical centring (0x40).
  uint32_t _cFlags = 0;

 private:
  NSObject* objectValue_ = nullptr;   // owned
  NSFormatter* formatter_ = nullptr;  // owned
  NSView* controlView_ = nullptr;     // not retained
};

class __attribute__((visibility("default"))) NSActionCell : public NSCell {
 protected:
  ~NSActionCell() override = default;
};
