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
    layer_->setDelegate(this);
  } else if (!wantsLayer_ && layer_) {
    layer_->setDelegate(nullptr);
    layer_->removeFromSuperlayer();
    layer_->release();
    layer_ = nullptr;
  }
}

NSView::~NSView() {
  // The layer may outlive the view inside a layer tree.
  if (layer_) layer_->setDelegate(nullptr);
  NSRelease(layer_);
}
