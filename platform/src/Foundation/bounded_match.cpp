#include "bounded_match.h"

#include <openssl/crypto.h>
#include <pthread.h>
#include <unicode/uregex.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <unordered_set>
#include <utility>
#include <vector>

#include "Foundation/NSString.h"
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
// of its work within 50 ms. An ordinary evaluation (the patterns input6
// builds, short page patterns, texts of up to 100 characters) uses at most
// 1.4 ms here, its compiling at most 0.3 ms; under the address sanitizer,
// whose allocator serves ICU too, one in some 50,000 takes up to 28 ms, idle
// or with every core busy (compiling at most 0.6 ms): sanitizer builds give
// five times the budget.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kSanitizerScale = 5;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr int kSanitizerScale = 5;
#else
constexpr int kSanitizerScale = 1;
#endif
#else
constexpr int kSanitizerScale = 1;
#endif
constexpr nanoseconds kBudget = milliseconds(30) * kSanitizerScale;
// Real time the caller waits at most, in case the matching thread gets no
// processor at all. A pattern stopped by this cap alone is not kept as
// slow: the machine held it up, not the pattern.
constexpr nanoseconds kWaitCap = milliseconds(1000);
// Matching threads at most: those stopping, and those serving evaluations
// that several threads of the process run at the same time.
constexpr size_t kMaxThreads = kMaxStopping + 4;
// Patterns kept compiled, most recently used first.
constexpr size_t kCompiledKept = 64;
// Patterns given up on, answered at once.
constexpr size_t kSlowKept = 256;

std::atomic<long> stops[6];
std::atomic<int32_t> workLimit{kWorkLimit};
std::atomic<int32_t> stackLimit{kStackLimit};
std::atomic<int64_t> budgetNs{kBudget.count()};
std::atomic<int64_t> waitCapNs{kWaitCap.count()};
std::atomic<int64_t> longestNs{0};  // processor time of the longest finished evaluation

void count(PredicateStop reason) { stops[static_cast<int>(reason)].fetch_add(1); }

Result timedOut() { return {Result::kMatchFailed, U_REGEX_TIME_OUT}; }

struct RegexCloser {
  void operator()(URegularExpression* re) const { uregex_close(re); }
};
using RegexPtr = std::unique_ptr<URegularExpression, RegexCloser>;

struct Job {
  Job(const std::u16string& p, const std::u16string& t) : pattern(p), text(t) {}
  ~Job() {
    if (!text.empty()) OPENSSL_cleanse(&text[0], text.size() * sizeof(char16_t));
  }
  const std::u16string pattern;
  std::u16string text;   // may be a password
  RegexPtr compiled;     // a copy of the kept compiled pattern, or null: compile it
  RegexPtr freshlyKept;  // set by the thread: the pattern it compiled, to keep
  nanoseconds budget{0};
  std::atomic<bool> abandoned{false};
  nanoseconds compileCpu{0};       // set by the thread once compiled
  bool provisionallySlow = false;  // these four under Matcher::mutex_
  bool done = false;
  nanoseconds cpuUsed{0};
  Result result{Result::kNoMatch, U_ZERO_ERROR};
};

nanoseconds cpuTime(clockid_t clock) {
  timespec ts{};
  clock_gettime(clock, &ts);
  return std::chrono::seconds(ts.tv_sec) + nanoseconds(ts.tv_nsec);
}

// Called by ICU at each unit of work: false stops the match
// (U_REGEX_STOPPED_BY_CALLER) once its caller has given up on it.
UBool keepGoing(const void* context, int32_t) {
  return static_cast<const Job*>(context)->abandoned.load() ? 0 : 1;
}

// Compiles (unless the job has the compiled pattern) and matches, on the
// matching thread, with no lock held.
Result run(Job& job) {
  UErrorCode status = U_ZERO_ERROR;
  RegexPtr re = std::move(job.compiled);
  const nanoseconds cpuStart = cpuTime(CLOCK_THREAD_CPUTIME_ID);
  if (!re) {
    UParseError parseError;
    re.reset(uregex_open(job.pattern.data(), static_cast<int32_t>(job.pattern.size()), 0,
                         &parseError, &status));
    job.compileCpu = cpuTime(CLOCK_THREAD_CPUTIME_ID) - cpuStart;
    if (U_FAILURE(status)) return {Result::kOpenFailed, status};
    // Kept without any text: the copy is made before the text is set.
    UErrorCode cloneStatus = U_ZERO_ERROR;
    job.freshlyKept.reset(uregex_clone(re.get(), &cloneStatus));
    if (U_FAILURE(cloneStatus)) job.freshlyKept.reset();
  }
  uregex_setTimeLimit(re.get(), workLimit.load(), &status);
  uregex_setStackLimit(re.get(), stackLimit.load(), &status);
  uregex_setMatchCallback(re.get(), keepGoing, &job, &status);
  uregex_setText(re.get(), job.text.data(), static_cast<int32_t>(job.text.size()), &status);
  if (U_FAILURE(status)) return {Result::kMatchFailed, status};
  UBool matched = uregex_matches(re.get(), 0, &status);
  if (U_FAILURE(status)) return {Result::kMatchFailed, status};
  return {matched ? Result::kMatch : Result::kNoMatch, U_ZERO_ERROR};
}

