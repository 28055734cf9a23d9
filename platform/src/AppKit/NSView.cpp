#include "AppKit/NSView.h"

#include "QuartzCore/CALayer.h"

NSView* NSView::initWithFrame(NSRect frame) {
  frame_ = frame;
  return this;
}

void NSView::setFrame(NSRect frame) { frame_ = frame; }

void NSView::setWantsLayer(BOOL flag) {
  wantsLayer_ = flag ? YES : NO;
  if (wantsLayer_ && !layer_) {
    layer_ = new CALayer();
  } else if (!wantsLayer_ && layer_) {
    layer_->removeFromSuperlayer();
    layer_->release();
    layer_ = nullptr;
  }
}

NSView::~NSView() { NSRelease(layer_); }
