#include "bounded_match.h"

#include <openssl/crypto.h>
#include <pthread.h>
#include <unicode/uregex.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "Foundation/PredicateTesting.h"

namespace bounded_match {
namespace {

using std::chrono::milliseconds;
using std::chrono::nanoseconds;

// ICU's work limit, in its units of 10,000 backtracking steps. One unit of
// ordinary catastrophic backtracking takes 0.12 to 0.3 ms here, so a match
// stopped by this limit has used about 4 to 10 ms.
constexpr int32_t kWorkLimit = 32;
// ICU's backtracking stack, in bytes. A pattern built from input6 needs about
// 120 bytes per character of text, so this holds some 8,000 characters.
constexpr int32_t kStackLimit = 1 << 20;
// Processor time of the matching thread that one evaluation may use. A key
// stroke or a script call runs one evaluation; this leaves room for the rest
// of its work, and for the machine's other load, within 50 ms.
constexpr nanoseconds kBudget = milliseconds(30);
// Real time the caller waits at most, in case the matching thread gets no
// processor at all.
constexpr nanoseconds kWaitCap = milliseconds(1000);
// Real time a caller gives an abandoned evaluation to end before it refuses.
// One abandoned only because the machine held the thread up ends at its next
// step; a page's pattern that ICU is still compiling or stopping does not,
// and the caller is refused. Grace and budget together stay within 50 ms.
constexpr nanoseconds kBusyGrace = milliseconds(10);

std::atomic<long> stops[5];

void count(PredicateStop reason) { stops[static_cast<int>(reason)].fetch_add(1); }

struct RegexCloser {
  void operator()(URegularExpression* re) const { uregex_close(re); }
};

struct Job {
  Job(const std::u16string& p, const std::u16string& t) : pattern(p), text(t) {}
  ~Job() {
    if (!text.empty()) OPENSSL_cleanse(&text[0], text.size() * sizeof(char16_t));
  }
  const std::u16string pattern;
  std::u16string text;  // may be a password
  std::atomic<bool> abandoned{false};
  bool started = false;  // these three under MatchingThread::mutex_
  bool done = false;
  Result result{Result::kNoMatch, U_ZERO_ERROR};
};

// Called by ICU at each unit of work: false stops the match
// (U_REGEX_STOPPED_BY_CALLER) once its caller has given up on it.
UBool keepGoing(const void* context, int32_t) {
  return static_cast<const Job*>(context)->abandoned.load() ? 0 : 1;
}

Result run(Job& job) {
  UParseError parseError;
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<URegularExpression, RegexCloser> re(uregex_open(
      job.pattern.data(), static_cast<int32_t>(job.pattern.size()), 0, &parseError, &status));
  if (U_FAILURE(status)) return {Result::kOpenFailed, status};
  uregex_setTimeLimit(re.get(), kWorkLimit, &status);
  uregex_setStackLimit(re.get(), kStackLimit, &status);
  uregex_setMatchCallback(re.get(), keepGoing, &job, &status);
  uregex_setText(re.get(), job.text.data(), static_cast<int32_t>(job.text.size()), &status);
  UBool matched = uregex_matches(re.get(), 0, &status);
  if (U_FAILURE(status)) return {Result::kMatchFailed, status};
  return {matched ? Result::kMatch : Result::kNoMatch, U_ZERO_ERROR};
}

nanoseconds cpuTime(clockid_t clock) {
  timespec ts{};
  clock_gettime(clock, &ts);
  return std::chrono::seconds(ts.tv_sec) + nanoseconds(ts.tv_nsec);
}

class MatchingThread {
 public:
  // Made once and never destroyed: the thread may still be stopping an
  // evaluation when the process exits.
  static MatchingThread& get() {
    static MatchingThread* thread = new MatchingThread();
    return *thread;
  }

  Result evaluate(const std::u16string& pattern, const std::u16string& text) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!started_) return {Result::kMatchFailed, U_INTERNAL_PROGRAM_ERROR};
    // Another thread's evaluation: wait for it. One that went over its budget
    // and is still being stopped: wait the short grace for it to end, then
    // refuse, so that a key stroke that runs several evaluations is not held
    // up by each.
    const auto graceEnd = std::chrono::steady_clock::now() + kBusyGrace;
    for (;;) {
      changed_.wait(lock, [&] { return !current_ || current_->abandoned.load(); });
      if (!current_) break;
      if (!changed_.wait_until(lock, graceEnd,
                               [&] { return !current_ || !current_->abandoned.load(); })) {
        count(PredicateStop::kBusy);
        return {Result::kMatchFailed, U_REGEX_TIME_OUT};
      }
    }
    auto job = std::make_shared<Job>(pattern, text);
    current_ = job;
    const nanoseconds cpuStart = cpuTime(cpuClock_);
    const auto waitEnd = std::chrono::steady_clock::now() + kWaitCap;
    changed_.notify_all();
    while (!job->done) {
      const nanoseconds used = cpuTime(cpuClock_) - cpuStart;
      if (used >= kBudget || std::chrono::steady_clock::now() >= waitEnd) {
        job->abandoned = true;
        count(PredicateStop::kTimeBudget);
        changed_.notify_all();  // callers waiting for their turn refuse now
        return {Result::kMatchFailed, U_REGEX_TIME_OUT};
      }
      changed_.wait_for(lock, std::max<nanoseconds>(kBudget - used, milliseconds(1)));
    }
    if (job->result.status == U_REGEX_TIME_OUT) count(PredicateStop::kWorkLimit);
    if (job->result.status == U_REGEX_STACK_OVERFLOW) count(PredicateStop::kStackLimit);
    return job->result;
  }

  bool waitUntilIdle(milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return !current_; });
  }

 private:
  MatchingThread() {
    try {
      std::thread worker([this] { serve(); });
      started_ = pthread_getcpuclockid(worker.native_handle(), &cpuClock_) == 0;
      worker.detach();
    } catch (const std::system_error&) {
      started_ = false;  // every evaluation then fails as one that cannot be done
    }
  }

  void serve() {
    for (;;) {
      std::shared_ptr<Job> job;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return current_ && !current_->started; });
        job = current_;
        job->started = true;
      }
      Result result = run(*job);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        job->result = result;
        job->done = true;
        current_.reset();
      }
      changed_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::shared_ptr<Job> current_;  // the evaluation the thread has, until it is done
  clockid_t cpuClock_{};
  bool started_ = false;
};

}  // namespace

Result matchWholeText(const std::u16string& pattern, const std::u16string& text) {
  if (pattern.size() > kLongestPattern) {
    count(PredicateStop::kPatternTooLong);
    return {Result::kOpenFailed, U_REGEX_PATTERN_TOO_BIG};
  }
  return MatchingThread::get().evaluate(pattern, text);
}

}  // namespace bounded_match

long PredicateStopsForTesting(PredicateStop reason) {
  return bounded_match::stops[static_cast<int>(reason)].load();
}

void PredicateResetStopsForTesting() {
  for (auto& s : bounded_match::stops) s.store(0);
}

bool PredicateWaitUntilIdleForTesting(std::chrono::milliseconds timeout) {
  return bounded_match::MatchingThread::get().waitUntilIdle(timeout);
}
