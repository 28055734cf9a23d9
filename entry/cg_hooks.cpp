// The Core Graphics drawn box.
#include "entry/cg_hooks.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "AppKit/NSCursor.h"
#include "CoreGraphics/CGContext.h"
#include "Foundation/NSException.h"
#include "Foundation/NSString.h"
#include "entry/RegExpExtensions.h"
#include "entry/strength_results.h"
#include "plugin/EditNPObject.h"
#include "plugin/PluginInstance.h"
#include "plugin/npn.h"

namespace {

constexpr uint32_t kCaretBlinkMs = 500;

// macOS virtual key codes the box handles.
enum : uint16_t {
  kKeyDelete = 51,
  kKeyLeftArrow = 123,
  kKeyRightArrow = 124,
  kKeyDownArrow = 125,
  kKeyUpArrow = 126,
};

// Box geometry, in pixels from the box's left and top edges.
constexpr double kTextLeft = 5;
constexpr double kBaselineFromTop = 18;
constexpr double kCaretTopFromTop = 2;
constexpr double kCaretBottomFromTop = 22;
constexpr double kClickSlack = 8;  // a hit within this far left of a character's end goes after it

int32_t bufferLength(const PluginInstance* record) {
  return record->editBuffer ? static_cast<int32_t>(record->editBuffer->length()) : 0;
}

// The caret inside 0..length, whatever moved the text under it.
int32_t clampedCaret(const PluginInstance* record) {
  return std::clamp(record->caretIndex, 0, bufferLength(record));
}

bool browserHasTimers() { return BROWSER_OFFERS(scheduletimer) && BROWSER_OFFERS(unscheduletimer); }

void stopCaretTimer(PluginInstance* record) {
  if (record->caretTimer != 0) NPN_UnscheduleTimer(record->npp, record->caretTimer);
  record->caretTimer = 0;
}

// The first byte of the UTF-8 form of the event's characters, signed (bytes
// from 0x80 up are negative); 0 when there are none.
signed char firstCharacter(const NPCocoaEvent* event) {
  NSString* characters = event->data.key.characters;
  if (!characters) return 0;
  // A copy: the browser owns the event's string only for the call.
  NSOwned<NSString> copy(new NSString(characters->units()));
  const char* utf8 = copy->UTF8String();
  return utf8 ? static_cast<signed char>(utf8[0]) : 0;
}

void insertCharacter(PluginInstance* record, char c) {
  NSMutableString* buffer = record->editBuffer;
  if (!buffer) return;
  const int32_t caret = clampedCaret(record);
  char text[2] = {c, 0};
  NSOwned<NSString> ch(NSString::initWithUTF8String(text));
  if (!ch) return;
  buffer->insertString(ch.get(), static_cast<NSUInteger>(caret));
  record->caretIndex = caret + 1;
}

void deleteBeforeCaret(PluginInstance* record) {
  const int32_t caret = clampedCaret(record);
  if (bufferLength(record) == 0 || caret == 0) return;
  record->editBuffer->deleteCharactersInRange(NSMakeRange(static_cast<NSUInteger>(caret - 1), 1));
  record->caretIndex = caret - 1;
}

// Draws one run of text the box's way and moves the pen to its end.
void drawRun(CGContextRef ctx, const std::string& text, size_t from, size_t count, CGPoint* pen) {
  CGContextSetTextDrawingMode(ctx, kCGTextFillStroke);
  CGContextSetTextMatrix(ctx, CGAffineTransformMakeRotation(0));
  CGContextShowTextAtPoint(ctx, pen->x, pen->y, text.data() + from, count);
  *pen = CGContextGetTextPosition(ctx);
}

}  // namespace

