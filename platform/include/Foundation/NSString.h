// Immutable and mutable strings, held as UTF-16 units as Foundation holds them.
//
// length() counts UTF-16 units. UTF8String() returns the UTF-8 form, valid
// while the string lives and is not changed. Factory functions named
// string... return autoreleased objects; init... constructors return one owned
// reference (use `new` and release()).
#pragma once

#include <cstddef>
#include <string>

#include "Foundation/NSObject.h"

typedef unsigned long NSUInteger;
typedef long NSInteger;
typedef signed char BOOL;
#define YES ((BOOL)1)
#define NO ((BOOL)0)

struct NSRange {
  NSUInteger location;
  NSUInteger length;
};
inline NSRange NSMakeRange(NSUInteger location, NSUInteger length) { return {location, length}; }

typedef NSUInteger NSStringEncoding;
enum : NSStringEncoding {
  NSASCIIStringEncoding = 1,
  NSUTF8StringEncoding = 4,
  NSISOLatin1StringEncoding = 5,
  NSMacOSRomanStringEncoding = 30,
};

class NSString : public NSObject {
 public:
  NSString() = default;
  explicit NSString(std::u16string units) : units_(std::move(units)) {}

  // Returns nullptr (and makes nothing) for bytes that are not valid UTF-8.
  static NSString* initWithUTF8String(const char* text);
  // Bytes in the system's default C-string encoding (Mac Roman here).
  static NSString* initWithCString(const char* bytes, NSUInteger length);
  // Returns nullptr for bytes that are not valid in the encoding.
  static NSString* initWithBytes(const void* bytes, NSUInteger length, NSStringEncoding encoding);

  static NSString* string();                                // autoreleased, empty
  static NSString* stringWithUTF8String(const char* text);  // autoreleased; nullptr if invalid
  static NSString* stringWithFormat(const char* format, ...)
      __attribute__((format(printf, 1, 2)));  // autoreleased; printf conventions

  NSUInteger length() const { return units_.size(); }
  char16_t characterAtIndex(NSUInteger index) const { return units_.at(index); }
  const char* UTF8String() const;
  NSUInteger lengthOfBytesUsingEncoding(NSStringEncoding encoding) const;
  bool isEqualToString(const NSString* other) const;

  NSString* substringToIndex(NSUInteger index) const;    // autoreleased
  NSString* substringFromIndex(NSUInteger index) const;  // autoreleased
  NSString* substringWithRange(NSRange range) const;     // autoreleased

  const std::u16string& units() const { return units_; }

 protected:
  std::u16string units_;
  mutable std::string utf8_;
  mutable bool utf8Valid_ = false;
};

class NSMutableString : public NSString {
 public:
  NSMutableString() = default;
  explicit NSMutableString(std::u16string units) : NSString(std::move(units)) {}
  static NSMutableString* string();  // autoreleased, empty

  void setString(const NSString* other);
  void appendString(const NSString* other);
  void insertString(const NSString* other, NSUInteger index);
  void deleteCharactersInRange(NSRange range);
  void replaceCharactersInRange(NSRange range, const NSString* other);

 private:
  void changed() { utf8Valid_ = false; }
};

// UTF-8 <-> UTF-16 conversions used by the string classes. fromUTF8 answers
// false for malformed input.
bool NSConvertFromUTF8(const char* bytes, size_t length, std::u16string* out);
std::string NSConvertToUTF8(const std::u16string& units);
