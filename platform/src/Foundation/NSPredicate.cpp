#include "Foundation/NSPredicate.h"

#include <unicode/uregex.h>

#include <cctype>
#include <cstdarg>
#include <cstring>
#include <memory>
#include <string>

#include "Foundation/NSException.h"

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

struct RegexCloser {
  void operator()(URegularExpression* re) const { uregex_close(re); }
};

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
  const std::u16string& pattern = pattern_->units();
  UParseError parseError;
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<URegularExpression, RegexCloser> re(
      uregex_open(pattern.data(), static_cast<int32_t>(pattern.size()), 0, &parseError, &status));
  if (U_FAILURE(status))
    NSException::raise(NSInvalidArgumentException,
                       std::string("Can't do regex matching, reason: Can't open pattern ") +
                           u_errorName(status) + " (pattern " + pattern_->UTF8String() + ")");
  const std::u16string& units = text->units();
  uregex_setText(re.get(), units.data(), static_cast<int32_t>(units.size()), &status);
  UBool matched = uregex_matches(re.get(), 0, &status);
  if (U_FAILURE(status))
    NSException::raise(NSInvalidArgumentException,
                       std::string("Can't do regex matching, reason: ") + u_errorName(status));
  return matched ? YES : NO;
}
