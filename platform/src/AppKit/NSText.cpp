#include "AppKit/NSText.h"

#include <algorithm>
#include <string>

#include "AppKit/NSControl.h"
#include "AppKit/NSEvent.h"
#include "Foundation/NSException.h"

namespace {
bool isHigh(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool isLow(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }
}  // namespace

// A character outside the BMP is one step for the caret and for deletion.
NSUInteger NSText::stepBefore(NSUInteger index) const {
  if (index == 0) return 0;
  const std::u16string& t = text_->units();
  if (index >= 2 && isLow(t[index - 1]) && isHigh(t[index - 2])) return 2;
  return 1;
}

NSUInteger NSText::stepAfter(NSUInteger index) const {
  const std::u16string& t = text_->units();
  if (index >= t.size()) return 0;
  if (index + 1 < t.size() && isHigh(t[index]) && isLow(t[index + 1])) return 2;
  return 1;
}

NSText::NSText() : text_(new NSMutableString()) {}

NSText::~NSText() {
  if (control_) control_->editingEnded(text_);
  text_->release();
}

void NSText::setString(NSString* string) {
  text_->setString(string);
  selection_ = {text_->length(), 0};
}

void NSText::setSelectedRange(NSRange range) {
  NSUInteger length = text_->length();
  if (range.location > length || range.length > length - range.location)
    NSException::raise(NSRangeException, "Range out of bounds");
  selection_ = range;
}

void NSText::beginEditingFor(NSControl* control) {
  if (control_ && control_ != control) endEditing();
  control_ = control;
  NSAutoreleasePool pool;
  text_->setString(control->stringValue());
  selection_ = {0, text_->length()};
  control->editingBegan(this);
}

void NSText::endEditing() {
  if (!control_) return;
  NSControl* control = control_;
  control_ = nullptr;
  control->editingEnded(text_);
  // The editor keeps no copy of the text it edited.
  text_->setString(nullptr);
  selection_ = {0, 0};
}

BOOL NSText::resignFirstResponder() {
  endEditing();
  return YES;
}

void NSText::proposeChange(NSRange range, const std::u16string& units) {
  std::u16string proposed = text_->units();
  proposed.replace(range.location, range.length, units);
  NSRange proposedSelection = {range.location + units.size(), 0};
  NSFormatter* formatter = control_ ? control_->formatter() : nullptr;
  if (formatter) {
    NSAutoreleasePool pool;
    NSString* partial = NSAutorelease(new NSString(proposed));
    NSString* original = NSAutorelease(new NSString(text_->units()));
    NSString* error = nullptr;
    if (!formatter->isPartialStringValid(&partial, &proposedSelection, original, selection_,
                                         &error))
      return;  // refused: the text stays as it was (AppKit beeps)
    proposed = partial ? partial->units() : std::u16string();
  }
  NSOwned<NSString> accepted(new NSString(proposed));
  text_->setString(accepted.get());
  NSUInteger length = text_->length();
  proposedSelection.location = std::min(proposedSelection.location, length);
  proposedSelection.length =
      std::min(proposedSelection.length, length - proposedSelection.location);
  selection_ = proposedSelection;
  if (control_) control_->textDidChange(text_);
}

void NSText::insertText(const std::u16string& units) {
  if (units.empty()) return;
  proposeChange(selection_, units);
}

void NSText::deleteBackward() {
  if (selection_.length > 0) {
    proposeChange(selection_, u"");
  } else if (selection_.location > 0) {
    NSUInteger step = stepBefore(selection_.location);
    proposeChange({selection_.location - step, step}, u"");
  }
}

void NSText::deleteForward() {
  if (selection_.length > 0) {
    proposeChange(selection_, u"");
  } else if (selection_.location < text_->length()) {
    proposeChange({selection_.location, stepAfter(selection_.location)}, u"");
  }
}

void NSText::keyDown(NSEvent* event) {
  if (!event || !event->characters()) return;
  // Command-key combinations are key equivalents, not text.
  if (event->modifierFlags() & NSCommandKeyMask) return;
  std::u16string typed;
  auto flush = [&] {
    insertText(typed);
    typed.clear();
  };
  for (char16_t c : event->characters()->units()) {
    NSUInteger length = text_->length();
    switch (c) {
      case NSDeleteCharacter:
      case NSBackspaceCharacter:
        flush();
        deleteBackward();
        break;
      case NSDeleteFunctionKey:
        flush();
        deleteForward();
        break;
      case NSLeftArrowFunctionKey:
        flush();
        if (selection_.length > 0)
          selection_.length = 0;
        else
          selection_.location -= stepBefore(selection_.location);
        break;
      case NSRightArrowFunctionKey:
        flush();
        if (selection_.length > 0)
          selection_ = {selection_.location + selection_.length, 0};
        else
          selection_.location += stepAfter(selection_.location);
        break;
      case NSUpArrowFunctionKey:
        flush();
        selection_ = {0, 0};
        break;
      case NSDownArrowFunctionKey:
        flush();
        selection_ = {length, 0};
        break;
      default:
        // Other control characters and function keys insert nothing.
        if (c < 0x20 || (c >= 0xF700 && c <= 0xF8FF)) {
          flush();
        } else {
          typed.push_back(c);
        }
        break;
    }
  }
  flush();
}
