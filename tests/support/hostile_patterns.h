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

// A pattern of about 1 KiB whose compiling alone (case-insensitive property
// classes) takes hundreds of milliseconds; ICU's work limit does not cover
// compiling.
inline std::string slowToCompile() {
  std::string pattern;
  while (pattern.size() + 12 <= 1000) pattern += "(?i)[\\p{Cn}]";
  return pattern;
}

// A short name for a parameterised test: the pattern's index.
inline std::string patternName(size_t index) { return "Pattern" + std::to_string(index); }
inline std::string patternParamName(const ::testing::TestParamInfo<size_t>& info) {
  return patternName(info.param);
}

// A test fixture that starts and ends with the matching thread idle, so that
// a match given up by one test is not still running in the next.
template <typename Base>
class IdleMatcher : public Base {
 protected:
  void SetUp() override {
    Base::SetUp();
    ASSERT_TRUE(PredicateWaitUntilIdleForTesting(std::chrono::seconds(10)));
  }
  void TearDown() override {
    EXPECT_TRUE(PredicateWaitUntilIdleForTesting(std::chrono::seconds(10)));
    Base::TearDown();
  }
};

}  // namespace hostile
