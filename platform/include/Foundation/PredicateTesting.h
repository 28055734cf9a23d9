// Test seam of the predicate stand-in: how many evaluations of MATCHES were
// stopped, and why; the limits that stop them; and a way to hold a pattern's
// evaluation on its matching thread, so a test decides which limit fires
// first instead of the machine's speed. Every stopped evaluation raises
// NSInvalidArgumentException as an expression that cannot be evaluated does;
// the counts tell the cases apart.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

enum class PredicateStop {
  kWorkLimit,       // ICU's work limit (U_REGEX_TIME_OUT)
  kStackLimit,      // ICU's backtracking stack limit (U_REGEX_STACK_OVERFLOW)
  kTimeBudget,      // the evaluation's processor-time budget (or the wait cap) ran out
  kBusy,            // refused: the most threads were stopping, and the pattern was new
  kPatternTooLong,  // the pattern was too long to be compiled
  kKnownSlow,       // answered at once: the pattern's compiling went over its budget
                    // before, or an evaluation of it given up on is still being stopped
};

// Evaluations stopped for that reason since the last reset.
long PredicateStopsForTesting(PredicateStop reason);
// Sets every count, and the longest evaluation, to zero.
void PredicateResetStopsForTesting();
// Processor time of the longest evaluation that finished since the last
// reset (on its matching thread, compiling included): for measurements.
std::chrono::nanoseconds PredicateLongestEvaluationForTesting();
// Waits until no matching thread has an evaluation, also one that went over
// its budget; false when that takes longer than timeout.
bool PredicateWaitUntilIdleForTesting(std::chrono::milliseconds timeout);

// The limits every evaluation runs under.
struct PredicateLimits {
  int32_t workLimit;                 // ICU's units of 10,000 backtracking steps
  int32_t stackLimit;                // bytes of ICU's backtracking stack
  std::chrono::nanoseconds budget;   // processor time of the matching thread
  std::chrono::nanoseconds waitCap;  // real time the caller waits at most
};
PredicateLimits PredicateLimitsForTesting();
// Applies to evaluations that start after the call.
void PredicateSetLimitsForTesting(const PredicateLimits& limits);

// Evaluations of exactly this pattern (UTF-8) wait on their matching thread,
// before compiling, until PredicateReleaseHeldForTesting. Their callers give
// up at once: as for a pattern whose evaluation used its whole budget
// (kOverBudget), kept as slow for good; or as for one given up on once the
// budget has passed in real time on a busy machine (kOnABusyMachine), judged
// when its thread has finished by the processor time its compiling took.
enum class PredicateHold { kOverBudget, kOnABusyMachine };
void PredicateHoldPatternForTesting(const std::string& pattern,
                                    PredicateHold how = PredicateHold::kOverBudget);
void PredicateReleaseHeldForTesting();

// Forgets which patterns compiled within their budget and which went over it.
void PredicateForgetPatternsForTesting();

// Matching threads the process has, and how many of them are stopping an
// evaluation whose caller gave up on it.
size_t PredicateThreadsForTesting();
size_t PredicateStoppingForTesting();