// ICU loads its data and sets up its tables on first use; done once, on the
// calling thread, so that no evaluation's budget pays for it.
void warmUpIcu() {
  const char16_t pattern[] = u"[a-z]*";
  const char16_t text[] = u"a";
  UParseError parseError;
  UErrorCode status = U_ZERO_ERROR;
  RegexPtr re(uregex_open(pattern, -1, 0, &parseError, &status));
  uregex_setText(re.get(), text, -1, &status);
  uregex_matches(re.get(), 0, &status);
}

// The matching threads and what they know of patterns. One per process: a
// child made by fork() replaces it, since it has none of the parent's threads.
class Matcher {
 public:
  struct Worker {
    std::shared_ptr<Job> job;  // null: idle
    bool started = false;
    bool usable = false;  // it has a processor-time clock
    clockid_t clock{};
  };

  Result evaluate(const std::u16string& pattern, const std::u16string& text) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (slow_.count(pattern)) {
      count(PredicateStop::kKnownSlow);
      return timedOut();
    }
    const auto kept = findCompiled(pattern);
    if (kept == compiled_.end() && stopping() >= kMaxStopping) {
      count(PredicateStop::kBusy);
      return timedOut();
    }
    auto job = std::make_shared<Job>(pattern, text);
    if (kept != compiled_.end()) {
      UErrorCode status = U_ZERO_ERROR;
      job->compiled.reset(uregex_clone(kept->second.get(), &status));
      if (U_FAILURE(status)) job->compiled.reset();
    }

