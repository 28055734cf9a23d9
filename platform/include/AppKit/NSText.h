// Text views and the field editor. A window keeps one field editor and lends it
// to the text field being edited; it edits a single line the way AppKit does
// for a secure field and asks the field's formatter before every change.
#pragma once

#include "AppKit/NSView.h"

class NSControl;

class __attribute__((visibility("default"))) NSText : public NSView {
 public:
  // The text; owned by the editor, valid until the next change.
  NSString* string() const { return text_; }
  void setString(NSString* string);  // selection goes to the end
  NSRange selectedRange() const { return selection_; }
  // Raises NSRangeException for a range that leaves the text.
  void setSelectedRange(NSRange range);
  BOOL isFieldEditor() const { return fieldEditor_; }
  void setFieldEditor(BOOL flag) { fieldEditor_ = flag; }

  BOOL acceptsFirstResponder() override { return YES; }
  BOOL resignFirstResponder() override;
  void keyDown(NSEvent* event) override;

  // Editing sessions, driven by the text field: begin with the control's text,
  // all selected; end hands the text back and empties the editor.
  void beginEditingFor(NSControl* control);
  void endEditing();
  NSControl* editedControl() const { return control_; }

 protected:
  NSText();
  ~NSText() override;

 private:
  void insertText(const std::u16string& units);
  void deleteBackward();
  void deleteForward();
  // Replaces range with units when the formatter agrees.
  void proposeChange(NSRange range, const std::u16string& units);
  // UTF-16 units of the character before / after index (0 at the ends).
  NSUInteger stepBefore(NSUInteger index) const;
  NSUInteger stepAfter(NSUInteger index) const;

  NSMutableString* text_;  // owned
  NSRange selection_ = {0, 0};
  BOOL fieldEditor_ = NO;
  NSControl* control_ = nullptr;  // not retained
};

class __attribute__((visibility("default"))) NSTextView : public NSText {
 public:
  NSTextView() = default;

 protected:
  ~NSTextView() override = default;
};
