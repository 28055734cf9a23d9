// Patterns a hostile page may hand the control: each sends ICU's backtracking
// matcher into far more work than a key stroke may take once the text holds
// kTypedBefore + 1 letters 'a' (the last one for (.*){1,32000}[bc] alone).
#pragma once

#include <cstddef>
#include <string>

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

}  // namespace hostile