    const nanoseconds budget(budgetNs.load());
    job->budget = budget;
    const auto waitEnd = std::chrono::steady_clock::now() + nanoseconds(waitCapNs.load());
    Worker* worker = nullptr;
    while (!(worker = idleWorker())) {
      if (workers_.size() < kMaxThreads) {
        if (!startWorker()) return {Result::kMatchFailed, U_INTERNAL_PROGRAM_ERROR};
      } else if (!anotherCallerRunning() ||
                 changed_.wait_until(lock, waitEnd) == std::cv_status::timeout) {
        // Every thread is stopping, or still busy for another caller at the
        // cap: nothing frees one in time.
        if (!idleWorker()) {
          count(PredicateStop::kBusy);
          return timedOut();
        }
      }
    }
    worker->job = job;
    worker->started = false;
    const auto hold = held_.find(pattern);
    const bool heldOver = hold != held_.end() && hold->second == PredicateHold::kOverBudget;
    const bool heldBusy = hold != held_.end() && !heldOver;
    const nanoseconds cpuStart = cpuTime(worker->clock);
    changed_.notify_all();
    // On a busy machine the thread gets only part of a processor: an
    // evaluation that has used half its budget by the time the whole budget
    // has passed in real time is given up too, so that its caller is
    // answered within 50 ms. A pattern given up on is answered at once until
    // its thread has stopped; it stays so only if its compiling alone took
    // the whole budget. Anything else (a text that made matching slow, a
    // machine that held the thread up) is no verdict on the pattern.
    const auto started = std::chrono::steady_clock::now();
    while (!job->done) {
      const nanoseconds used = cpuTime(worker->clock) - cpuStart;
      const auto now = std::chrono::steady_clock::now();
      const bool busy = heldBusy || (used >= budget / 2 && now - started >= budget);
      if (heldOver || used >= budget || busy || now >= waitEnd) {
        job->abandoned = true;
        rememberSlow(pattern);
        job->provisionallySlow = !heldOver;
        count(PredicateStop::kTimeBudget);
        return timedOut();
      }
      changed_.wait_for(
          lock, std::max<nanoseconds>(std::min(budget - used, budget / 6), milliseconds(1)));
    }
    if (job->freshlyKept) keepCompiled(pattern, std::move(job->freshlyKept));
    for (int64_t longest = longestNs.load(); job->cpuUsed.count() > longest;)
      if (longestNs.compare_exchange_weak(longest, job->cpuUsed.count())) break;
    if (job->result.status == U_REGEX_TIME_OUT) count(PredicateStop::kWorkLimit);
    if (job->result.status == U_REGEX_STACK_OVERFLOW) count(PredicateStop::kStackLimit);
    return job->result;
  }

  bool waitUntilIdle(milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
      return std::all_of(workers_.begin(), workers_.end(),
                         [](const std::unique_ptr<Worker>& w) { return !w->job; });
    });
  }

  void hold(const std::u16string& pattern, PredicateHold how) {
    std::lock_guard<std::mutex> lock(mutex_);
    held_[pattern] = how;
  }

  void releaseHeld() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      held_.clear();
    }
    changed_.notify_all();
  }

  void forgetPatterns() {
    std::lock_guard<std::mutex> lock(mutex_);
    compiled_.clear();
    slow_.clear();
    slowOrder_.clear();
  }

  size_t threads() {
    std::lock_guard<std::mutex> lock(mutex_);
    return workers_.size();
  }

  size_t stoppingNow() {
    std::lock_guard<std::mutex> lock(mutex_);
    return stopping();
  }

  // fork(): the parent holds the lock across it, so the child's copy of the
  // state is consistent; the child then takes over what it knows of patterns
  // into a fresh matcher and leaves the rest (the parent's threads) behind.
  void lockForFork() { mutex_.lock(); }
  void unlockAfterFork() { mutex_.unlock(); }
  void handOverTo(Matcher& child) {
    // The texts of evaluations the parent's threads were running.
    for (auto& w : workers_) {
      if (!w->job) continue;
      if (!w->job->text.empty())
        OPENSSL_cleanse(&w->job->text[0], w->job->text.size() * sizeof(char16_t));
      // Its thread is not in the child: it will not finish to judge it.
      if (w->job->provisionallySlow) forgetSlow(w->job->pattern);
    }
    child.compiled_ = std::move(compiled_);
    child.slow_ = std::move(slow_);
    child.slowOrder_ = std::move(slowOrder_);
    child.held_ = std::move(held_);
  }

 private:
  using Compiled = std::list<std::pair<std::u16string, RegexPtr>>;

  size_t stopping() const {
    return static_cast<size_t>(std::count_if(
        workers_.begin(), workers_.end(),
        [](const std::unique_ptr<Worker>& w) { return w->job && w->job->abandoned.load(); }));
  }

  // A thread serving an evaluation of another thread of the process (not one
  // that is stopping): waiting for it is worth while.
  bool anotherCallerRunning() const {
    return std::any_of(workers_.begin(), workers_.end(), [](const std::unique_ptr<Worker>& w) {
      return w->job && !w->job->abandoned.load();
    });
  }

  Worker* idleWorker() {
    for (auto& w : workers_)
      if (!w->job && w->usable) return w.get();
    return nullptr;
  }

  // Starts one more thread; false when none could be started or it has no
  // processor-time clock, without which no budget can be kept (it then stays,
  // unused).
  bool startWorker() {
    auto worker = std::make_unique<Worker>();
    Worker* w = worker.get();
    std::thread thread;
    try {
      thread = std::thread([this, w] { serve(w); });
    } catch (const std::system_error&) {
      return false;
    }
    w->usable = pthread_getcpuclockid(thread.native_handle(), &w->clock) == 0;
    thread.detach();
    workers_.push_back(std::move(worker));
    return w->usable;
  }

  void serve(Worker* self) {
    for (;;) {
      std::shared_ptr<Job> job;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return self->job && !self->started; });
        job = self->job;
        self->started = true;
        changed_.wait(lock, [&] { return !held_.count(job->pattern); });
      }
      const nanoseconds cpuStart = cpuTime(CLOCK_THREAD_CPUTIME_ID);
      Result result = run(*job);
      const nanoseconds cpuUsed = cpuTime(CLOCK_THREAD_CPUTIME_ID) - cpuStart;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        job->result = result;
        job->cpuUsed = cpuUsed;
        job->done = true;
        self->job.reset();
        // Given up on, but its compiling alone took less than the budget.
        if (job->provisionallySlow && job->compileCpu < job->budget) {
          forgetSlow(job->pattern);
          if (job->freshlyKept) keepCompiled(job->pattern, std::move(job->freshlyKept));
        }
      }
      changed_.notify_all();
    }
  }

  Compiled::iterator findCompiled(const std::u16string& pattern) {
    for (auto it = compiled_.begin(); it != compiled_.end(); ++it) {
      if (it->first == pattern) {
        compiled_.splice(compiled_.begin(), compiled_, it);
        return compiled_.begin();
      }
    }
    return compiled_.end();
  }

  void keepCompiled(const std::u16string& pattern, RegexPtr re) {
    if (findCompiled(pattern) != compiled_.end()) return;
    compiled_.emplace_front(pattern, std::move(re));
    if (compiled_.size() > kCompiledKept) compiled_.pop_back();
  }

  void rememberSlow(const std::u16string& pattern) {
    if (!slow_.insert(pattern).second) return;
    slowOrder_.push_back(pattern);
    if (slowOrder_.size() > kSlowKept) {
      slow_.erase(slowOrder_.front());
      slowOrder_.erase(slowOrder_.begin());
    }
  }

  void forgetSlow(const std::u16string& pattern) {
    if (!slow_.erase(pattern)) return;
    slowOrder_.remove(pattern);
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::unique_ptr<Worker>> workers_;  // never shrinks: threads do not end
  Compiled compiled_;
  std::unordered_set<std::u16string> slow_;
  std::list<std::u16string> slowOrder_;           // oldest first
  std::map<std::u16string, PredicateHold> held_;  // testing: evaluations held on their thread
};

