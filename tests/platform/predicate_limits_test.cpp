// MATCHES stops a page's pattern that would take too long, and raises as for
// an expression it cannot evaluate; the testing seam says which limit stopped it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

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
  static long stops(PredicateStop reason) { return PredicateStopsForTesting(reason); }
};

// Cases an idle machine answers: checked while other patterns are being
// stopped, they must come out the same.
struct Ordinary {
  const char* pattern;
  const char* text;
  BOOL matches;
};
constexpr Ordinary kOrdinary[] = {
    {"[a-z]*", "abc", YES},      {"[0-9]{6}", "abcdef", NO},
    {"[0-9]{6}", "123456", YES}, {"^[A-Fa-f0-9][A-Fa-f0-9]*$", "00ff", YES},
    {kAllClasses, "aZ9!", YES},  {kAllClasses, "caf\xC3\xA9", NO},
};

void expectOrdinaryAnswers() {
  for (const Ordinary& o : kOrdinary)
    EXPECT_EQ(o.matches, matches(o.pattern, o.text)) << o.pattern << " on " << o.text;
}

TEST_F(PredicateLimits, BacktrackingStopsAtTheWorkLimit) {
  hostile::ScopedLimits only(hostile::onlyIcuLimits());
  const std::string text(hostile::kTypedBefore + 1, 'a');
  for (const char* pattern : hostile::kBacktracking) {
    EXPECT_EQ("Can't do regex matching, reason: U_REGEX_TIME_OUT", raisedReason(pattern, text))
        << pattern;
  }
  EXPECT_EQ(static_cast<long>(hostile::kBacktrackingCount), stops(PredicateStop::kWorkLimit));
  EXPECT_EQ(0, stops(PredicateStop::kTimeBudget));
  EXPECT_EQ(0, stops(PredicateStop::kBusy));
  // A stop at the work limit is not held against the pattern: on a text it
  // can finish it answers, and ordinary matching answers as before.
  EXPECT_EQ(NO, matches("((a*)*)*b", "A"));
  EXPECT_EQ(YES, matches("[a-z]*", text));
  EXPECT_EQ(0, stops(PredicateStop::kKnownSlow));
}

// ICU's limits leave room for ordinary backtracking (the processor-time
// budget is out of reach here: its margin depends on the machine).
TEST_F(PredicateLimits, OrdinaryBacktrackingIsNotCut) {
  hostile::ScopedLimits only(hostile::onlyIcuLimits());
  EXPECT_EQ(YES, matches("(?=.*[A-Z])(?=.*[a-z])(?=.*[0-9]).{8,20}", "Passw0rdPassw0rd"));
  EXPECT_EQ(NO, matches("(?=.*[A-Z])(?=.*[a-z])(?=.*[0-9]).{8,20}", "passw0rdpassw0rd"));
  EXPECT_EQ(YES, matches(kAllClasses, mixedText(100)));
  EXPECT_EQ(NO, matches(kAllClasses, mixedText(100) + "\xC3\xA9"));
  EXPECT_EQ(YES, matches(kAllClasses, mixedText(4000)));
  EXPECT_EQ(YES, matches("(a|aa)*", std::string(100, 'a')));
  for (PredicateStop reason :
       {PredicateStop::kWorkLimit, PredicateStop::kStackLimit, PredicateStop::kTimeBudget,
        PredicateStop::kBusy, PredicateStop::kPatternTooLong, PredicateStop::kKnownSlow})
    EXPECT_EQ(0, stops(reason));
}

TEST_F(PredicateLimits, DeepBacktrackingStopsAtTheStackLimit) {
  hostile::ScopedLimits only(hostile::onlyIcuLimits());
  EXPECT_EQ("Can't do regex matching, reason: U_REGEX_STACK_OVERFLOW",
            raisedReason(kAllClasses, mixedText(20000)));
  EXPECT_EQ(1, stops(PredicateStop::kStackLimit));
  EXPECT_EQ(0, stops(PredicateStop::kWorkLimit));
  EXPECT_EQ(YES, matches(kAllClasses, mixedText(100)));
}

