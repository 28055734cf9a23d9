#include "AppKit/NSEvent.h"

#include "AppKit/NSGraphicsContext.h"
#include "AppKit/NSWindow.h"

NSEvent* NSEvent::keyEventWithType(NSEventType type, NSPoint location, NSUInteger modifierFlags,
                                   NSTimeInterval timestamp, NSInteger windowNumber,
                                   NSGraphicsContext* context, NSString* characters,
                                   NSString* charactersIgnoringModifiers, BOOL isARepeat,
                                   unsigned short keyCode) {
  if (type != NSKeyDown && type != NSKeyUp && type != NSFlagsChanged) return nullptr;
  auto* event = new NSEvent();
  event->type_ = type;
  event->location_ = location;
  event->modifierFlags_ = modifierFlags;
  event->timestamp_ = timestamp;
  event->windowNumber_ = windowNumber;
  event->context_ = NSRetain(context);
  event->characters_ = NSRetain(characters);
  event->charactersIgnoringModifiers_ = NSRetain(charactersIgnoringModifiers);
  event->isARepeat_ = isARepeat;
  event->keyCode_ = keyCode;
  return NSAutorelease(event);
}

NSEvent::~NSEvent() {
  NSRelease(context_);
  NSRelease(characters_);
  NSRelease(charactersIgnoringModifiers_);
}

NSGraphicsContext* NSGraphicsContext::graphicsContextWithWindow(NSWindow* window) {
  auto* context = new NSGraphicsContext();
  context->window_ = NSRetain(window);
  return NSAutorelease(context);
}

NSGraphicsContext::~NSGraphicsContext() { NSRelease(window_); }
