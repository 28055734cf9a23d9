// Controls: a view that shows and edits its cell's value.
#pragma once

#include "AppKit/NSCell.h"
#include "AppKit/NSView.h"

class NSText;

class __attribute__((visibility("default"))) NSControl : public NSView {
 public:
  NSView* initWithFrame(NSRect frame) override;  // installs makeCell()

  NSCell* cell() const { return cell_; }
  void setCell(NSCell* cell);  // retained; the old cell is released

  // Autoreleased; the text being edited while the field editor holds it.
  NSString* stringValue() const;
  // Also replaces the text of an editing session, without the formatter.
  void setStringValue(NSString* string);
  NSFormatter* formatter() const;
  void setFormatter(NSFormatter* formatter);
  NSTextAlignment alignment() const;
  void setAlignment(NSTextAlignment alignment);

  // The field editor while this control is being edited, else nil.
  NSText* currentEditor() const { return editor_; }
  // Called by the field editor.
  void editingBegan(NSText* editor) { editor_ = editor; }
  void textDidChange(NSString* text);
  void editingEnded(NSString* text);

 protected:
  ~NSControl() override;
  virtual NSCell* makeCell();

 private:
  NSCell* cell_ = nullptr;    // owned
  NSText* editor_ = nullptr;  // not retained
};