// Compiling cannot be stopped by ICU's work limit: the caller is answered once
// the evaluation's time budget is spent. Other patterns are answered as on an
// idle machine, and the same pattern again is answered at once.
TEST_F(PredicateLimits, SlowCompilingGoesOverTheBudget) {
  hostile::ScopedLimits only(hostile::onlyBudget());
  EXPECT_EQ("Can't do regex matching, reason: U_REGEX_TIME_OUT",
            raisedReason(hostile::slowToCompile(), "a"));
  EXPECT_EQ(1, stops(PredicateStop::kTimeBudget));
  expectOrdinaryAnswers();
  for (int i = 0; i < 20; ++i)
    EXPECT_EQ("Can't do regex matching, reason: U_REGEX_TIME_OUT",
              raisedReason(hostile::slowToCompile(), "a"));
  EXPECT_EQ(20, stops(PredicateStop::kKnownSlow));
  EXPECT_EQ(1, stops(PredicateStop::kTimeBudget));
  EXPECT_EQ(0, stops(PredicateStop::kBusy));
  EXPECT_EQ(0, stops(PredicateStop::kWorkLimit));
  // Its compiling, finished at last, took more than the budget: still slow.
  ASSERT_TRUE(PredicateWaitUntilIdleForTesting(std::chrono::seconds(30)));
  EXPECT_NE("", raisedReason(hostile::slowToCompile(), "a"));
  EXPECT_EQ(21, stops(PredicateStop::kKnownSlow));
}

// A match that used up the budget on one text says nothing of the pattern:
// once its thread has stopped it, the pattern is evaluated again. (ICU's work
// limit is off and the wait cap out of reach: only the budget can stop it.)
TEST_F(PredicateLimits, SlowMatchIsNoVerdictOnThePattern) {
  ::PredicateLimits limits = hostile::onlyBudget();
  limits.workLimit = 0;
  hostile::ScopedLimits only(limits);
  const std::string pattern = "((a*)*)*b";
  EXPECT_EQ(YES, matches(pattern, "aab"));  // compiled and kept: no compiling below
  EXPECT_EQ("Can't do regex matching, reason: U_REGEX_TIME_OUT",
            raisedReason(pattern, std::string(40, 'a')));
  EXPECT_EQ(1, stops(PredicateStop::kTimeBudget));
  EXPECT_EQ(0, stops(PredicateStop::kWorkLimit));
  ASSERT_TRUE(PredicateWaitUntilIdleForTesting(std::chrono::seconds(30)));
  EXPECT_EQ(YES, matches(pattern, "aab"));
  EXPECT_EQ(NO, matches(pattern, "aa"));
  EXPECT_EQ(0, stops(PredicateStop::kKnownSlow));
}

// An evaluation given up because the budget passed in real time on a busy
// machine marks its pattern as slow only until its thread has finished:
// compiled within the budget after all, the pattern is evaluated again.
TEST_F(PredicateLimits, BusyMachineMarksNoPatternSlow) {
  const std::string pattern = "[p-r]+";
  PredicateHoldPatternForTesting(pattern, PredicateHold::kOnABusyMachine);
  EXPECT_NE("", raisedReason(pattern, "pq"));
  EXPECT_EQ(1, stops(PredicateStop::kTimeBudget));
  for (int i = 0; i < 10; ++i) {
    EXPECT_NE("", raisedReason(pattern, "pq"));  // still being stopped: not again
    expectOrdinaryAnswers();
  }
  EXPECT_EQ(10, stops(PredicateStop::kKnownSlow));
  EXPECT_EQ(1u, PredicateStoppingForTesting());

  PredicateReleaseHeldForTesting();
  ASSERT_TRUE(PredicateWaitUntilIdleForTesting(std::chrono::seconds(30)));
  EXPECT_EQ(YES, matches(pattern, "pq"));
  EXPECT_EQ(NO, matches(pattern, "ps"));
  EXPECT_EQ(10, stops(PredicateStop::kKnownSlow));
  EXPECT_EQ(1, stops(PredicateStop::kTimeBudget));
}

