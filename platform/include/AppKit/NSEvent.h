// AppKit events, as far as the system builds them: key events.
#pragma once

#include <cstdint>

#include "Foundation/NSGeometry.h"
#include "Foundation/NSString.h"

class NSGraphicsContext;

typedef double NSTimeInterval;
typedef NSUInteger NSEventType;
enum : NSEventType {
  NSLeftMouseDown = 1,
  NSLeftMouseUp = 2,
  NSKeyDown = 10,
  NSKeyUp = 11,
  NSFlagsChanged = 12,
};

enum : NSUInteger {
  NSAlphaShiftKeyMask = 1 << 16,
  NSShiftKeyMask = 1 << 17,
  NSControlKeyMask = 1 << 18,
  NSAlternateKeyMask = 1 << 19,
  NSCommandKeyMask = 1 << 20,
};

// Characters of keys that have no printable form.
enum : char16_t {
  NSBackspaceCharacter = 0x08,
  NSTabCharacter = 0x09,
  NSCarriageReturnCharacter = 0x0D,
  NSDeleteCharacter = 0x7F,
  NSUpArrowFunctionKey = 0xF700,
  NSDownArrowFunctionKey = 0xF701,
  NSLeftArrowFunctionKey = 0xF702,
  NSRightArrowFunctionKey = 0xF703,
  NSDeleteFunctionKey = 0xF728,
};

class __attribute__((visibility("default"))) NSEvent : public NSObject {
 public:
  // Autoreleased; nil unless type is NSKeyDown, NSKeyUp or NSFlagsChanged.
  // The strings and the context are retained by the event.
  static NSEvent* keyEventWithType(NSEventType type, NSPoint location, NSUInteger modifierFlags,
                                   NSTimeInterval timestamp, NSInteger windowNumber,
                                   NSGraphicsContext* context, NSString* characters,
                                   NSString* charactersIgnoringModifiers, BOOL isARepeat,
                                   unsigned short keyCode);

  NSEventType type() const { return type_; }
  NSPoint locationInWindow() const { return location_; }
  NSUInteger modifierFlags() const { return modifierFlags_; }
  NSTimeInterval timestamp() const { return timestamp_; }
  NSInteger windowNumber() const { return windowNumber_; }
  NSGraphicsContext* context() const { return context_; }
  NSString* characters() const { return characters_; }
  NSString* charactersIgnoringModifiers() const { return charactersIgnoringModifiers_; }
  BOOL isARepeat() const { return isARepeat_; }
  unsigned short keyCode() const { return keyCode_; }

 protected:
  ~NSEvent() override;

 private:
  NSEvent() = default;
  NSEventType type_ = 0;
  NSPoint location_ = NSZeroPoint;
  NSUInteger modifierFlags_ = 0;
  NSTimeInterval timestamp_ = 0;
  NSInteger windowNumber_ = 0;
  NSGraphicsContext* context_ = nullptr;
  NSString* characters_ = nullptr;
  NSString* charactersIgnoringModifiers_ = nullptr;
  BOOL isARepeat_ = NO;
  unsigned short keyCode_ = 0;
};
