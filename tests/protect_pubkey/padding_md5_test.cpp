#include <gtest/gtest.h>

#include <map>
#include <string>

#include "Foundation/NSString.h"
#include "protect/pubkey.h"
#include "tests/support/failing_generator.h"

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

// Each filler character is the first hex digit of a value drawn uniformly
// from 1 to 0x7f with OpenSSL's generator: '1'..'7' stand for 17 values each
// (v and 0xv0..0xvf), '8'..'f' for one each. Two blocks made back to back
// differ, and over many blocks every character turns up about as often as
// its share of the 127 values says.
TEST(PaddingMsg, FillerIsTheFirstDigitOfAFreshValue) {
  constexpr int kBlocks = 1000;
  constexpr size_t kFiller = 125 - 2 - 3 - 7;
  std::map<char, long> counts;
  std::string previous;
  for (int i = 0; i < kBlocks; ++i) {
    const std::string block = PaddingMsg("message", "tag");
    ASSERT_EQ(block.size(), 128u);
    const std::string filler = block.substr(7, kFiller);
    ASSERT_NE(filler, previous);
    previous = filler;
    for (char c : filler) ++counts[c];
  }
  const std::string alphabet = "123456789abcdef";
  ASSERT_EQ(counts.size(), alphabet.size());
  for (char c : alphabet) {
    const double share = (c <= '7' ? 17.0 : 1.0) / 127.0;
    const double expected = share * kBlocks * kFiller;
    EXPECT_GT(counts[c], expected * 0.75) << c;
    EXPECT_LT(counts[c], expected * 1.25) << c;
  }
}

TEST(PaddingMsg, AFailingGeneratorGivesNoBlock) {
  {
    testsupport::FailingGenerator failing;
    EXPECT_EQ(PaddingMsg("message", "tag"), "");
    // No filler needed, no draw: the block is made all the same.
    EXPECT_EQ(PaddingMsg(std::string(122, 'm'), "T").size(), 128u);
  }
  EXPECT_EQ(PaddingMsg("message", "tag").size(), 128u);
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
