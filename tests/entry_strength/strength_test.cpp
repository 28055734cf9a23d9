// Strength rating: one table of passwords with the classes, simple-pattern
// flag and level each must rate, plus an exhaustive pass over the simple runs.
#include "entry/strength.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace {

using namespace std::string_literals;

struct RatingCase {
  std::string text;
  int32_t classes;
  int32_t simple;  // the flag after passlevel, preset to 1 as the callers do
  int32_t level;
};

const RatingCase kCases[] = {
    {"", 0, 1, 0},
    {"abc", 1, 1, 1},
    {"abc123", 2, 0, 2},
    {"aaa123", 2, 0, 1},  // three equal bytes in a row
    {"a1a1a1", 2, 0, 2},
    {"111aaa", 2, 0, 1},
    {"11aa22", 2, 0, 2},
    {"aaab12345", 2, 0, 1},       // 9 bytes, triple at the start
    {"abc1234567", 2, 0, 3},      // 10 bytes of letters and digits
    {"aaa1234567", 2, 0, 3},      // triples only matter below 10 bytes
    {"abcdef123456", 2, 0, 3},    // 12 bytes
    {"abcdef1234567", 2, 0, 2},   // 13 bytes never rate 3
    {"abc12345678901", 2, 0, 2},  // 14 bytes
    {"abcdefghijklm", 1, 0, 2},   // 13 letters: long wins over the class rule
    {"abcdefghijkl", 1, 0, 1},    // 12 letters, no digit
    {"abcde", 1, 1, 1},           // under 6 bytes
    {"abc12!", 3, 0, 1},          // an other byte
    {"ABCDEF", 1, 1, 1},
    {"QWERTY", 1, 1, 1},
    {"987654", 1, 1, 1},
    {"lkjhgf", 1, 1, 1},
    {"zxcvbnm", 1, 1, 1},
    {"01234567", 1, 1, 1},   // 8 bytes inside a run
    {"012345678", 1, 0, 1},  // 9 bytes are never simple
    {"aaaaaaaa", 1, 1, 1},   // 8 equal bytes
    {"aaaaaaaaa", 1, 0, 1},  // 9 equal bytes
    {"AAAA", 1, 1, 1},
    {"a", 1, 1, 1},
    {"7", 1, 1, 1},
    {"!", 1, 1, 1},
    {" ", 1, 1, 1},
    {"\x01", 1, 1, 1},  // control byte: other, repeats itself
    {"\xff\xff", 1, 1, 1},
    {"Aa", 1, 1, 1},  // lower-cased: two equal bytes
    {"aB", 1, 1, 1},  // "ab" lies in the alphabet run
    {"ba", 1, 1, 1},  // the reversed alphabet
    {"ac", 1, 0, 1},
    {"ab1", 2, 0, 1},
    {"qaz", 1, 0, 1},
    {"\xc3\xa4"
     "bc12345",
     3, 0, 1},              // a-diaeresis counts as two other bytes: 9 bytes
    {"\xc3\xa4", 1, 0, 1},  // two different other bytes
    {"Z", 1, 1, 1},
    {"0", 1, 1, 1},
    {"\0"s, 1, 1, 1},  // a zero byte: other, repeats itself
    {"\xff", 1, 1, 1},
    {"12345", 1, 1, 1},
    {"123456", 1, 1, 1},      // 6 digits, no letter
    {"1234567890", 1, 0, 1},  // 10 digits: no letter, and too long to be simple
    {"mnbvcxz", 1, 1, 1},
    {"asdfghjkl", 1, 0, 1},  // a whole run of 9 bytes is not simple
    {"asdfghjk", 1, 1, 1},
    {"poiuytre", 1, 1, 1},
    {"abcdefgh", 1, 1, 1},
    {"yxwvutsr", 1, 1, 1},  // inside the reversed alphabet
    {"za", 1, 0, 1},        // the runs do not wrap around
    {"90", 1, 0, 1},
    {"09", 1, 0, 1},
    {"mq", 1, 0, 1},
    {"pa", 1, 0, 1},
    {"lz", 1, 0, 1},
    {"aAaAaAaA", 1, 1, 1},  // lower-cased: eight equal bytes
    {"a\0a"s, 2, 0, 1},
    {"\0\0\0"s, 1, 1, 1},
    {"ab1ab1ab1ab1", 2, 0, 3},   // 12 bytes of letters and digits
    {"ab1ab1ab1ab1a", 2, 0, 2},  // 13 bytes
    {"aaab12", 2, 0, 1},         // 6 bytes, triple at the start
    {"ab12333", 2, 0, 1},        // triple at the end
    {"ab1234444", 2, 0, 1},      // 9 bytes, triple at the end
    {"abcdefghi1", 2, 0, 3},     // 10 bytes, one digit
    {"abcdefg\xe4", 2, 0, 1},    // a high byte is other
};

