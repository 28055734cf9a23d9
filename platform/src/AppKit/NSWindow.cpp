#include "AppKit/NSWindow.h"

#include "AppKit/NSColor.h"
#include "AppKit/NSText.h"
#include "AppKit/NSView.h"

namespace {
NSWindow* g_keyWindow = nullptr;  // not retained
NSInteger g_nextWindowNumber = 100;
}  // namespace

NSWindow* NSWindow::initWithContentRect(NSRect contentRect, NSWindowStyleMask style,
                                        NSBackingStoreType, BOOL) {
  frame_ = contentRect;
  styleMask_ = style;
  windowNumber_ = g_nextWindowNumber++;
  return this;
}

NSWindow* NSWindow::init() {
  return initWithContentRect(NSZeroRect, NSTitledWindowMask, NSBackingStoreBuffered, NO);
}

NSWindow::~NSWindow() {
  if (g_keyWindow == this) g_keyWindow = nullptr;
  if (fieldEditor_) fieldEditor_->endEditing();
  firstResponder_ = nullptr;
  if (contentView_) {
    contentView_->viewDidMoveToWindow(nullptr);
    contentView_->release();
  }
  NSRelease(fieldEditor_);
  NSRelease(backgroundColor_);
}

BOOL NSWindow::isKeyWindow() { return g_keyWindow == this ? YES : NO; }

BOOL NSWindow::canBecomeKeyWindow() {
  return (styleMask_ & (NSTitledWindowMask | NSResizableWindowMask)) ? YES : NO;
}

void NSWindow::makeKeyWindow() {
  if (!canBecomeKeyWindow()) return;
  g_keyWindow = this;
}

void NSWindow::resignKeyWindow() {
  if (g_keyWindow == this) g_keyWindow = nullptr;
}

NSWindow* NSWindow::keyWindow() { return g_keyWindow; }

void NSWindow::setContentView(NSView* view) {
  if (view == contentView_) return;
  NSRetain(view);
  if (contentView_) {
    if (fieldEditor_) fieldEditor_->endEditing();
    if (firstResponder_ == contentView_ || firstResponder_ == fieldEditor_)
      firstResponder_ = nullptr;
    contentView_->viewDidMoveToWindow(nullptr);
    contentView_->release();
  }
  contentView_ = view;
  if (view) {
    view->setFrame(NSMakeRect(0, 0, frame_.size.width, frame_.size.height));
    view->viewDidMoveToWindow(this);
  }
}

BOOL NSWindow::makeFirstResponder(NSResponder* responder) {
  if (responder == firstResponder_) return YES;
  if (firstResponder_ && !firstResponder_->resignFirstResponder()) return NO;
  firstResponder_ = nullptr;
  if (!responder) return YES;
  if (!responder->acceptsFirstResponder()) return NO;
  // Set first: a responder may hand first-responder status on (a text field
  // gives it to the field editor) while it becomes first responder.
  firstResponder_ = responder;
  if (!responder->becomeFirstResponder()) {
    if (firstResponder_ == responder) firstResponder_ = nullptr;
    return NO;
  }
  return YES;
}

NSText* NSWindow::fieldEditor(BOOL createFlag, NSObject*) {
  if (!fieldEditor_ && createFlag) {
    fieldEditor_ = new NSTextView();
    fieldEditor_->setFieldEditor(YES);
  }
  return fieldEditor_;
}

void NSWindow::setFrame(NSRect frame, BOOL) {
  frame_ = frame;
  if (contentView_) contentView_->setFrame(NSMakeRect(0, 0, frame.size.width, frame.size.height));
}

void NSWindow::setBackgroundColor(NSColor* color) {
  NSRetain(color);
  NSRelease(backgroundColor_);
  backgroundColor_ = color;
}
