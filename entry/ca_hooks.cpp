// The Core Animation text field: widgets, layer tree and event handling.
#include "entry/ca_hooks.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "AppKit/AppKit.h"
#include "HIToolbox/CarbonEvents.h"
#include "HIToolbox/TextInputSources.h"
#include "QuartzCore/CALayer.h"
#include "entry/CoreAnimationField.h"
#include "entry/CustomTextFieldFormatter.h"
#include "entry/EditorPanel.h"
#include "entry/VerticallyCenteredCells.h"
#include "plugin/EditNPObject.h"
#include "plugin/PluginInstance.h"

NSRange oldrange = {0, 0};

namespace {

// Field geometry: a fixed inset and a fixed advance per character.
constexpr double kTextInset = 5;
constexpr double kCharacterWidth = 6;

NSText* existingFieldEditor(EditorPanel* panel) {
  return panel ? panel->fieldEditor(NO, panel->contentView()) : nullptr;
}

void placeCaret(PluginInstance* record, double pluginX) {
  long index = characterIndexForX(pluginX);
  NSText* editor = existingFieldEditor(record->panel);
  if (!editor) {
    oldrange = {0, 0};
    return;
  }
  NSUInteger length = editor->string()->length();
  NSUInteger location = index < 0 ? 0 : std::min(static_cast<NSUInteger>(index), length);
  editor->setSelectedRange({location, 0});
  oldrange = editor->selectedRange();
}

void dragSelection(PluginInstance* record, double pluginX) {
  long index = characterIndexForX(pluginX);
  NSText* editor = existingFieldEditor(record->panel);
  if (!editor) return;
  NSUInteger length = editor->string()->length();
  NSUInteger anchor = oldrange.location;
  NSUInteger anchorEnd = oldrange.location + oldrange.length;
  NSUInteger start;
  NSUInteger end;
  if (index >= 0 && static_cast<NSUInteger>(index) > anchor) {
    start = anchor;
    end = std::min(static_cast<NSUInteger>(index), length);
  } else if (index >= 0) {
    start = static_cast<NSUInteger>(index);
    end = anchorEnd;
  } else {
    start = 0;
    end = anchorEnd;
  }
  // The anchor may lie past a text that script emptied since the mouse-down.
  start = std::min(start, length);
  end = std::max(start, std::min(end, length));
  editor->setSelectedRange({start, end - start});
}

// A copy of the browser's string (which it owns only for the call); nil stays
// nil.
NSString* copyOf(NSString* s) { return s ? NSAutorelease(new NSString(s->units())) : nullptr; }

unsigned char firstByte(NSString* s) {
  const char* utf8 = s ? s->UTF8String() : nullptr;
  return utf8 ? static_cast<unsigned char>(utf8[0]) : 0;
}

// Rebuilds the browser's key event as an AppKit event for the panel and hands
// it to the panel's first responder (the field editor while the field edits).
void resendKey(PluginInstance* record, const NPCocoaEvent* event, NSEventType type,
               NSString* characters) {
  EditorPanel* panel = record->panel;
  if (!panel) return;
  NSEvent* key = NSEvent::keyEventWithType(
      type, NSZeroPoint, event->data.key.modifierFlags, GetCurrentEventTime(),
      panel->windowNumber(), NSGraphicsContext::graphicsContextWithWindow(panel), characters,
      copyOf(event->data.key.charactersIgnoringModifiers), event->data.key.isARepeat,
      event->data.key.keyCode);
  NSResponder* responder = panel->firstResponder();
  if (!responder || !key) return;
  if (type == NSKeyDown)
    responder->keyDown(key);
  else
    responder->keyUp(key);
}

void keyDown(PluginInstance* record, const NPCocoaEvent* event) {
  NSString* characters = copyOf(event->data.key.characters);
  unsigned char c = firstByte(characters);
  if (c == 0x09) {
    evaluatescript(record->scriptObject, 9, record->npp);
  } else if (c != 0x0D) {
    resendKey(record, event, NSKeyDown, characters);
  }
}

void keyUp(PluginInstance* record, const NPCocoaEvent* event) {
  NSString* characters = copyOf(event->data.key.characters);
  unsigned char c = firstByte(characters);
  if (c != 0x09 && c != 0x0D) resendKey(record, event, NSKeyUp, characters);
}

void selectEnglishInputSource() {
  CFStringRef en = CFStringCreateWithCString(kCFAllocatorDefault, "en", kCFStringEncodingUTF8);
  if (!en) return;
  TISInputSourceRef source = TISCopyInputSourceForLanguage(en);
  if (source) {
    TISSelectInputSource(source);  // a refusal leaves the current source
    CFRelease(source);
  }
  CFRelease(en);
}

void focusChanged(PluginInstance* record, bool gained) {
  EditorPanel* panel = record->panel;
  if (gained) {
    // Active first: canBecomeKeyWindow answers with isActive.
    if (panel) {
      panel->setIsActive(YES);
      panel->makeKeyWindow();
      panel->makeFirstResponder(record->textField);
    }
    selectEnglishInputSource();
  } else if (panel) {
    panel->setIsActive(NO);
    if (panel->contentView()) panel->contentView()->resignFirstResponder();
    panel->resignKeyWindow();
  }
}

}  // namespace

