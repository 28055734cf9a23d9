// Differential tests: the codecs and text helpers against the plain second
// implementations in tests/support/codec_oracle.h, and Base64 encoding also
// against OpenSSL's EVP_EncodeBlock, over edge cases and seeded random input.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <random>
#include <string>
#include <vector>

#include "protect/base64.h"
#include "protect/hex.h"
#include "protect/hex_internal.h"
#include "protect/strings.h"
#include "tests/support/codec_oracle.h"
#include "tests/support/hex.h"

namespace {

using testsupport::toHex;

std::string randomBytes(std::mt19937& rng, size_t n) {
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(rng() & 0xFF);
  return s;
}

// Text drawn from pool, one character at a time.
std::string randomFrom(std::mt19937& rng, const std::string& pool, size_t n) {
  std::string s(n, '\0');
  for (char& c : s) c = pool[rng() % pool.size()];
  return s;
}

std::string opensslEncode(const std::string& bytes) {
  std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&out[0]),
                                reinterpret_cast<const unsigned char*>(bytes.data()),
                                static_cast<int>(bytes.size()));
  out.resize(n);
  return out;
}

const std::string kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The oracle itself on the worked examples of the decoding rule.
TEST(CodecOracle, OracleAgreesWithTheWorkedExamples) {
  const struct {
    const char* text;
    const char* hex;
  } cases[] = {{"YQ==", "61"}, {"YWJj", "616263"}, {"YW=j", "61"}, {"Y", "63"},
               {"=", "ff"},    {"YWJ!", "6162ff"}, {"", ""}};
  for (const auto& c : cases) {
    EXPECT_EQ(toHex(oracle::base64Decode(c.text)), c.hex) << c.text;
    EXPECT_EQ(toHex(Base64Codec::decode(c.text)), c.hex) << c.text;
  }
  EXPECT_EQ(toHex(oracle::hexDecode("G1")), "01");
  EXPECT_EQ(toHex(oracle::hexDecode("00ff1A")), "00ff1a");
  EXPECT_EQ(oracle::countNonOverlapping("aaaa", "aa"), 2);
  EXPECT_EQ(oracle::countNonOverlapping("abc", ""), 4);
}

TEST(CodecOracle, Base64DecodeMatchesOnEveryLengthOfArbitraryBytes) {
  std::mt19937 rng(1101);
  for (size_t len = 0; len <= 64; ++len) {
    for (int round = 0; round < 40; ++round) {
      const std::string text = randomBytes(rng, len);
      ASSERT_EQ(toHex(Base64Codec::decode(text)), toHex(oracle::base64Decode(text)))
          << "text " << toHex(text);
    }
  }
}

TEST(CodecOracle, Base64DecodeMatchesOnNearlyValidTexts) {
  // Mostly alphabet characters with "=" anywhere, blanks, line breaks, NUL
  // and high bytes sprinkled in.
  const std::string pools[] = {
      kAlphabet + "=",
      kAlphabet + "====",
      kAlphabet + " \t\r\n=",
      kAlphabet + std::string("\0\x80\xff!-_.=", 9),
      "AB=",
      "=",
      " ",
  };
  std::mt19937 rng(1102);
  for (const std::string& pool : pools) {
    for (size_t len = 0; len <= 64; ++len) {
      for (int round = 0; round < 12; ++round) {
        const std::string text = randomFrom(rng, pool, len);
        ASSERT_EQ(toHex(Base64Codec::decode(text)), toHex(oracle::base64Decode(text)))
            << "text \"" << text << "\"";
      }
    }
  }
}

TEST(CodecOracle, Base64DecodeMatchesWithOneEqualsSignAtEveryPosition) {
  const std::string body = Base64Codec::encode("The quick brown fox jumps over the lazy dog!");
  for (size_t pos = 0; pos < body.size(); ++pos) {
    std::string text = body;
    text[pos] = '=';
    ASSERT_EQ(toHex(Base64Codec::decode(text)), toHex(oracle::base64Decode(text))) << text;
    text = body;
    text.insert(pos, 1, ' ');
    ASSERT_EQ(toHex(Base64Codec::decode(text)), toHex(oracle::base64Decode(text))) << text;
  }
}

// Texts of alphabet characters, "=", blanks, line breaks, NUL and high bytes.
TEST(CodecOracle, Base64DecodeMatchesOnRandomMixedTexts) {
  static const std::string kChars =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"
      "====  \r\n\t!-_.\x01\x7F\x80\xC3\xFF";
  std::mt19937 rng(0xb64);
  for (int trial = 0; trial < 4000; ++trial) {
    std::string text;
    for (size_t n = rng() % 24; n > 0; --n) {
      const unsigned r = rng() % (kChars.size() + 1);
      text.push_back(r == kChars.size() ? '\0' : kChars[r]);
    }
    ASSERT_EQ(toHex(Base64Codec::decode(text)), toHex(oracle::base64Decode(text)))
        << "text of " << text.size() << " bytes, trial " << trial;
  }
}

