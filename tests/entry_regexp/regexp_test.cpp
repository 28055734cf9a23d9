#include <gtest/gtest.h>

#include "Foundation/NSException.h"
#include "entry/RegExpExtensions.h"

namespace {

NSString* S(const char* utf8) { return NSString::stringWithUTF8String(utf8); }

TEST(RegExpExtensions, TestsTheWholeReceiver) {
  NSAutoreleasePool pool;
  struct Case {
    const char* text;
    const char* pattern;
    bool matches;
  } cases[] = {
      {"abc", "[a-z]*", true}, {"abcD", "[a-z]*", false}, {"a", "[a-z]", true},
      {"ab", "[a-z]", false},  {"", "[a-z]*", true},      {"", "[a-z]+", false},
      {"x1", "[0-9]", false},  {"1", "[0-9]", true},      {"A1b", "[A-Za-z0-9]+", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(doesMatchRegStringExp(S(c.text), S(c.pattern)), c.matches ? YES : NO)
        << c.text << " ~ " << c.pattern;
}

TEST(RegExpExtensions, InvalidPatternRaisesAndReleasesEverything) {
  long before = NSObject::liveObjects();
  {
    NSAutoreleasePool pool;
    const char* bad[] = {"[a-", "(", "*a", "a{2,1}"};
    for (const char* b : bad) EXPECT_THROW(doesMatchRegStringExp(S("a"), S(b)), NSException) << b;
  }
  EXPECT_EQ(NSObject::liveObjects(), before);
}

TEST(RegExpExtensions, NilGivesNo) {
  NSAutoreleasePool pool;
  EXPECT_EQ(doesMatchRegStringExp(nullptr, S(".*")), NO);
  EXPECT_EQ(doesMatchRegStringExp(S(""), nullptr), NO);
}

}  // namespace
