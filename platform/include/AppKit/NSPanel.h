#pragma once

#include "AppKit/NSWindow.h"

class __attribute__((visibility("default"))) NSPanel : public NSWindow {
 public:
  NSPanel() = default;

  BOOL becomesKeyOnlyIfNeeded() const { return becomesKeyOnlyIfNeeded_; }
  void setBecomesKeyOnlyIfNeeded(BOOL flag) { becomesKeyOnlyIfNeeded_ = flag; }

 protected:
  ~NSPanel() override = default;

 private:
  BOOL becomesKeyOnlyIfNeeded_ = NO;
};
