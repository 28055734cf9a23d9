// How long one key stroke and one script call take when the page has set a
// hostile pattern, through the module's real entry points (the host plays the
// browser). Each benchmark is one path, one pattern and one text length:
//   Formatter      Core Animation field: key down and key up of 'a' after
//                  length - 1 letters; input2 set by script after typing
//   CharacterTest  Core Graphics box: key down of 'a'; input2 set by script
//   get_output5/1/2  with length letters typed, input3 set by script
// Patterns: the six backtracking reproducers (stopped by ICU's work limit),
// two that outlast the time budget (compiling case-insensitive property
// classes; hundreds of word-boundary tests between two of ICU's checks), and
// the pattern input6 builds for 1111 as an ordinary one. Times are real time
// (the match runs on a matching thread); the counters give, per key stroke
// or call, how often each limit stopped the match (known_slow: answered at
// once, the pattern having been given up on before), and the longest
// single key stroke or call in milliseconds. Each benchmark starts with the
// matcher knowing no pattern, so its first key stroke or call pays the whole
// budget. After a match that went over its budget the benchmark waits,
// untimed, until the matching thread is done with it.
//
//   Ordinary/<pattern>/<length>  one evaluation through the predicate: the
//                  17 patterns input6 builds and a few short page patterns,
//                  on texts of their own characters (matching to the end) up
//                  to the control's default maximum length; cpu_longest_ms is
//                  the matching thread's processor time for the longest
//                  evaluation, what the budget is measured against.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "CoreServices/Gestalt.h"
#include "CoreServices/GestaltTesting.h"
#include "Foundation/NSPredicate.h"
#include "Foundation/PredicateTesting.h"
#include "host/browser.h"
#include "host/instance.h"
#include "npapi/npapi.h"
#include "tests/support/flag_patterns.h"
#include "tests/support/hostile_patterns.h"

namespace {

enum class Path { kFormatter, kCharacterTest, kGetOutput5, kGetOutput1, kGetOutput2 };

struct Pattern {
  std::string name;
  std::string text;
};

std::vector<Pattern> patterns() {
  std::vector<Pattern> out;
  for (size_t i = 0; i < hostile::kBacktrackingCount; ++i)
    out.push_back({hostile::patternName(i), hostile::kBacktracking[i]});
  out.push_back({"SlowToCompile", hostile::slowToCompile()});
  std::string boundaries = "(?:(?:";
  while (boundaries.size() < 990) boundaries += "\\b";
  out.push_back({"WordBoundaries", boundaries + "){1000}){1000}z"});
  out.push_back({"AllClasses",
                 "(([\\x20-\\x2F\\x3A-\\x40\\x5B-\\x60\\x7B-\\x7E])|([0-9])|([a-z])|([A-Z]))*"});
  return out;
}

long stopsNow(PredicateStop reason) { return PredicateStopsForTesting(reason); }

void waitUntilIdle(benchmark::State& state) {
  state.PauseTiming();
  if (!PredicateWaitUntilIdleForTesting(std::chrono::seconds(30)))
    state.SkipWithError("the matching thread did not finish");
  state.ResumeTiming();
}

void hostilePattern(benchmark::State& state, Path path, const std::string& pattern, size_t length) {
  host::Browser& browser = host::Browser::get();
  browser.reset();
  GestaltResetForTesting();
  using host::Answer;
  const bool coreGraphics = path == Path::kCharacterTest;
  browser.setCapabilities(coreGraphics ? Answer::kFalse : Answer::kTrue, Answer::kTrue,
                          Answer::kTrue, Answer::kFalse);
  PredicateWaitUntilIdleForTesting(std::chrono::seconds(30));
  PredicateForgetPatternsForTesting();
  {
    host::Instance control;
    if (!coreGraphics) control.requestLayer();
    control.setWindow(0, 0, 220, 32);
    control.focus(true);
    const bool keyStroke = path == Path::kFormatter || path == Path::kCharacterTest;
    control.typeText(std::string(keyStroke ? length - 1 : length, 'a'));
    control.setProperty(keyStroke ? "input2" : "input3", host::Variant::string(pattern));
    const char* method = path == Path::kGetOutput5   ? "get_output5"
                         : path == Path::kGetOutput1 ? "get_output1"
                                                     : "get_output2";
    double workLimit = 0, budget = 0, knownSlow = 0, busy = 0, longest = 0;
    for (auto _ : state) {
      const auto start = std::chrono::steady_clock::now();
      const long work0 = stopsNow(PredicateStop::kWorkLimit);
      const long budget0 = stopsNow(PredicateStop::kTimeBudget);
      const long known0 = stopsNow(PredicateStop::kKnownSlow);
      const long busy0 = stopsNow(PredicateStop::kBusy);
      if (keyStroke) {
        control.key(NPCocoaEventKeyDown, "a", 0);
        control.key(NPCocoaEventKeyUp, "a", 0);
      } else {
        benchmark::DoNotOptimize(control.invoke(method));
      }
      longest = std::max(longest, std::chrono::duration<double, std::milli>(
                                      std::chrono::steady_clock::now() - start)
                                      .count());
      workLimit += static_cast<double>(stopsNow(PredicateStop::kWorkLimit) - work0);
      budget += static_cast<double>(stopsNow(PredicateStop::kTimeBudget) - budget0);
      knownSlow += static_cast<double>(stopsNow(PredicateStop::kKnownSlow) - known0);
      busy += static_cast<double>(stopsNow(PredicateStop::kBusy) - busy0);
      if (stopsNow(PredicateStop::kTimeBudget) != budget0) waitUntilIdle(state);
      if (path == Path::kFormatter) {
        // Back to length - 1 letters for the next key stroke, untimed.
        state.PauseTiming();
        control.key(NPCocoaEventKeyDown, "\x7F", 51);
        control.key(NPCocoaEventKeyUp, "\x7F", 51);
        PredicateWaitUntilIdleForTesting(std::chrono::seconds(30));
        state.ResumeTiming();
      }
    }
    using benchmark::Counter;
    state.counters["work_limit"] = Counter(workLimit, Counter::kAvgIterations);
    state.counters["budget"] = Counter(budget, Counter::kAvgIterations);
    state.counters["known_slow"] = Counter(knownSlow, Counter::kAvgIterations);
    state.counters["busy"] = Counter(busy, Counter::kAvgIterations);
    state.counters["longest_ms"] = Counter(longest);
  }
  browser.reset();
}

// A text of the given length made of characters the pattern allows.
std::string textFor(const std::string& allowed, size_t length) {
  std::string text;
  for (size_t i = 0; i < length; ++i) text.push_back(allowed[i % allowed.size()]);
  return text;
}

void ordinary(benchmark::State& state, const std::string& pattern, const std::string& text) {
  PredicateWaitUntilIdleForTesting(std::chrono::seconds(30));
  PredicateForgetPatternsForTesting();
  PredicateResetStopsForTesting();
  double longest = 0, stopped = 0;
  NSAutoreleasePool pool;
  NSString* expression = NSString::stringWithUTF8String(pattern.c_str());
  NSString* subject = NSString::stringWithUTF8String(text.c_str());
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    try {
      NSAutoreleasePool inner;
      benchmark::DoNotOptimize(NSPredicate::predicateWithFormat("SELF MATCHES %@", expression)
                                   ->evaluateWithObject(subject));
    } catch (...) {
      ++stopped;
    }
    longest = std::max(
        longest, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                     .count());
  }
  using benchmark::Counter;
  state.counters["stopped"] = Counter(stopped);
  state.counters["longest_ms"] = Counter(longest);
  state.counters["cpu_longest_ms"] = Counter(
      std::chrono::duration<double, std::milli>(PredicateLongestEvaluationForTesting()).count());
}

