// Whole-text matching of an ICU regular expression with bounded work, behind
// the predicate's MATCHES. Every evaluation runs on one matching thread of the
// process under three limits:
//   - ICU's work limit (its time limit, counted in units of 10,000
//     backtracking steps) and ICU's backtracking stack limit;
//   - a processor-time budget per evaluation, since ICU looks at its work
//     limit only every 10,000 backtracking steps and never while compiling:
//     past the budget the caller is answered at once and the thread stops the
//     match at ICU's next check (compiling cannot be stopped, so a pattern
//     longer than kLongestPattern is not compiled at all);
//   - while an evaluation that went over its budget is still being stopped,
//     further evaluations are refused at once.
// Evaluations from several threads take turns.
#pragma once

#include <unicode/utypes.h>

#include <cstddef>
#include <string>

namespace bounded_match {

// Longest pattern compiled, in UTF-16 units.
constexpr size_t kLongestPattern = 2048;

struct Result {
  enum Kind {
    kMatch,
    kNoMatch,
    kOpenFailed,   // the pattern was not compiled: status says why
    kMatchFailed,  // the match did not finish: status says why
  } kind;
  UErrorCode status;
};

// Whether the whole text matches the pattern. A match stopped by a limit gives
// kMatchFailed with U_REGEX_TIME_OUT (work limit, budget, refused while busy)
// or U_REGEX_STACK_OVERFLOW; a pattern longer than kLongestPattern gives
// kOpenFailed with U_REGEX_PATTERN_TOO_BIG. The thread's copy of the text is
// wiped when the evaluation ends.
Result matchWholeText(const std::u16string& pattern, const std::u16string& text);

}  // namespace bounded_match
