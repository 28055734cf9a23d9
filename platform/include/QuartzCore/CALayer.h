// Core Animation layers: a tree of retained sublayers.
#pragma once

#include <vector>

#include "Foundation/NSString.h"

class __attribute__((visibility("default"))) CALayer : public NSObject {
 public:
  static CALayer* layer();  // autoreleased

  // Retains the layer and takes it from its old superlayer.
  void addSublayer(CALayer* layer);
  void removeFromSuperlayer();
  CALayer* superlayer() const { return superlayer_; }
  const std::vector<CALayer*>& sublayers() const { return sublayers_; }
  // The object the layer draws for (a layer-backed view); not retained.
  NSObject* delegate() const { return delegate_; }
  void setDelegate(NSObject* delegate) { delegate_ = delegate; }

  CALayer() = default;

 protected:
  ~CALayer() override;

 private:
  CALayer* superlayer_ = nullptr;    // not retained
  std::vector<CALayer*> sublayers_;  // retained
  NSObject* delegate_ = nullptr;     // not retained
};
