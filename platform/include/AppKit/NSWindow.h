// Windows and their key-window state, content view, first responder and field
// editor. Nothing is ever put on a screen here.
#pragma once

#include "AppKit/NSResponder.h"

class NSColor;
class NSText;
class NSView;

typedef NSUInteger NSWindowStyleMask;
enum : NSWindowStyleMask {
  NSBorderlessWindowMask = 0,
  NSTitledWindowMask = 1 << 0,
  NSClosableWindowMask = 1 << 1,
  NSMiniaturizableWindowMask = 1 << 2,
  NSResizableWindowMask = 1 << 3,
};

typedef NSUInteger NSBackingStoreType;
enum : NSBackingStoreType {
  NSBackingStoreRetained = 0,
  NSBackingStoreNonretained = 1,
  NSBackingStoreBuffered = 2,
};

class __attribute__((visibility("default"))) NSWindow : public NSResponder {
 public:
  // Both return this (one owned reference from `new`). init uses an empty,
  // titled, buffered content rectangle.
  virtual NSWindow* initWithContentRect(NSRect contentRect, NSWindowStyleMask style,
                                        NSBackingStoreType backing, BOOL defer);
  virtual NSWindow* init();

  // Key state: makeKeyWindow takes effect only when canBecomeKeyWindow says
  // YES; the previous key window of the process resigns. A borderless
  // window cannot become key unless a subclass says otherwise.
  virtual BOOL isKeyWindow();
  virtual BOOL canBecomeKeyWindow();
  void makeKeyWindow();
  void resignKeyWindow();

  virtual BOOL worksWhenModal() { return NO; }
  virtual BOOL acceptsMouseMovedEvents() { return acceptsMouseMoved_; }
  void setAcceptsMouseMovedEvents(BOOL flag) { acceptsMouseMoved_ = flag; }
  virtual BOOL ignoresMouseEvents() { return ignoresMouse_; }
  void setIgnoresMouseEvents(BOOL flag) { ignoresMouse_ = flag; }

  // The content view is retained and sized to the window.
  NSView* contentView() const { return contentView_; }
  void setContentView(NSView* view);

  // The first responder is not retained; nil means the window itself.
  NSResponder* firstResponder() const { return firstResponder_; }
  // Asks the current first responder to resign and the new one to accept.
  BOOL makeFirstResponder(NSResponder* responder);
  // The window's field editor. With createFlag NO only an editor made earlier
  // is answered (nil when none exists).
  NSText* fieldEditor(BOOL createFlag, NSObject* object);

  NSInteger windowNumber() const { return windowNumber_; }
  NSWindowStyleMask styleMask() const { return styleMask_; }
  NSRect frame() const { return frame_; }
  void setFrame(NSRect frame, BOOL display);
  NSColor* backgroundColor() const { return backgroundColor_; }
  void setBackgroundColor(NSColor* color);  // retained

  // The key window of the process, or nil.
  static NSWindow* keyWindow();

 protected:
  ~NSWindow() override;

 private:
  NSRect frame_ = NSZeroRect;
  NSWindowStyleMask styleMask_ = 0;
  NSInteger windowNumber_ = 0;
  NSView* contentView_ = nullptr;          // owned
  NSResponder* firstResponder_ = nullptr;  // not retained
  NSText* fieldEditor_ = nullptr;          // owned
  NSColor* backgroundColor_ = nullptr;     // owned
  BOOL acceptsMouseMoved_ = NO;
  BOOL ignoresMouse_ = NO;
};