// The process's matcher, made on first use. Matchers are never destroyed:
// a thread may still be stopping an evaluation when the process exits, and a
// child of fork() keeps the one it inherited, unused, beside its own.
std::atomic<Matcher*> current{nullptr};
std::vector<Matcher*>* leftBehind = nullptr;

void prepareFork() {
  if (Matcher* m = current.load()) m->lockForFork();
}

void parentAfterFork() {
  if (Matcher* m = current.load()) m->unlockAfterFork();
}

void childAfterFork() {
  Matcher* inherited = current.load();
  if (!inherited) return;
  auto* fresh = new Matcher();
  inherited->handOverTo(*fresh);
  if (!leftBehind) leftBehind = new std::vector<Matcher*>();
  leftBehind->push_back(inherited);  // its lock stays taken; nothing uses it
  current.store(fresh);
}

Matcher& matcher() {
  static std::once_flag once;
  std::call_once(once, [] {
    warmUpIcu();
    current.store(new Matcher());
    pthread_atfork(prepareFork, parentAfterFork, childAfterFork);
  });
  return *current.load();
}

}  // namespace

Result matchWholeText(const std::u16string& pattern, const std::u16string& text) {
  if (pattern.size() > kLongestPattern) {
    count(PredicateStop::kPatternTooLong);
    return {Result::kOpenFailed, U_REGEX_PATTERN_TOO_BIG};
  }
  return matcher().evaluate(pattern, text);
}

}  // namespace bounded_match

using bounded_match::matcher;

long PredicateStopsForTesting(PredicateStop reason) {
  return bounded_match::stops[static_cast<int>(reason)].load();
}

void PredicateResetStopsForTesting() {
  for (auto& s : bounded_match::stops) s.store(0);
  bounded_match::longestNs.store(0);
}

std::chrono::nanoseconds PredicateLongestEvaluationForTesting() {
  return std::chrono::nanoseconds(bounded_match::longestNs.load());
}

bool PredicateWaitUntilIdleForTesting(std::chrono::milliseconds timeout) {
  return matcher().waitUntilIdle(timeout);
}

PredicateLimits PredicateLimitsForTesting() {
  return {bounded_match::workLimit.load(), bounded_match::stackLimit.load(),
          std::chrono::nanoseconds(bounded_match::budgetNs.load()),
          std::chrono::nanoseconds(bounded_match::waitCapNs.load())};
}

void PredicateSetLimitsForTesting(const PredicateLimits& limits) {
  bounded_match::workLimit.store(limits.workLimit);
  bounded_match::stackLimit.store(limits.stackLimit);
  bounded_match::budgetNs.store(limits.budget.count());
  bounded_match::waitCapNs.store(limits.waitCap.count());
}

void PredicateHoldPatternForTesting(const std::string& pattern, PredicateHold how) {
  std::u16string units;
  if (NSConvertFromUTF8(pattern.data(), pattern.size(), &units)) matcher().hold(units, how);
}

void PredicateReleaseHeldForTesting() { matcher().releaseHeld(); }

void PredicateForgetPatternsForTesting() { matcher().forgetPatterns(); }

size_t PredicateThreadsForTesting() { return matcher().threads(); }

size_t PredicateStoppingForTesting() { return matcher().stoppingNow(); }
