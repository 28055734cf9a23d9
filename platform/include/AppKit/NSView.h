// Views: a frame in a window, optionally backed by a Core Animation layer.
#pragma once

#include "AppKit/NSResponder.h"

class CALayer;
class NSWindow;

class __attribute__((visibility("default"))) NSView : public NSResponder {
 public:
  // Returns this (one owned reference from `new`).
  virtual NSView* initWithFrame(NSRect frame);

  NSRect frame() const { return frame_; }
  virtual void setFrame(NSRect frame);
  // The window whose view tree holds this view; not retained.
  NSWindow* window() const { return window_; }

  BOOL wantsLayer() const { return wantsLayer_; }
  // YES makes the backing layer (owned by the view, with the view as its
  // delegate); NO drops it.
  void setWantsLayer(BOOL flag);
  CALayer* layer() const { return layer_; }

  // Called by the window when the view becomes or stops being its content.
  virtual void viewDidMoveToWindow(NSWindow* window) { window_ = window; }

 protected:
  ~NSView() override;

 private:
  NSRect frame_ = NSZeroRect;
  NSWindow* window_ = nullptr;
  BOOL wantsLayer_ = NO;
  CALayer* layer_ = nullptr;
};
