#pragma once

#include "Foundation/NSString.h"

class NSWindow;

// A drawing context bound to a window.
class __attribute__((visibility("default"))) NSGraphicsContext : public NSObject {
 public:
  static NSGraphicsContext* graphicsContextWithWindow(NSWindow* window);  // autoreleased
  NSWindow* window() const { return window_; }

 protected:
  ~NSGraphicsContext() override;

 private:
  NSGraphicsContext() = default;
  NSWindow* window_ = nullptr;  // retained
};