long characterIndexForX(double pluginX) {
  double index = (pluginX - kTextInset) / kCharacterWidth;
  if (std::isnan(index)) return 0;
  // Truncated toward zero; far-off positions are held to a range a long holds.
  return static_cast<long>(std::clamp(index, -1e15, 1e15));
}

int16_t handleCoreAnimationEvent(NPP npp, NPCocoaEvent* event) {
  PluginInstance* record = pluginInstanceOf(npp);
  if (!record || !event) return 0;
  NSAutoreleasePool pool;
  // The browser may send any number as the type: read it as the number it is.
  int32_t type;
  static_assert(sizeof type == sizeof event->type, "event type is a 32-bit field");
  std::memcpy(&type, &event->type, sizeof type);
  switch (type) {
    case NPCocoaEventDrawRect:
      return 1;  // the layer draws itself
    case NPCocoaEventMouseDown:
      if (event->data.mouse.buttonNumber == 0) placeCaret(record, event->data.mouse.pluginX);
      return 1;
    case NPCocoaEventMouseEntered:
      NSCursor::IBeamCursor()->set();
      return 1;
    case NPCocoaEventMouseExited:
      NSCursor::arrowCursor()->set();
      return 1;
    case NPCocoaEventMouseDragged:
      if (event->data.mouse.buttonNumber == 0) dragSelection(record, event->data.mouse.pluginX);
      return 1;
    case NPCocoaEventKeyDown:
      keyDown(record, event);
      return 1;
    case NPCocoaEventKeyUp:
      keyUp(record, event);
      return 1;
    case NPCocoaEventFocusChanged:
      focusChanged(record, event->data.focus.hasFocus);
      return 1;
    default:
      return 0;  // mouse up and moved, modifier changes, anything else
  }
}

void setupLayerHierarchy(PluginInstance* record) {
  if (!record || record->rootLayer) return;
  // The record keeps the root only once the field's layer is under it.
  NSOwned<CALayer> root(NSRetain(CALayer::layer()));
  EditorPanel* panel = record->panel;
  NSTextField* field = record->textField;
  if (panel) {
    panel->setIsActive(NO);
    panel->setBecomesKeyOnlyIfNeeded(YES);
  }
  if (field) field->setWantsLayer(YES);
  if (panel) panel->setContentView(field);
  if (field) root->addSublayer(field->layer());
  record->rootLayer = root.take();
}

void buildCoreAnimationWidgets(PluginInstance* record) {
  if (!record || record->textField || record->panel) return;
  NPObject* object = record->scriptObject;
  bool plain = isPlainText(object);
  // Each object is held here until the field or the record owns it, so memory
  // that runs out half-way releases everything made so far.
  NSOwned<NSTextField> field(plain ? new NSTextField() : new NSSecureTextField());
  field->initWithFrame(NSMakeRect(8, 8, 848, 480));

  {
    NSOwned<NSString> empty(new NSString());
    NSOwned<NSCell> cell(nullptr);
    if (plain) {
      auto* centred = new ZebVerticallyCenteredTextFieldCell();
      cell.reset(centred);
      centred->initTextCell(empty.get());
      centred->setVerticalCentering(YES);
    } else {
      auto* centred = new ZebVerticallyCenteredSecTextFieldCell();
      cell.reset(centred);
      centred->initTextCell(empty.get());
      centred->setVerticalCentering(YES);
    }
    field->setCell(cell.get());  // the field owns the cell
  }
  field->setBezeled(YES);
  field->setEditable(YES);
  field->setAlignment(Cursor(object) == 0 ? NSCenterTextAlignment : NSLeftTextAlignment);

  {
    NSOwned<CustomTextFieldFormatter> formatter(new CustomTextFieldFormatter());
    formatter->init();
    formatter->setInstance(object);        // takes maxlength as the attributes left it
    field->setFormatter(formatter.get());  // the cell owns the formatter
  }

  NSOwned<EditorPanel> panel(new EditorPanel());
  panel->initWithContentRect(NSMakeRect(8, 8, 500, 480), NSBorderlessWindowMask,
                             NSBackingStoreBuffered, NO);
  {
    NSAutoreleasePool pool;
    panel->setBackgroundColor(NSColor::yellowColor());
  }
  record->textField = field.take();
  record->panel = panel.take();
}

void placePanel(PluginInstance* record) {
  if (!record || !record->panel) return;
  const NPWindow& w = record->window;
  record->panel->setFrame(NSMakeRect(static_cast<double>(w.x), static_cast<double>(w.y),
                                     static_cast<double>(w.width), static_cast<double>(w.height)),
                          YES);
  record->panel->makeKeyWindow();  // takes effect only while the panel is active
}

void releaseCoreAnimationObjects(PluginInstance* record) {
  if (!record) return;
  NSRelease(record->rootLayer);
  record->rootLayer = nullptr;
  NSRelease(record->panel);
  record->panel = nullptr;
  NSRelease(record->textField);
  record->textField = nullptr;
}