TEST(CodecOracle, Base64DecodeLengthFollowsTheGroupRule) {
  std::mt19937 rng(1103);
  for (size_t len = 0; len <= 64; ++len) {
    const std::string text = randomFrom(rng, kAlphabet + " !", len);
    const size_t expected =
        3 * (len / 4) + (len % 4 == 1 || len % 4 == 2 ? 1 : 0) + (len % 4 == 3 ? 2 : 0);
    EXPECT_EQ(Base64Codec::decode(text).size(), expected) << len;
  }
}

TEST(CodecOracle, Base64EncodeMatchesOpenSslAndRoundTrips) {
  std::mt19937 rng(1104);
  for (size_t len = 0; len <= 200; ++len) {
    const std::string bytes = randomBytes(rng, len);
    const std::string text = Base64Codec::encode(bytes);
    ASSERT_EQ(text, opensslEncode(bytes)) << len;
    ASSERT_EQ(text, oracle::base64Encode(bytes)) << len;
    ASSERT_EQ(base64EncodeBlock(bytes), text) << len;
    ASSERT_EQ(toHex(Base64Codec::decode(text)), toHex(bytes)) << len;
  }
}

TEST(CodecOracle, HexMatchesOnArbitraryText) {
  std::mt19937 rng(1105);
  const std::string hexish = "0123456789abcdefABCDEFgGzZ \x80\xff";
  for (size_t len = 0; len <= 64; ++len) {
    for (int round = 0; round < 20; ++round) {
      const std::string bytes = randomBytes(rng, len);
      ASSERT_EQ(string2hex(bytes), oracle::hexEncode(bytes));
      ASSERT_EQ(hex2string(string2hex(bytes)), bytes);
      const std::string junk = round % 2 ? randomBytes(rng, len) : randomFrom(rng, hexish, len);
      ASSERT_EQ(toHex(hex2string(junk)), toHex(oracle::hexDecode(junk))) << toHex(junk);
    }
  }
}

TEST(CodecOracle, HextouchAndToUpperPtrOnEveryByte) {
  for (int a = 0; a < 256; ++a) {
    const char ca = static_cast<char>(a);
    const char expectedUpper = (a >= 'a' && a <= 'z') ? static_cast<char>(a - 32) : ca;
    ASSERT_EQ(ToUpperPtr(&ca), expectedUpper) << a;
    for (int b = 0; b < 256; ++b) {
      const char pair[2] = {ca, static_cast<char>(b)};
      ASSERT_EQ(hextouch(pair), oracle::nibble(pair[0]) * 16 + oracle::nibble(pair[1]))
          << a << " " << b;
    }
  }
  EXPECT_EQ(hextouch(nullptr), 0);
}

TEST(CodecOracle, SplitStringMatchesAndAppends) {
  std::mt19937 rng(1106);
  for (int round = 0; round < 2000; ++round) {
    const std::string text = randomFrom(rng, std::string(",,ab \0", 6), rng() % 20);
    const char delimiter = round % 3 == 0 ? ' ' : ',';
    std::vector<std::string> pieces = {"kept"};
    splitString(text, delimiter, pieces);
    std::vector<std::string> expected = {"kept"};
    for (const std::string& p : oracle::split(text, delimiter)) expected.push_back(p);
    ASSERT_EQ(pieces, expected) << "\"" << text << "\"";
  }
}

TEST(CodecOracle, AppendStringJoinsWithBars) {
  std::mt19937 rng(1107);
  for (int round = 0; round < 500; ++round) {
    std::string list;
    std::string expected;
    const int n = rng() % 6;
    for (int i = 0; i < n; ++i) {
      const std::string piece = randomFrom(rng, "xy|", rng() % 3);
      appendString(list, piece);
      expected = expected.empty() ? piece : expected + "|" + piece;
    }
    ASSERT_EQ(list, expected);
  }
}

TEST(CodecOracle, CountOccurrencesMatches) {
  std::mt19937 rng(1108);
  for (int round = 0; round < 3000; ++round) {
    const std::string text = randomFrom(rng, "ab|,", rng() % 24);
    const std::string pattern = randomFrom(rng, "ab|,", rng() % 4);
    ASSERT_EQ(countOccurrences(text, pattern), oracle::countNonOverlapping(text, pattern))
        << "\"" << text << "\" / \"" << pattern << "\"";
  }
}

}  // namespace
