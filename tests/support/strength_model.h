// The strength rating stated as whole-text regular expressions and a set of
// run pieces, for comparing the rating with over generated texts. It is
// deliberately built another way than a byte loop: each rule is one match
// (std::regex, ECMAScript, on the raw bytes), and the simple pieces are every
// piece of the ten runs, listed once. The rules themselves are pinned by the
// literal cases of tests/entry_strength/strength_test.cpp.
#pragma once

#include <cstdint>
#include <map>
#include <ostream>
#include <regex>
#include <set>
#include <string>

namespace strengthmodel {

struct Rating {
  int32_t classes = 0, simple = 1, level = 0;
  bool operator==(const Rating& o) const {
    return classes == o.classes && simple == o.simple && level == o.level;
  }
};
inline std::ostream& operator<<(std::ostream& os, const Rating& r) {
  return os << "{classes " << r.classes << ", simple " << r.simple << ", level " << r.level << "}";
}

// The expression for a text, compiled once.
inline const std::regex& compiled(const char* expression) {
  static std::map<std::string, std::regex> cache;
  auto it = cache.find(expression);
  if (it == cache.end()) it = cache.emplace(expression, std::regex(expression)).first;
  return it->second;
}
inline bool found(const std::string& text, const char* expression) {
  return std::regex_search(text, compiled(expression));
}
inline bool whole(const std::string& text, const char* expression) {
  return std::regex_match(text, compiled(expression));
}

// Digit, letter and other bytes present: 0 to 3.
inline int32_t classes(const std::string& text) {
  return (found(text, "[0-9]") ? 1 : 0) + (found(text, "[A-Za-z]") ? 1 : 0) +
         (found(text, "[^0-9A-Za-z]") ? 1 : 0);
}

// The ten keyboard and alphabet runs.
inline const char* const kRuns[10] = {"0123456789",
                                      "9876543210",
                                      "abcdefghijklmnopqrstuvwxyz",
                                      "zyxwvutsrqponmlkjihgfedcba",
                                      "qwertyuiop",
                                      "poiuytrewq",
                                      "asdfghjkl",
                                      "lkjhgfdsa",
                                      "zxcvbnm",
                                      "mnbvcxz"};

// Every piece of up to eight bytes of the runs.
inline const std::set<std::string>& runPieces() {
  static const std::set<std::string> pieces = [] {
    std::set<std::string> all;
    for (const char* run : kRuns) {
      const std::string r = run;
      for (size_t start = 0; start < r.size(); ++start)
        for (size_t n = 1; n <= 8 && start + n <= r.size(); ++n) all.insert(r.substr(start, n));
    }
    return all;
  }();
  return pieces;
}

// 1 for a simple pattern: empty; or up to eight bytes that, with A-Z read as
// a-z, are a run piece or one byte repeated.
inline int32_t simple(const std::string& text) {
  if (text.empty()) return 1;
  if (text.size() > 8) return 0;
  std::string lower = text;
  for (char& ch : lower)
    if (whole(std::string(1, ch), "[A-Z]")) ch = static_cast<char>(ch + ('a' - 'A'));
  return runPieces().count(lower) || whole(lower, "([\\s\\S])\\1*") ? 1 : 0;
}

// The level, 0 to 3.
inline int32_t level(const std::string& text) {
  if (text.empty()) return 0;
  if (whole(text, "[\\s\\S]{1,5}")) return 1;
  if (whole(text, "[\\s\\S]{13,}")) return 2;
  // Letters and digits only, both present.
  const bool mixed = whole(text, "(?=[\\s\\S]*[0-9])(?=[\\s\\S]*[A-Za-z])[0-9A-Za-z]*");
  if (!mixed) return 1;
  if (whole(text, "[\\s\\S]{10,12}")) return 3;
  return found(text, "([\\s\\S])\\1\\1") ? 1 : 2;
}

// What a caller that presets the simple flag to 1 reads after rating text.
inline Rating rate(const std::string& text) {
  Rating r;
  r.classes = classes(text);
  if (!text.empty()) r.simple = simple(text);
  r.level = level(text);
  return r;
}

}  // namespace strengthmodel
