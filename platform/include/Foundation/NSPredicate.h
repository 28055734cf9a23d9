// Predicates, as far as the system uses them: "SELF MATCHES %@", the whole
// evaluated string against an ICU regular expression.
#pragma once

#include "Foundation/NSString.h"

class __attribute__((visibility("default"))) NSPredicate : public NSObject {
 public:
  // Autoreleased. Each %@ in the format takes one NSString* argument. Raises
  // NSInvalidArgumentException for a format it cannot parse.
  static NSPredicate* predicateWithFormat(const char* format, ...);

  // YES when the object (an NSString) matches. MATCHES compiles the pattern at
  // evaluation (or reuses its compiled form) and raises
  // NSInvalidArgumentException when ICU refuses it, and also when the match
  // goes over its work, stack or time limits or the pattern went over its
  // time limit before (a page's pattern must not hold up the caller, nor any
  // other pattern's evaluation); a nil pattern or an object that is not a
  // string does not match.
  BOOL evaluateWithObject(const NSObject* object) const;

 protected:
  ~NSPredicate() override;

 private:
  NSPredicate() = default;
  NSString* pattern_ = nullptr;  // owned
};
