// MATCHES stops a page's pattern that would take too long, and raises as for
// an expression it cannot evaluate; the testing seam says which limit stopped it.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "Foundation/NSException.h"
#include "Foundation/NSPredicate.h"
#include "tests/support/hostile_patterns.h"

namespace {

// The pattern input6 builds for the flags 1111.
const char kAllClasses[] =
    "(([\\x20-\\x2F\\x3A-\\x40\\x5B-\\x60\\x7B-\\x7E])|([0-9])|([a-z])|([A-Z]))*";

NSString* S(const std::string& utf8) { return NSString::stringWithUTF8String(utf8.c_str()); }

// The reason of the exception the evaluation raises, or "" when it does not.
std::string raisedReason(const std::string& pattern, const std::string& text) {
  NSAutoreleasePool pool;
  try {
    NSPredicate::predicateWithFormat("SELF MATCHES %@", S(pattern))->evaluateWithObject(S(text));
  } catch (const NSException& e) {
    EXPECT_EQ(e.name(), NSInvalidArgumentException);
    return e.reason();
  }
  return "";
}

BOOL matches(const std::string& pattern, const std::string& text) {
  NSAutoreleasePool pool;
  return NSPredicate::predicateWithFormat("SELF MATCHES %@", S(pattern))
      ->evaluateWithObject(S(text));
}

// A text of n characters that the pattern kAllClasses accepts.
std::string mixedText(size_t n) {
  std::string text;
  for (size_t i = 0; i < n; ++i) text.push_back("aZ9!"[i % 4]);
  return text;
}

class PredicateLimits : public hostile::IdleMatcher<::testing::Test> {
 protected:
  void SetUp() override {
    hostile::IdleMatcher<::testing::Test>::SetUp();
    PredicateResetStopsForTesting();
  }
  static long stops(PredicateStop reason) { return PredicateStopsForTesting(reason); }
};

TEST_F(PredicateLimits, BacktrackingStopsAtTheWorkLimit) {
  const std::string text(hostile::kTypedBefore + 1, 'a');
  for (const char* pattern : hostile::kBacktracking) {
    EXPECT_EQ("Can't do regex matching, reason: U_REGEX_TIME_OUT", raisedReason(pattern, text))
        << pattern;
  }
  EXPECT_EQ(static_cast<long>(hostile::kBacktrackingCount), stops(PredicateStop::kWorkLimit));
  EXPECT_EQ(0, stops(PredicateStop::kTimeBudget));
  EXPECT_EQ(0, stops(PredicateStop::kBusy));
  // Right after, ordinary matching answers as before.
  EXPECT_EQ(YES, matches("[a-z]*", text));
  EXPECT_EQ(NO, matches("((a*)*)*b", "A"));
}

TEST_F(PredicateLimits, OrdinaryBacktrackingIsNotCut) {
  EXPECT_EQ(YES, matches("(?=.*[A-Z])(?=.*[a-z])(?=.*[0-9]).{8,20}", "Passw0rdPassw0rd"));
  EXPECT_EQ(NO, matches("(?=.*[A-Z])(?=.*[a-z])(?=.*[0-9]).{8,20}", "passw0rdpassw0rd"));
  EXPECT_EQ(YES, matches(kAllClasses, mixedText(100)));
  EXPECT_EQ(NO, matches(kAllClasses, mixedText(100) + "\xC3\xA9"));
  EXPECT_EQ(YES, matches(kAllClasses, mixedText(4000)));
  EXPECT_EQ(YES, matches("(a|aa)*", std::string(100, 'a')));
  for (PredicateStop reason :
       {PredicateStop::kWorkLimit, PredicateStop::kStackLimit, PredicateStop::kTimeBudget,
        PredicateStop::kBusy, PredicateStop::kPatternTooLong})
    EXPECT_EQ(0, stops(reason));
}

TEST_F(PredicateLimits, DeepBacktrackingStopsAtTheStackLimit) {
  EXPECT_EQ("Can't do regex matching, reason: U_REGEX_STACK_OVERFLOW",
            raisedReason(kAllClasses, mixedText(20000)));
  EXPECT_EQ(1, stops(PredicateStop::kStackLimit));
  EXPECT_EQ(0, stops(PredicateStop::kWorkLimit));
}

// Compiling cannot be stopped by ICU's work limit: the caller is answered once
// the evaluation's time budget is spent, and until the matching thread is
// done with it every other evaluation is refused at once.
TEST_F(PredicateLimits, SlowCompilingGoesOverTheBudget) {
  EXPECT_EQ("Can't do regex matching, reason: U_REGEX_TIME_OUT",
            raisedReason(hostile::slowToCompile(), "a"));
  EXPECT_EQ(1, stops(PredicateStop::kTimeBudget));
  EXPECT_EQ("Can't do regex matching, reason: U_REGEX_TIME_OUT", raisedReason("[a-z]*", "abc"));
  EXPECT_EQ(1, stops(PredicateStop::kBusy));
  ASSERT_TRUE(PredicateWaitUntilIdleForTesting(std::chrono::seconds(10)));
  EXPECT_EQ(YES, matches("[a-z]*", "abc"));
  EXPECT_EQ(0, stops(PredicateStop::kWorkLimit));
}

TEST_F(PredicateLimits, LongPatternIsNotCompiled) {
  const std::string longest(2048, 'a');
  EXPECT_EQ(YES, matches(longest, longest));
  const std::string reason = raisedReason(longest + "a", longest + "a");
  EXPECT_EQ(0u, reason.find("Can't do regex matching, reason: Can't open pattern "
                            "U_REGEX_PATTERN_TOO_BIG"))
      << reason;
  EXPECT_EQ(1, stops(PredicateStop::kPatternTooLong));
  // The length counts UTF-16 units: 2048 characters outside the BMP are too many.
  std::string astral;
  for (int i = 0; i < 1025; ++i) astral += "\xF0\x9F\x98\x80";
  EXPECT_NE("", raisedReason(astral, astral));
  EXPECT_EQ(2, stops(PredicateStop::kPatternTooLong));
}

// Evaluations from several threads take turns and each gets its own answer.
TEST_F(PredicateLimits, ThreadsTakeTurns) {
  std::vector<std::thread> threads;
  std::vector<int> wrong(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &wrong] {
      const std::string text(static_cast<size_t>(t + 1), static_cast<char>('a' + t));
      for (int i = 0; i < 200; ++i) {
        if (matches("[a-z]*", text) != YES) ++wrong[t];
        if (matches("[0-9]+", text) != NO) ++wrong[t];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < 4; ++t) EXPECT_EQ(0, wrong[t]) << t;
  EXPECT_EQ(0, stops(PredicateStop::kBusy));
}

}  // namespace
