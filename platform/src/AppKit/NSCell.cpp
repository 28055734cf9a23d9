#include "AppKit/NSCell.h"

namespace {
// Bits of the flag word this stand-in keeps.
constexpr uint32_t kTextCell = 0x01;
constexpr uint32_t kEnabled = 0x02;
constexpr uint32_t kEditable = 0x04;
constexpr uint32_t kBezeled = 0x08;
constexpr uint32_t kScrollable = 0x100;
constexpr uint32_t kAlignmentShift = 12;
constexpr uint32_t kAlignmentMask = 0x7u << kAlignmentShift;

NSString* copyOf(const NSString* s) { return new NSString(s ? s->units() : std::u16string()); }
}  // namespace

NSCell* NSCell::initTextCell(NSString* string) {
  _cFlags = kTextCell | kEnabled | kScrollable;
  setStringValue(string);
  return this;
}

NSCell::~NSCell() {
  NSRelease(objectValue_);
  NSRelease(formatter_);
}

NSString* NSCell::stringValue() const {
  NSString* shown = nullptr;
  if (formatter_ && objectValue_) shown = formatter_->stringForObjectValue(objectValue_);
  if (!shown) shown = dynamic_cast<NSString*>(objectValue_);
  return NSAutorelease(copyOf(shown));
}

void NSCell::setStringValue(NSString* string) {
  // The formatter turns the text into the object value; without one the text
  // is the value.
  // The cell keeps its own copy: the caller's string may be an editor's
  // mutable text.
  NSString* text = copyOf(string);
  NSObject* value = nullptr;
  if (formatter_) {
    NSObject* converted = nullptr;
    NSString* error = nullptr;
    if (formatter_->getObjectValue(&converted, text, &error)) value = NSRetain(converted);
  }
  if (!value) value = NSRetain(text);
  text->release();
  NSRelease(objectValue_);
  objectValue_ = value;
}

void NSCell::setFormatter(NSFormatter* formatter) {
  NSRetain(formatter);
  NSRelease(formatter_);
  formatter_ = formatter;
}

NSTextAlignment NSCell::alignment() const { return (_cFlags & kAlignmentMask) >> kAlignmentShift; }

void NSCell::setAlignment(NSTextAlignment alignment) {
  _cFlags = (_cFlags & ~kAlignmentMask) |
            ((static_cast<uint32_t>(alignment) << kAlignmentShift) & kAlignmentMask);
}

BOOL NSCell::isEditable() const { return (_cFlags & kEditable) ? YES : NO; }
void NSCell::setEditable(BOOL flag) {
  _cFlags = flag ? (_cFlags | kEditable) : (_cFlags & ~kEditable);
}
BOOL NSCell::isBezeled() const { return (_cFlags & kBezeled) ? YES : NO; }
void NSCell::setBezeled(BOOL flag) {
  _cFlags = flag ? (_cFlags | kBezeled) : (_cFlags & ~kBezeled);
}
