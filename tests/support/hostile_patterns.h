// Patterns a hostile page may hand the control: each sends ICU's backtracking
// matcher into far more work than a key stroke may take once the text holds
// kTypedBefore + 1 letters 'a' (the last one for (.*){1,32000}[bc] alone).
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <string>

#include "Foundation/PredicateTesting.h"

namespace hostile {

inline constexpr const char* kBacktracking[] = {
    "((a*)*)*b",
    "(.*.*)*b",
    "(?:(?:a|a?)+)+b",
    "((((a+)+)+)+)+b",
    "(.{0,16}){0,16}(.{0,16}){0,16}z",
    "(.*){1,32000}[bc]",
};
inline constexpr size_t kBacktrackingCount = sizeof(kBacktracking) / sizeof(kBacktracking[0]);

// The one that also stops at ICU's work limit on a single character.
inline constexpr const char* kOnOneCharacter = "(.*){1,32000}[bc]";

// Letters typed before the pattern is set.
inline constexpr size_t kTypedBefore = 16;

// A pattern of nearly the longest length compiled whose compiling alone
// (case-insensitive property classes) takes about 0.75 s of processor time,
// five times the budget of a sanitizer build; ICU's work limit does not cover
// compiling.
inline std::string slowToCompile() {
  std::string pattern;
  while (pattern.size() + 12 <= 2040) pattern += "(?i)[\\p{Cn}]";
  return pattern;
}

// A short name for a parameterised test: the pattern's index.
inline std::string patternName(size_t index) { return "Pattern" + std::to_string(index); }
inline std::string patternParamName(const ::testing::TestParamInfo<size_t>& info) {
  return patternName(info.param);
}

// Sets the matcher's limits for as long as it lives, then puts back the ones
// it found.
class ScopedLimits {
 public:
  explicit ScopedLimits(const PredicateLimits& limits) : saved_(PredicateLimitsForTesting()) {
    PredicateSetLimitsForTesting(limits);
  }
  ~ScopedLimits() { PredicateSetLimitsForTesting(saved_); }
  ScopedLimits(const ScopedLimits&) = delete;
  ScopedLimits& operator=(const ScopedLimits&) = delete;

 private:
  PredicateLimits saved_;
};

// The limits with the processor-time budget and the wait cap out of reach:
// only ICU's own work and stack limits can stop a match, and which of them
// fires depends on the pattern and the text alone, not on the machine.
inline PredicateLimits onlyIcuLimits() {
  PredicateLimits limits = PredicateLimitsForTesting();
  limits.budget = std::chrono::minutes(10);
  limits.waitCap = std::chrono::minutes(10);
  return limits;
}

// The limits with the wait cap out of reach: a pattern whose compiling takes
// far more processor time than the budget (slowToCompile) is then stopped by
// the budget whatever the machine's load.
inline PredicateLimits onlyBudget() {
  PredicateLimits limits = PredicateLimitsForTesting();
  limits.waitCap = std::chrono::minutes(10);
  return limits;
}

// A test fixture that starts and ends with the matching threads idle and the
// matcher knowing no pattern, so that a match given up by one test is not
// still running in the next and no test sees what another taught it.
template <typename Base>
class IdleMatcher : public Base {
 protected:
  void SetUp() override {
    Base::SetUp();
    ASSERT_TRUE(PredicateWaitUntilIdleForTesting(std::chrono::seconds(30)));
    PredicateForgetPatternsForTesting();
    PredicateResetStopsForTesting();
  }
  void TearDown() override {
    PredicateReleaseHeldForTesting();
    EXPECT_TRUE(PredicateWaitUntilIdleForTesting(std::chrono::seconds(30)));
    PredicateForgetPatternsForTesting();
    Base::TearDown();
  }
};

// IdleMatcher with the given limits in force for the whole test.
template <typename Base, PredicateLimits (*Limits)()>
class LimitedMatcher : public IdleMatcher<Base> {
 protected:
  LimitedMatcher() : limits_(Limits()) {}

 private:
  ScopedLimits limits_;
};

// Only ICU's own limits (onlyIcuLimits), or the budget without the wait cap
// (onlyBudget).
template <typename Base>
using OnlyIcuLimits = LimitedMatcher<Base, onlyIcuLimits>;
template <typename Base>
using OnlyBudget = LimitedMatcher<Base, onlyBudget>;

}  // namespace hostile
