// Split, join and count helpers over their edge cases.
#include "protect/strings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(SplitString, Table) {
  struct Case {
    std::string text;
    char delimiter;
    std::vector<std::string> pieces;
  };
  const Case cases[] = {
      {" a  b ", ' ', {"a", "b"}},
      {"", ' ', {}},
      {"   ", ' ', {}},
      {"abc", ' ', {"abc"}},
      {",,x,,y,z,,", ',', {"x", "y", "z"}},
      {"a|b|c", '|', {"a", "b", "c"}},
      {"a b", ',', {"a b"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> pieces;
    splitString(c.text, c.delimiter, pieces);
    EXPECT_EQ(pieces, c.pieces) << "text \"" << c.text << "\"";
  }
}

TEST(SplitString, AppendsWithoutClearing) {
  std::vector<std::string> pieces{"kept"};
  splitString("x y", ' ', pieces);
  EXPECT_EQ(pieces, (std::vector<std::string>{"kept", "x", "y"}));
}

TEST(AppendString, Table) {
  struct Case {
    std::string list, piece, result;
  };
  const Case cases[] = {
      {"", "x", "x"},
      {"x", "", "x|"},
      {"", "", ""},
      {"a|b", "c", "a|b|c"},
  };
  for (const auto& c : cases) {
    std::string list = c.list;
    appendString(list, c.piece);
    EXPECT_EQ(list, c.result);
  }
}

TEST(CountOccurrences, Table) {
  struct Case {
    std::string text, pattern;
    int32_t count;
  };
  const Case cases[] = {
      {"a|b|c", "|", 2},  {"aaaa", "aa", 2},     {"aaa", "aa", 1},  // no overlaps
      {"abc", "", 4},     {"", "", 1},           {"", "a", 0},
      {"abc", "abcd", 0}, {"x,y,x,y", "x,y", 2},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(countOccurrences(c.text, c.pattern), c.count)
        << "\"" << c.text << "\" / \"" << c.pattern << "\"";
  }
}

}  // namespace