// Each byte at the edge of the digit and letter ranges, with the class it
// belongs to: 'd' digit, 'l' letter, 'o' other.
const struct {
  char byte;
  char kind;
} kBoundaryBytes[] = {
    {'/', 'o'}, {'0', 'd'},    {'9', 'd'},    {':', 'o'},    {'@', 'o'},  {'A', 'l'},
    {'Z', 'l'}, {'[', 'o'},    {'`', 'o'},    {'a', 'l'},    {'z', 'l'},  {'{', 'o'},
    {' ', 'o'}, {'\x7f', 'o'}, {'\x80', 'o'}, {'\xff', 'o'}, {'\0', 'o'},
};

// Paired with a digit, then with a letter, a byte adds a class unless it is
// of the same kind.
TEST(Strength, ByteClassesAtTheRangeEdges) {
  for (const auto& b : kBoundaryBytes) {
    const std::string byte(1, b.byte);
    EXPECT_EQ(passlevel(byte + "5", nullptr), b.kind == 'd' ? 1 : 2) << int(b.byte);
    EXPECT_EQ(passlevel(byte + "m", nullptr), b.kind == 'l' ? 1 : 2) << int(b.byte);
    EXPECT_EQ(passlevel(byte + "#", nullptr), b.kind == 'o' ? 1 : 2) << int(b.byte);
  }
}

TEST(Strength, RatingTable) {
  for (const auto& c : kCases) {
    int32_t flag = 1;
    EXPECT_EQ(passlevel(c.text, &flag), c.classes) << "\"" << c.text << "\"";
    EXPECT_EQ(flag, c.simple) << "\"" << c.text << "\"";
    // A preset other than 1 shows that the flag is written, or left alone for
    // an empty text.
    int32_t preset = 7;
    passlevel(c.text, &preset);
    EXPECT_EQ(preset, c.text.empty() ? 7 : c.simple) << "\"" << c.text << "\"";
    EXPECT_EQ(isSimplePattern(c.text), c.text.empty() ? 1 : c.simple) << "\"" << c.text << "\"";
    EXPECT_EQ(passlevelex(c.text), c.level) << "\"" << c.text << "\"";
  }
}

TEST(Strength, EmptyTextLeavesFlagAlone) {
  int32_t flag = 7;
  EXPECT_EQ(passlevel("", &flag), 0);
  EXPECT_EQ(flag, 7);
  EXPECT_EQ(passlevel("abc", nullptr), 1);  // no flag to write
}

TEST(Strength, NulBytesAreOtherBytes) {
  const std::string text = "ab\0"s;
  int32_t flag = 1;
  EXPECT_EQ(passlevel(text, &flag), 2);
  EXPECT_EQ(flag, 0);
}

// Every piece of up to 8 bytes of every run, in either case, is simple; a
// piece with its first byte replaced by a byte from no run is not.
TEST(Strength, EveryShortPieceOfARunIsSimple) {
  const char* runs[] = {"0123456789", "abcdefghijklmnopqrstuvwxyz", "qwertyuiop", "asdfghjkl",
                        "zxcvbnm"};
  for (std::string run : runs) {
    for (int reversed = 0; reversed < 2; ++reversed) {
      if (reversed) run = std::string(run.rbegin(), run.rend());
      for (size_t start = 0; start < run.size(); ++start) {
        for (size_t len = 1; len <= 8 && start + len <= run.size(); ++len) {
          std::string piece = run.substr(start, len);
          EXPECT_EQ(isSimplePattern(piece), 1) << piece;
          for (char& ch : piece)
            ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
          EXPECT_EQ(isSimplePattern(piece), 1) << piece;
          if (len >= 2) {
            piece[0] = '#';
            EXPECT_EQ(isSimplePattern(piece), 0) << piece;
          }
        }
      }
    }
  }
}

}  // namespace
