// Whole-text matching of an ICU regular expression with bounded work, behind
// the predicate's MATCHES. Every evaluation runs on a matching thread of the
// process under these limits:
//   - ICU's work limit (its time limit, counted in units of 10,000
//     backtracking steps) and ICU's backtracking stack limit;
//   - a processor-time budget per evaluation, since ICU looks at its work
//     limit only every 10,000 backtracking steps and never while compiling:
//     past the budget the caller is answered at once and the thread stops the
//     match at ICU's next check (compiling cannot be stopped, so a pattern
//     longer than kLongestPattern is not compiled at all); on a busy machine
//     an evaluation that has used half its budget once the whole budget has
//     passed in real time is given up too.
// A pattern harms only its own evaluations:
//   - a thread still stopping an evaluation that went over its budget takes
//     no new one; the next evaluation gets another thread, with at most
//     kMaxStopping threads stopping at once;
//   - a pattern given up on is answered at once, without being compiled
//     again, while its thread stops it, and for good if its compiling alone
//     took the whole budget (a slow text or a busy machine says nothing of
//     the pattern);
//   - a pattern that compiled within its budget is kept compiled, so its
//     later evaluations compile nothing; while kMaxStopping threads are
//     stopping, only such patterns are evaluated and any other is refused.
// ICU's one-time set-up runs before the first evaluation's budget starts.
// Evaluations from several threads run side by side. A child process made by
// fork() starts its own matching threads on first use.
#pragma once

#include <unicode/utypes.h>

#include <cstddef>
#include <string>

namespace bounded_match {

// Longest pattern compiled, in UTF-16 units.
constexpr size_t kLongestPattern = 2048;
// Threads that may be stopping an evaluation that went over its budget.
constexpr size_t kMaxStopping = 4;

struct Result {
  enum Kind {
    kMatch,
    kNoMatch,
    kOpenFailed,   // the pattern was not compiled: status says why
    kMatchFailed,  // the match did not finish: status says why
  } kind;
  UErrorCode status;
};

// Whether the whole text matches the pattern. A match stopped by a limit or
// refused gives kMatchFailed with U_REGEX_TIME_OUT (work limit, budget, a
// pattern given up on as above, refused while kMaxStopping threads are
// stopping) or U_REGEX_STACK_OVERFLOW; a pattern longer than kLongestPattern
// gives kOpenFailed with U_REGEX_PATTERN_TOO_BIG. The thread's copy of the
// text is wiped when the evaluation ends.
Result matchWholeText(const std::u16string& pattern, const std::u16string& text);

}  // namespace bounded_match