int16_t handleCoreGraphicsEvent(NPP npp, NPCocoaEvent* event) {
  if (!event) return 0;
  // The browser may send any number as the type: read it as the number it is.
  int32_t type;
  static_assert(sizeof type == sizeof event->type, "event type is a 32-bit field");
  std::memcpy(&type, &event->type, sizeof type);
  switch (type) {
    case NPCocoaEventDrawRect:
      drawEditBox(npp, event);
      return 1;
    case NPCocoaEventMouseDown:
      if (event->data.mouse.buttonNumber == 0) {
        if (PluginInstance* record = pluginInstanceOf(npp)) {
          record->clickX = event->data.mouse.pluginX;
          record->clickPending = true;
        }
      }
      invalidateAndRedraw(npp);
      return 1;
    case NPCocoaEventMouseEntered:
      NSCursor::IBeamCursor()->set();
      return 1;
    case NPCocoaEventMouseExited:
      NSCursor::arrowCursor()->set();
      return 1;
    case NPCocoaEventKeyDown:
      handleKeyDown(npp, event);
      invalidateAndRedraw(npp);
      return 1;
    case NPCocoaEventFocusChanged:
      handleFocusChange(npp, event);
      invalidateAndRedraw(npp);
      return 1;
    default:  // mouse up, moved, dragged, key up, flags changed and the rest
      return 0;
  }
}

void handleFocusChange(NPP npp, NPCocoaEvent* event) {
  PluginInstance* record = pluginInstanceOf(npp);
  if (!record || !event) return;
  if (event->data.focus.hasFocus) {
    record->hasFocus = true;
    if (browserHasTimers()) {
      stopCaretTimer(record);  // one timer per control at most
      record->caretTimer = NPN_ScheduleTimer(npp, kCaretBlinkMs, true, mytimeproc);
      // Shown at once; should the browser start no timer (id 0) the caret
      // stays shown without blinking.
      record->caretOn = true;
    }
  } else {
    record->hasFocus = false;
    stopCaretTimer(record);
    record->caretOn = false;
  }
}

void mytimeproc(NPP npp, uint32_t timerID) {
  PluginInstance* record = pluginInstanceOf(npp);
  if (!record || timerID == 0 || timerID != record->caretTimer) return;
  record->caretOn = !record->caretOn;
  invalidateAndRedraw(npp);
}

void handleKeyDown(NPP npp, NPCocoaEvent* event) {
  PluginInstance* record = pluginInstanceOf(npp);
  if (!record || !event) return;
  const signed char c = firstCharacter(event);
  if (c == 0x0D) {
    evaluatescript(record->scriptObject, 13, npp);
  } else if (c == 0x1B) {
    // Escape: nothing.
  } else if (c == 0x09) {
    evaluatescript(record->scriptObject, 9, npp);
  } else {
    const int32_t length = bufferLength(record);
    switch (event->data.key.keyCode) {
      case kKeyLeftArrow:
        record->caretIndex = length == 0 ? 0 : std::max(clampedCaret(record) - 1, 0);
        break;
      case kKeyRightArrow:
        record->caretIndex = length == 0 ? 0 : std::min(clampedCaret(record) + 1, length);
        break;
      case kKeyUpArrow:
        record->caretIndex = 0;
        break;
      case kKeyDownArrow:
        record->caretIndex = length;
        break;
      case kKeyDelete:
        deleteBeforeCaret(record);
        break;
      default:
        if (c >= 0x20 && c <= 0x7E && isCharAllowed(npp, static_cast<char>(c)) &&
            static_cast<int64_t>(length) + 1 <= getMaxLength(record->scriptObject)) {
          insertCharacter(record, static_cast<char>(c));
        }
        break;
    }
  }
  updateStrength(toEditorPlugin(record->scriptObject),
                 record->editBuffer ? record->editBuffer->UTF8String() : "");
}

BOOL isCharAllowed(NPP npp, char c) {
  PluginInstance* record = pluginInstanceOf(npp);
  editorplugin* object = record ? toEditorPlugin(record->scriptObject) : nullptr;
  if (!object) return NO;
  const ByteBuffer& pattern = object->inputPattern;
  if (!pattern.bytes || pattern.length == 0) return YES;
  NSOwned<NSString> patternText(NSString::initWithUTF8String(pattern.bytes));
  if (!patternText || patternText->length() == 0) return NO;
  NSAutoreleasePool pool;
  NSString* candidate = NSString::stringWithFormat("%c", c);
  try {
    return doesMatchRegStringExp(candidate, patternText.get());
  } catch (const NSException&) {
    return NO;
  } catch (...) {
    return NO;  // nothing may leave an event handler
  }
}

