// The borderless panel that hosts the password field. It is never shown; it
// can be the key window only while the control is active (focused), so that
// makeKeyWindow takes effect only then.
#pragma once

#include "AppKit/NSPanel.h"

class EditorPanel : public NSPanel {
 public:
  EditorPanel() = default;

  NSWindow* init() override;
  BOOL isKeyWindow() override;
  BOOL canBecomeKeyWindow() override;
  BOOL worksWhenModal() override;
  BOOL acceptsMouseMovedEvents() override;
  BOOL ignoresMouseEvents() override;

  BOOL isActive() const { return isActive_; }
  void setIsActive(BOOL isActive) { isActive_ = isActive; }

 protected:
  ~EditorPanel() override = default;

 private:
  BOOL isActive_ = NO;
};
