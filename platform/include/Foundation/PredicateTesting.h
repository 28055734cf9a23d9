// Test seam of the predicate stand-in: how many evaluations of MATCHES were
// stopped, and why. Every stopped evaluation raises NSInvalidArgumentException
// as an expression that cannot be evaluated does; these counts tell the cases
// apart.
#pragma once

#include <chrono>

enum class PredicateStop {
  kWorkLimit,       // ICU's work limit (U_REGEX_TIME_OUT)
  kStackLimit,      // ICU's backtracking stack limit (U_REGEX_STACK_OVERFLOW)
  kTimeBudget,      // the evaluation's processor-time budget ran out
  kBusy,            // refused while an earlier evaluation was still being stopped
  kPatternTooLong,  // the pattern was too long to be compiled
};

// Evaluations stopped for that reason since the last reset.
long PredicateStopsForTesting(PredicateStop reason);
// Sets every count to zero.
void PredicateResetStopsForTesting();
// Waits until the matching thread has finished every evaluation, also one
// that went over its budget; false when that takes longer than timeout.
bool PredicateWaitUntilIdleForTesting(std::chrono::milliseconds timeout);