void clearpo(NPP npp) {
  PluginInstance* record = pluginInstanceOf(npp);
  if (!record) return;
  if (record->editBuffer) {
    record->editBuffer->deleteCharactersInRange(NSMakeRange(0, record->editBuffer->length()));
  }
  record->caretIndex = 0;
  invalidateAndRedraw(npp);
}

void drawEditBox(NPP npp, NPCocoaEvent* event) {
  PluginInstance* record = pluginInstanceOf(npp);
  if (!record || !event) return;
  CGContextRef ctx = event->data.draw.context;
  if (!ctx) return;
  const float w = static_cast<float>(record->window.width);
  const float h = static_cast<float>(record->window.height);

  CGContextSaveGState(ctx);
  CGContextTranslateCTM(ctx, 0, h);
  CGContextScaleCTM(ctx, 1, -1);  // y runs up from the bottom edge
  CGContextSetRGBFillColor(ctx, 1, 1, 1, 1);
  CGContextFillRect(ctx, CGRectMake(0, 0, w, h));

  std::string shown;
  if (record->editBuffer) {
    shown = isPlainText(record->scriptObject) ? std::string(record->editBuffer->UTF8String())
                                              : std::string(record->editBuffer->length(), '*');
  }
  const size_t n = shown.size();
  CGPoint pen = CGPointMake(kTextLeft, h - kBaselineFromTop);
  double caretX = kTextLeft;

  if (n != 0) {
    CGContextSetLineWidth(ctx, 0.5);
    CGContextSelectFont(ctx, "Arial", 16, kCGEncodingMacRoman);
    CGContextSetCharacterSpacing(ctx, 3);
    CGContextSetRGBFillColor(ctx, 0, 0, 0, 1);
    CGContextSetRGBStrokeColor(ctx, 0, 0, 0, 1);
    size_t drawn = 0;
    if (record->clickPending) {
      // Measure character by character until the pen passes the click.
      int32_t caret = static_cast<int32_t>(n);
      bool hit = false;
      while (drawn < n && !hit) {
        const double before = pen.x;
        drawRun(ctx, shown, drawn, 1, &pen);
        ++drawn;
        if (pen.x > record->clickX) {
          if (pen.x <= record->clickX + kClickSlack) {
            caret = static_cast<int32_t>(drawn);
            caretX = pen.x;
          } else {
            caret = static_cast<int32_t>(drawn) - 1;
            caretX = before;
          }
          hit = true;
        }
      }
      if (!hit) caretX = pen.x;  // past the last character: at the end
      record->caretIndex = caret;
      record->clickPending = false;
    } else {
      const size_t caret = static_cast<size_t>(clampedCaret(record));
      record->caretIndex = static_cast<int32_t>(caret);
      drawRun(ctx, shown, 0, caret, &pen);
      caretX = pen.x;
      drawn = caret;
    }
    if (drawn < n) drawRun(ctx, shown, drawn, n - drawn, &pen);
  } else {
    // An empty box has no character to measure: a click on it is dropped,
    // so it cannot move the caret of text typed later.
    record->clickPending = false;
    record->caretIndex = 0;
  }

  if (record->hasFocus && record->caretOn) {
    CGContextSetRGBStrokeColor(ctx, 0, 0, 0, 1);
  } else {
    CGContextSetRGBStrokeColor(ctx, 1, 1, 1, 1);
  }
  CGContextMoveToPoint(ctx, caretX, h - kCaretTopFromTop);
  CGContextAddLineToPoint(ctx, caretX, h - kCaretBottomFromTop);
  CGContextSetLineWidth(ctx, 1);
  CGContextStrokePath(ctx);
  CGContextRestoreGState(ctx);
}
