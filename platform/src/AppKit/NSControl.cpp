#include "AppKit/NSControl.h"

#include "AppKit/NSSecureTextField.h"
#include "AppKit/NSText.h"
#include "AppKit/NSTextField.h"
#include "AppKit/NSWindow.h"

NSView* NSControl::initWithFrame(NSRect frame) {
  NSView::initWithFrame(frame);
  NSCell* cell = makeCell();
  if (cell) {
    setCell(cell);
    cell->release();
  }
  return this;
}

NSCell* NSControl::makeCell() { return nullptr; }

NSControl::~NSControl() {
  if (editor_) editor_->endEditing();
  if (cell_) cell_->setControlView(nullptr);
  NSRelease(cell_);
}

void NSControl::setCell(NSCell* cell) {
  NSRetain(cell);
  if (cell_) cell_->setControlView(nullptr);
  NSRelease(cell_);
  cell_ = cell;
  if (cell_) cell_->setControlView(this);
}

NSString* NSControl::stringValue() const {
  if (editor_) return NSAutorelease(new NSString(editor_->string()->units()));
  return cell_ ? cell_->stringValue() : NSString::string();
}

void NSControl::setStringValue(NSString* string) {
  if (cell_) cell_->setStringValue(string);
  if (editor_) editor_->setString(string);
}

NSFormatter* NSControl::formatter() const { return cell_ ? cell_->formatter() : nullptr; }
void NSControl::setFormatter(NSFormatter* formatter) {
  if (cell_) cell_->setFormatter(formatter);
}
NSTextAlignment NSControl::alignment() const {
  return cell_ ? cell_->alignment() : NSNaturalTextAlignment;
}
void NSControl::setAlignment(NSTextAlignment alignment) {
  if (cell_) cell_->setAlignment(alignment);
}

void NSControl::textDidChange(NSString* text) {
  if (cell_) cell_->setStringValue(text);
}

void NSControl::editingEnded(NSString* text) {
  if (cell_) cell_->setStringValue(text);
  editor_ = nullptr;
}

// Text fields.

BOOL NSTextField::isEditable() const { return cell() && cell()->isEditable(); }
void NSTextField::setEditable(BOOL flag) {
  if (cell()) cell()->setEditable(flag);
}
BOOL NSTextField::isBezeled() const { return cell() && cell()->isBezeled(); }
void NSTextField::setBezeled(BOOL flag) {
  if (cell()) cell()->setBezeled(flag);
}

namespace {
template <typename Cell>
NSCell* makeEmptyTextCell() {
  // No memory for the cell's text: nothing made is kept.
  NSOwned<NSString> empty(new NSString());
  NSOwned<NSCell> cell(new Cell());
  cell->initTextCell(empty.get());
  return cell.take();
}
}  // namespace

NSCell* NSTextField::makeCell() { return makeEmptyTextCell<NSTextFieldCell>(); }

BOOL NSTextField::becomeFirstResponder() {
  NSWindow* w = window();
  if (!w || !isEditable()) return NO;
  NSText* editor = w->fieldEditor(YES, this);
  if (!editor) return NO;
  editor->beginEditingFor(this);
  return w->makeFirstResponder(editor);
}

NSCell* NSSecureTextField::makeCell() { return makeEmptyTextCell<NSSecureTextFieldCell>(); }
