#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "Foundation/NSString.h"
#include "protect/pubkey.h"

namespace {

TEST(PaddingMsg, LaysOutTheBlock) {
  std::string message(16, 'm');
  std::string block = PaddingMsg(message, "TAG");
  ASSERT_EQ(block.size(), 128u);
  EXPECT_EQ(block[0], '\x00');
  EXPECT_EQ(block[1], '\x02');
  EXPECT_EQ(block.substr(2, 2), "03");
  EXPECT_EQ(block.substr(4, 3), "TAG");
  std::string filler = block.substr(7, 104);
  EXPECT_EQ(filler.find_first_not_of("123456789abcdef"), std::string::npos) << filler;
  EXPECT_EQ(block[111], '\x00');
  EXPECT_EQ(block.substr(112), message);
}

// The filler comes from the process generator seeded with the second: each
// character is the first hex digit of rand() % 127 + 1.
TEST(PaddingMsg, FillerFollowsTheSecondsSeed) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    const std::time_t before = std::time(nullptr);
    std::string block = PaddingMsg("message", "tag");
    if (std::time(nullptr) != before) continue;
    std::srand(static_cast<unsigned>(before));
    std::string expected;
    for (int i = 0; i < 125 - 2 - 3 - 7; ++i) {
      const int value = std::rand() % 127 + 1;  // 1..0x7f: one or two hex digits
      expected.push_back("0123456789abcdef"[value >= 16 ? value >> 4 : value]);
    }
    ASSERT_EQ(block.size(), 128u);
    EXPECT_EQ(block.substr(7, expected.size()), expected);
    return;
  }
  FAIL() << "every attempt straddled a second";
}

TEST(PaddingMsg, RefusesWhatDoesNotFit) {
  struct Case {
    std::string message, tag;
    bool ok;
  } cases[] = {
      {"", "T", false},
      {"m", "", false},
      {std::string(122, 'm'), "T", true},   // no filler at all
      {std::string(123, 'm'), "T", false},  // one byte too many
      {"m", std::string(99, 't'), true},
      {"m", std::string(100, 't'), false},  // length would need three digits
  };
  for (const Case& c : cases) {
    std::string block = PaddingMsg(c.message, c.tag);
    EXPECT_EQ(!block.empty(), c.ok) << c.message.size() << "/" << c.tag.size();
    if (c.ok) {
      EXPECT_EQ(block.size(), 128u);
    }
  }
}

TEST(Md5HexDigest, MatchesRfc1321) {
  NSAutoreleasePool pool;
  struct Case {
    const char* text;
    const char* digest;
  } cases[] = {
      {"", "D41D8CD98F00B204E9800998ECF8427E"},
      {"abc", "900150983CD24FB0D6963F7D28E17F72"},
      {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57EDF4A22BE3C955AC49DA2E2107B67A"},
  };
  for (const Case& c : cases)
    EXPECT_STREQ(md5HexDigest(NSString::stringWithUTF8String(c.text))->UTF8String(), c.digest);
}

}  // namespace
