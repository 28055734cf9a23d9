#include "Foundation/NSPredicate.h"

#include <unicode/utypes.h>

#include <cctype>
#include <cstdarg>
#include <string>

#include "Foundation/NSException.h"
#include "bounded_match.h"

namespace {

// Splits the format into words; answers true for exactly SELF MATCHES %@
// (keywords in any letter case, any spacing).
bool isSelfMatches(const char* format) {
  std::string words[4];
  int count = 0;
  for (const char* p = format; *p;) {
    if (std::isspace(static_cast<unsigned char>(*p))) {
      ++p;
      continue;
    }
    if (count == 3) return false;
    while (*p && !std::isspace(static_cast<unsigned char>(*p)))
      words[count].push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(*p++))));
    ++count;
  }
  return count == 3 && words[0] == "SELF" && words[1] == "MATCHES" && words[2] == "%@";
}

}  // namespace

NSPredicate* NSPredicate::predicateWithFormat(const char* format, ...) {
  if (!format || !isSelfMatches(format))
    NSException::raise(
        NSInvalidArgumentException,
        std::string("Unable to parse the format string \"") + (format ? format : "(null)") + "\"");
  va_list args;
  va_start(args, format);
  NSString* pattern = va_arg(args, NSString*);
  va_end(args);
  auto* predicate = new NSPredicate();
  predicate->pattern_ = NSRetain(pattern);
  return NSAutorelease(predicate);
}

NSPredicate::~NSPredicate() { NSRelease(pattern_); }

BOOL NSPredicate::evaluateWithObject(const NSObject* object) const {
  const auto* text = dynamic_cast<const NSString*>(object);
  if (!text || !pattern_) return NO;
  const bounded_match::Result result =
      bounded_match::matchWholeText(pattern_->units(), text->units());
  switch (result.kind) {
    case bounded_match::Result::kMatch:
      return YES;
    case bounded_match::Result::kNoMatch:
      return NO;
    case bounded_match::Result::kOpenFailed:
      NSException::raise(NSInvalidArgumentException,
                         std::string("Can't do regex matching, reason: Can't open pattern ") +
                             u_errorName(result.status) + " (pattern " + pattern_->UTF8String() +
                             ")");
    case bounded_match::Result::kMatchFailed:
      break;
  }
  NSException::raise(NSInvalidArgumentException,
                     std::string("Can't do regex matching, reason: ") + u_errorName(result.status));
}