void registerOrdinary() {
  struct Page {
    const char* name;
    const char* pattern;
    std::string allowed;
  };
  std::vector<Page> pages;
  for (const flagpatterns::Case& c : flagpatterns::kCases) {
    std::string allowed;
    if (c.flags[0] == '1') allowed += "QWERTY";
    if (c.flags[1] == '1') allowed += "asdfgh";
    if (c.flags[2] == '1') allowed += "123456";
    if (c.flags[3] == '1') allowed += "!@#$%^";
    if (allowed.empty()) allowed = "a&&b";
    pages.push_back({c.flags, c.pattern, allowed});
  }
  pages.push_back({"SixDigits", "[0-9]{6}", "1"});
  pages.push_back({"Lookaheads", "(?=.*[A-Z])(?=.*[a-z])(?=.*[0-9]).{8,20}", "aA1"});
  pages.push_back({"Anchored", "^[A-Za-z0-9_]{6,16}$", "aZ_9"});
  pages.push_back({"Alternatives", "(abc|abd|a.e|[a-e]+)*", "abcde"});
  for (const Page& page : pages) {
    for (size_t length : {1, 16, 100}) {
      const std::string name = std::string("Ordinary/") + page.name + "/" + std::to_string(length);
      benchmark::RegisterBenchmark(name.c_str(), ordinary, std::string(page.pattern),
                                   textFor(page.allowed, length))
          ->UseRealTime()
          ->Unit(benchmark::kMicrosecond)
          ->MinTime(0.05);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const struct {
    Path path;
    const char* name;
  } paths[] = {{Path::kFormatter, "Formatter"},
               {Path::kCharacterTest, "CharacterTest"},
               {Path::kGetOutput5, "get_output5"},
               {Path::kGetOutput1, "get_output1"},
               {Path::kGetOutput2, "get_output2"}};
  for (const Pattern& pattern : patterns()) {
    for (const auto& path : paths) {
      for (size_t length : {17, 100}) {
        const std::string name =
            std::string(path.name) + "/" + pattern.name + "/" + std::to_string(length);
        benchmark::RegisterBenchmark(name.c_str(), hostilePattern, path.path, pattern.text, length)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond)
            ->MinTime(0.2);
      }
    }
  }
  registerOrdinary();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
