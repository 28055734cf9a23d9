#include <gtest/gtest.h>

#include "Foundation/NSException.h"
#include "Foundation/NSPredicate.h"

namespace {

NSString* S(const char* utf8) { return NSString::stringWithUTF8String(utf8); }

TEST(NSPredicate, MatchesTheWholeTextWithIcu) {
  NSAutoreleasePool pool;
  struct Case {
    const char* pattern;
    const char* text;
    bool matches;
  } cases[] = {
      {"[a-z]*", "abc", true},
      {"[a-z]*", "abC", false},
      {"[a-z]", "abc", false},
      {"b", "abc", false},
      {"a.c", "abc", true},
      {"[a-z]*", "", true},
      {"\\p{Lu}+", "\xC3\x89T", true},    // ICU property classes over UTF-16
      {"..", "\xF0\x9F\x98\x80", false},  // one code point, not two units
      {"^[A-Fa-f0-9][A-Fa-f0-9]*$", "00ff", true},
  };
  for (const Case& c : cases) {
    NSPredicate* p = NSPredicate::predicateWithFormat("SELF MATCHES %@", S(c.pattern));
    EXPECT_EQ(p->evaluateWithObject(S(c.text)), c.matches ? YES : NO)
        << c.pattern << " on " << c.text;
  }
}

TEST(NSPredicate, InvalidPatternRaisesAtEvaluation) {
  NSAutoreleasePool pool;
  long before = NSObject::liveObjects();
  {
    NSAutoreleasePool inner;
    NSPredicate* p = NSPredicate::predicateWithFormat("SELF MATCHES %@", S("[a-"));
    EXPECT_THROW(p->evaluateWithObject(S("a")), NSException);
    try {
      p->evaluateWithObject(S("a"));
    } catch (const NSException& e) {
      EXPECT_EQ(e.name(), NSInvalidArgumentException);
    }
  }
  EXPECT_EQ(NSObject::liveObjects(), before);
}

TEST(NSPredicate, RefusesFormatsItDoesNotKnow) {
  NSAutoreleasePool pool;
  EXPECT_THROW(NSPredicate::predicateWithFormat("SELF LIKE %@", S("a")), NSException);
  EXPECT_THROW(NSPredicate::predicateWithFormat("SELF MATCHES", S("a")), NSException);
  EXPECT_NO_THROW(NSPredicate::predicateWithFormat("self  matches %@", S("a")));
}

TEST(NSPredicate, NilPatternOrNonStringDoesNotMatch) {
  NSAutoreleasePool pool;
  EXPECT_EQ(NSPredicate::predicateWithFormat("SELF MATCHES %@", nullptr)->evaluateWithObject(S("")),
            NO);
  NSPredicate* p = NSPredicate::predicateWithFormat("SELF MATCHES %@", S(".*"));
  EXPECT_EQ(p->evaluateWithObject(p), NO);
}

}  // namespace
