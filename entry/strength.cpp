// Password strength rating.
#include "entry/strength.h"

#include <string>

namespace {

bool isDigitByte(unsigned char b) { return b >= '0' && b <= '9'; }
bool isLetterByte(unsigned char b) { return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z'); }

struct ByteClasses {
  bool digit = false;
  bool letter = false;
  bool other = false;
};

ByteClasses classify(std::string_view text) {
  ByteClasses c;
  for (unsigned char b : text) {
    if (isDigitByte(b)) {
      c.digit = true;
    } else if (isLetterByte(b)) {
      c.letter = true;
    } else {
      c.other = true;
    }
  }
  return c;
}

// Runs a simple password may be taken from, in the order they are tried.
constexpr std::string_view kSimpleRuns[] = {
    "0123456789",
    "9876543210",
    "abcdefghijklmnopqrstuvwxyz",
    "zyxwvutsrqponmlkjihgfedcba",
    "qwertyuiop",
    "poiuytrewq",
    "asdfghjkl",
    "lkjhgfdsa",
    "zxcvbnm",
    "mnbvcxz",
};

}  // namespace

int32_t isSimplePattern(std::string_view text) {
  if (text.empty()) return 1;
  if (text.size() > 8) return 0;
  std::string lowered(text);
  for (char& ch : lowered) {
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  }
  for (std::string_view run : kSimpleRuns) {
    if (run.find(lowered) != std::string_view::npos) return 1;
  }
  for (char ch : lowered) {
    if (ch != lowered[0]) return 0;
  }
  return 1;
}

int32_t passlevel(std::string_view text, int32_t* flag) {
  if (text.empty()) return 0;
  if (flag) *flag = isSimplePattern(text);
  const ByteClasses c = classify(text);
  return (c.digit ? 1 : 0) + (c.letter ? 1 : 0) + (c.other ? 1 : 0);
}

int32_t passlevelex(std::string_view text) {
  const size_t n = text.size();
  if (n == 0) return 0;
  if (n < 6) return 1;
  if (n > 12) return 2;
  const ByteClasses c = classify(text);
  if (!c.digit || !c.letter || c.other) return 1;
  if (n >= 10) return 3;
  for (size_t i = 0; i + 2 < n; ++i) {
    if (text[i] == text[i + 1] && text[i] == text[i + 2]) return 1;
  }
  return 2;
}
