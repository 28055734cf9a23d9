// Base64: published vectors, the decoder's defined results on bad input, and
// round trips of random bytes against OpenSSL's own Base64.
#include "protect/base64.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <random>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

std::string opensslEncode(const std::string& bytes) {
  std::vector<unsigned char> out((bytes.size() + 2) / 3 * 4 + 1);
  const int n = EVP_EncodeBlock(out.data(), reinterpret_cast<const unsigned char*>(bytes.data()),
                                static_cast<int>(bytes.size()));
  return std::string(reinterpret_cast<char*>(out.data()), static_cast<size_t>(n));
}

// EVP_DecodeBlock keeps the pad bits as zero bytes; drop one per "=".
std::string opensslDecode(const std::string& text) {
  std::vector<unsigned char> out(text.size() / 4 * 3 + 3);
  int n = EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(text.data()),
                          static_cast<int>(text.size()));
  if (n < 0) return "(invalid)";
  if (!text.empty() && text.back() == '=') --n;
  if (text.size() > 1 && text[text.size() - 2] == '=') --n;
  return std::string(reinterpret_cast<char*>(out.data()), static_cast<size_t>(n));
}

struct EncodeCase {
  std::string bytes;
  std::string text;
};

// RFC 4648 section 10, and a few bytes at both ends of the range.
const EncodeCase kEncodeCases[] = {
    {"", ""},
    {"f", "Zg=="},
    {"fo", "Zm8="},
    {"foo", "Zm9v"},
    {"foob", "Zm9vYg=="},
    {"fooba", "Zm9vYmE="},
    {"foobar", "Zm9vYmFy"},
    {"\x00"s, "AA=="},
    {"\xff\xff\xff", "////"},
    {"\xfb\xff", "+/8="},
};

TEST(Base64Encode, Table) {
  for (const auto& c : kEncodeCases) {
    EXPECT_EQ(Base64Codec::encode(c.bytes), c.text);
    EXPECT_EQ(base64EncodeBlock(c.bytes), c.text);
  }
}

TEST(Base64Encode, NoLineBreaksAtAnyLength) {
  const std::string bytes(3000, '\x5a');
  const std::string text = Base64Codec::encode(bytes);
  EXPECT_EQ(text.size(), 4000u);
  EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos);
  EXPECT_EQ(base64EncodeBlock(bytes), text);
}

struct DecodeCase {
  std::string text;
  std::string bytes;
  const char* why;
};

const DecodeCase kDecodeCases[] = {
    {"", "", "empty text"},
    {"YQ==", "\x61", "two pad characters"},
    {"YWI=", "\x61\x62", "one pad character"},
    {"YWJj", "\x61\x62\x63", "full group"},
    {"YW=j", "\x61", "'=' third ends decoding"},
    {"YWJ=YWJj", "\x61\x62", "'=' fourth ends decoding, the rest is ignored"},
    {"YQ==YWJj", "\x61", "nothing after the first ending '='"},
    {"Y", "\x63", "lone character: the missing second gives two one-bits"},
    {"=", "\xff", "lone '=' counts as outside the alphabet"},
    {"=Y==", "\xfd", "'=' first does not end decoding"},
    {"Y=", "\x63", "'=' second does not end decoding"},
    {"Y=Jj", "\x63\xf2\x63", "'=' second counts as -1 in every bit it touches"},
    {"YWJ!", "\x61\x62\xff", "outside the alphabet fourth: third byte 0xFF"},
    {"!WJj", "\xfd\x62\x63", "outside the alphabet first acts as 63"},
    {"YW J", "\x61\x6f\xc9", "a blank is not skipped"},
    {"YW\nJj", "\x61\x6f\xc9\x8f", "a line break shifts the grouping"},
    {"YWJ", "\x61\x62", "three characters give two bytes"},
    {"YWJjY", "\x61\x62\x63\x63", "five characters give four bytes"},
    {"YWJjYQ", "\x61\x62\x63\x61", "six characters give four bytes"},
    {"\x80\x80\x80\x80", "\xff\xff\xff", "high bytes are outside the alphabet"},
    {"AAAA", "\x00\x00\x00"s, "zero bytes come out as they are"},
};

TEST(Base64Decode, Table) {
  for (const auto& c : kDecodeCases) {
    EXPECT_EQ(Base64Codec::decode(c.text), c.bytes) << c.why;
  }
}

TEST(Base64Decode, ZeroByteInTextIsOutsideTheAlphabet) {
  EXPECT_EQ(Base64Codec::decode("\0\0"s), "\xff");
  EXPECT_EQ(Base64Codec::decode("YW\0j"s), "\x61\x6f\xe3");
}

TEST(Base64Decode, LengthOfTextsWithoutEndingPad) {
  std::mt19937 rng(7);
  for (size_t len = 0; len < 64; ++len) {
    std::string text(len, '\0');
    for (auto& c : text) {
      do c = static_cast<char>(rng());
      while (c == '=');
    }
    size_t expected = len / 4 * 3;
    if (len % 4 == 1 || len % 4 == 2) expected += 1;
    if (len % 4 == 3) expected += 2;
    EXPECT_EQ(Base64Codec::decode(text).size(), expected) << "length " << len;
  }
}

TEST(Base64Tables, AlphabetAndTableAgree) {
  ASSERT_EQ(Base64Codec::alphabet64,
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/");
  int members = 0;
  for (int b = 0; b < 256; ++b) {
    const auto pos = Base64Codec::alphabet64.find(static_cast<char>(b));
    const int expected = pos == std::string::npos ? -1 : static_cast<int>(pos);
    EXPECT_EQ(Base64Codec::table64[b], expected) << "byte " << b;
    members += expected >= 0;
  }
  EXPECT_EQ(members, 64);
}

TEST(Base64RoundTrip, RandomBytesAgainstOpenSsl) {
  std::mt19937 rng(20261210);
  for (int round = 0; round < 500; ++round) {
    std::string bytes(rng() % 200, '\0');
    for (auto& b : bytes) b = static_cast<char>(rng());
    const std::string theirs = opensslEncode(bytes);
    ASSERT_EQ(Base64Codec::encode(bytes), theirs);
    ASSERT_EQ(base64EncodeBlock(bytes), theirs);
    ASSERT_EQ(Base64Codec::decode(theirs), bytes);
    ASSERT_EQ(opensslDecode(Base64Codec::encode(bytes)), bytes);
  }
}

// Random junk of every short length, "=" included: never fewer than one byte
// for a non-empty text, never more than its groups can hold.
TEST(Base64Decode, RandomJunkGivesBoundedLengths) {
  std::mt19937 rng(99);
  for (int round = 0; round < 2000; ++round) {
    const size_t len = rng() % 13;
    std::string text(len, '\0');
    for (auto& c : text) c = "AZaz09+/=!\n \x80"[rng() % 13];
    const std::string out = Base64Codec::decode(text);
    EXPECT_LE(out.size(), (len + 3) / 4 * 3);
    if (!text.empty()) {
      EXPECT_GE(out.size(), 1u);
    }
  }
}

}  // namespace
