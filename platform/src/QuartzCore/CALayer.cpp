#include "QuartzCore/CALayer.h"

#include <algorithm>

CALayer* CALayer::layer() { return NSAutorelease(new CALayer()); }

CALayer::~CALayer() {
  for (CALayer* sub : sublayers_) {
    sub->superlayer_ = nullptr;
    sub->release();
  }
}

void CALayer::addSublayer(CALayer* layer) {
  if (!layer || layer == this) return;
  sublayers_.reserve(sublayers_.size() + 1);  // the one step that can fail, first
  layer->retain();
  layer->removeFromSuperlayer();
  layer->superlayer_ = this;
  sublayers_.push_back(layer);
}

void CALayer::removeFromSuperlayer() {
  CALayer* super = superlayer_;
  if (!super) return;
  auto it = std::find(super->sublayers_.begin(), super->sublayers_.end(), this);
  if (it != super->sublayers_.end()) super->sublayers_.erase(it);
  superlayer_ = nullptr;
  release();
}