// While a pattern's evaluation is being stopped (held on its thread here, so
// that it stays so for as long as the test needs), every other evaluation is
// answered as on an idle machine, however often the pattern comes again.
TEST_F(PredicateLimits, StoppingHarmsOnlyItsOwnPattern) {
  const std::string hostilePattern = "(x+x+)+y";
  PredicateHoldPatternForTesting(hostilePattern);
  EXPECT_NE("", raisedReason(hostilePattern, "xxxx"));
  EXPECT_EQ(1, stops(PredicateStop::kTimeBudget));
  EXPECT_EQ(1u, PredicateStoppingForTesting());
  for (int i = 0; i < 50; ++i) {
    EXPECT_NE("", raisedReason(hostilePattern, "xy"));
    expectOrdinaryAnswers();
  }
  EXPECT_EQ(50, stops(PredicateStop::kKnownSlow));
  EXPECT_EQ(1, stops(PredicateStop::kTimeBudget));
  EXPECT_EQ(0, stops(PredicateStop::kBusy));
  EXPECT_LE(PredicateThreadsForTesting(), 2u);

  PredicateReleaseHeldForTesting();
  ASSERT_TRUE(PredicateWaitUntilIdleForTesting(std::chrono::seconds(30)));
  EXPECT_EQ(0u, PredicateStoppingForTesting());
  EXPECT_NE("", raisedReason(hostilePattern, "xy"));  // still known to go over
  expectOrdinaryAnswers();
}

// At most kMaxStopping threads stop evaluations at once. Past that, a pattern
// that compiled before is still evaluated; a new one is refused until a
// thread is free again.
TEST_F(PredicateLimits, StoppingThreadsAreBounded) {
  expectOrdinaryAnswers();  // these patterns are now known to compile in time
  std::vector<std::string> held;
  for (int i = 0; i < 4; ++i) held.push_back("(x+x+)+y" + std::string(i + 1, 'z'));
  for (const std::string& p : held) PredicateHoldPatternForTesting(p);
  for (const std::string& p : held) EXPECT_NE("", raisedReason(p, "xx"));
  EXPECT_EQ(4u, PredicateStoppingForTesting());
  EXPECT_EQ(4, stops(PredicateStop::kTimeBudget));

  expectOrdinaryAnswers();
  EXPECT_EQ(0, stops(PredicateStop::kBusy));
  EXPECT_NE("", raisedReason("[q]+", "qq"));
  EXPECT_EQ(1, stops(PredicateStop::kBusy));

  PredicateReleaseHeldForTesting();
  ASSERT_TRUE(PredicateWaitUntilIdleForTesting(std::chrono::seconds(30)));
  EXPECT_EQ(YES, matches("[q]+", "qq"));
  EXPECT_LE(PredicateThreadsForTesting(), 8u);
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

// Evaluations from several threads each get their own answer.
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

// A child made by fork() has none of its parent's threads: it starts its own
// and answers as the parent does, also while the parent has an evaluation
// being stopped.
TEST_F(PredicateLimits, ChildOfForkEvaluates) {
  expectOrdinaryAnswers();
  const std::string hostilePattern = "(x+x+)+y";
  PredicateHoldPatternForTesting(hostilePattern);
  EXPECT_NE("", raisedReason(hostilePattern, "xx"));
  const pid_t child = fork();
  ASSERT_NE(-1, child);
  if (child == 0) {
    int failures = 0;
    for (const Ordinary& o : kOrdinary)
      if (matches(o.pattern, o.text) != o.matches) ++failures;
    if (matches("[k-m]+", "klm") != YES) ++failures;  // a new pattern, compiled here
    if (raisedReason(hostilePattern, "xx").empty()) ++failures;
    {
      hostile::ScopedLimits only(hostile::onlyIcuLimits());
      if (raisedReason("((a*)*)*b", std::string(17, 'a')).empty()) ++failures;
    }
    if (PredicateStopsForTesting(PredicateStop::kWorkLimit) != 1) ++failures;
    _exit(failures);
  }
  int status = 0;
  ASSERT_EQ(child, waitpid(child, &status, 0));
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(0, WEXITSTATUS(status));
  expectOrdinaryAnswers();
}

}  // namespace
