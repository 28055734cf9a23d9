#include "Foundation/NSString.h"

#include <gtest/gtest.h>

namespace {

TEST(NSString, CountsUtf16UnitsAndKeepsUtf8) {
  NSAutoreleasePool pool;
  struct Case {
    const char* utf8;
    NSUInteger units;
  } cases[] = {
      {"", 0}, {"abc", 3}, {"\xC3\xA9t\xC3\xA9", 3}, {"\xE4\xB8\xAD", 1}, {"\xF0\x9F\x98\x80", 2}};
  for (const Case& c : cases) {
    NSString* s = NSString::stringWithUTF8String(c.utf8);
    ASSERT_NE(s, nullptr) << c.utf8;
    EXPECT_EQ(s->length(), c.units) << c.utf8;
    EXPECT_STREQ(s->UTF8String(), c.utf8);
  }
}

TEST(NSString, RefusesMalformedUtf8) {
  const char* bad[] = {"\x80", "\xC3", "\xE4\xB8", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80"};
  for (const char* b : bad) EXPECT_EQ(NSString::initWithUTF8String(b), nullptr);
}

TEST(NSString, ReadsMacRomanCStrings) {
  NSString* s = NSString::initWithCString("a\x8E\xA5", 3);
  ASSERT_NE(s, nullptr);
  EXPECT_STREQ(s->UTF8String(), "a\xC3\xA9\xE2\x80\xA2");  // a, e-acute, bullet
  s->release();
}

TEST(NSMutableString, EditsAndInvalidatesItsUtf8Form) {
  NSAutoreleasePool pool;
  NSMutableString* s = NSMutableString::string();
  s->appendString(NSString::stringWithUTF8String("acd"));
  EXPECT_STREQ(s->UTF8String(), "acd");
  s->insertString(NSString::stringWithUTF8String("b"), 1);
  s->deleteCharactersInRange(NSMakeRange(3, 1));
  EXPECT_STREQ(s->UTF8String(), "abc");
  s->replaceCharactersInRange(NSMakeRange(0, 3), NSString::string());
  EXPECT_EQ(s->length(), 0u);
}

TEST(NSObject, PoolsReleaseWhatWasAutoreleased) {
  long before = NSObject::liveObjects();
  {
    NSAutoreleasePool pool;
    NSString* kept = NSRetain(NSString::stringWithFormat("%d-%s", 7, "x"));
    EXPECT_STREQ(kept->UTF8String(), "7-x");
    EXPECT_EQ(kept->retainCount(), 2u);
    pool.drain();
    EXPECT_EQ(kept->retainCount(), 1u);
    kept->release();
  }
  EXPECT_EQ(NSObject::liveObjects(), before);
}

}  // namespace
