// A second, deliberately plain implementation of the strength rating, used
// as the oracle that the real functions are compared against byte string by
// byte string. Written for clarity, not speed: every rule is one obvious step.
#pragma once

#include <cstdint>
#include <string>

namespace strength_oracle {

inline bool isDigitByte(unsigned char b) { return b >= 0x30 && b <= 0x39; }
inline bool isLetterByte(unsigned char b) {
  return (b >= 0x41 && b <= 0x5A) || (b >= 0x61 && b <= 0x7A);
}
inline bool isOtherByte(unsigned char b) { return !isDigitByte(b) && !isLetterByte(b); }

inline bool hasDigit(const std::string& t) {
  for (unsigned char b : t)
    if (isDigitByte(b)) return true;
  return false;
}
inline bool hasLetter(const std::string& t) {
  for (unsigned char b : t)
    if (isLetterByte(b)) return true;
  return false;
}
inline bool hasOther(const std::string& t) {
  for (unsigned char b : t)
    if (isOtherByte(b)) return true;
  return false;
}

inline const char* const kRuns[10] = {
    "0123456789", "9876543210", "abcdefghijklmnopqrstuvwxyz", "zyxwvutsrqponmlkjihgfedcba",
    "qwertyuiop", "poiuytrewq", "asdfghjkl",  "lkjhgfdsa",  "zxcvbnm",   "mnbvcxz"};

inline int32_t isSimplePattern(const std::string& text) {
  if (text.empty()) return 1;
  if (text.size() > 8) return 0;
  std::string lower = text;
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  for (const char* run : kRuns)
    if (std::string(run).find(lower) != std::string::npos) return 1;
  for (char c : lower)
    if (c != lower[0]) return 0;
  return 1;
}

// Returns the class count; writes the simple flag only for a non-empty text.
inline int32_t passlevel(const std::string& text, int32_t& flag) {
  if (text.empty()) return 0;
  flag = isSimplePattern(text);
  return (hasDigit(text) ? 1 : 0) + (hasLetter(text) ? 1 : 0) + (hasOther(text) ? 1 : 0);
}

inline int32_t passlevelex(const std::string& text) {
  const size_t n = text.size();
  if (n == 0) return 0;
  if (n < 6) return 1;
  if (n > 12) return 2;
  if (!hasDigit(text) || !hasLetter(text) || hasOther(text)) return 1;
  if (n >= 10) return 3;
  for (size_t i = 0; i + 2 < n; ++i)
    if (text[i] == text[i + 1] && text[i] == text[i + 2]) return 1;
  return 2;
}

}  // namespace strength_oracle
