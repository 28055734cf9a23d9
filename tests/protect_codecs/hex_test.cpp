// Hex codec: the defined results for odd and non-hex input, and round trips
// against a printf/strtoul oracle.
#include "protect/hex.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "protect/hex_internal.h"

namespace {

using namespace std::string_literals;

struct HexCase {
  std::string hex;
  std::string bytes;
};

const HexCase kDecodeCases[] = {
    {"", ""},
    {"00ff1A", "\x00\xff\x1a"s},
    {"00FF1A", "\x00\xff\x1a"s},
    {"ABC", ""},     // odd length
    {"A", ""},       // odd length
    {"G1", "\x01"},  // non-hex high nibble counts as 0
    {"1G", "\x10"},  // non-hex low nibble counts as 0
    {"zz", "\x00"s},
    {"1a", "\x1a"},
    {"  ", "\x00"s},        // blanks are no digits
    {"0x41", "\x00\x41"s},  // 'x' contributes 0
    {"\xff\xff", "\x00"s},  // high bytes are no digits
    {"7f80", "\x7f\x80"},
};

TEST(Hex2String, DecodeTable) {
  for (const auto& c : kDecodeCases) {
    EXPECT_EQ(hex2string(c.hex), c.bytes) << "hex text \"" << c.hex << "\"";
  }
}

struct EncodeCase {
  std::string bytes;
  std::string hex;
};

const EncodeCase kEncodeCases[] = {
    {"", ""},          {"\x00\xff\x1a"s, "00FF1A"}, {"\x00"s, "00"},
    {"abc", "616263"}, {"\x80\x7f\x09", "807F09"},
};

TEST(String2Hex, EncodeTable) {
  for (const auto& c : kEncodeCases) {
    EXPECT_EQ(string2hex(c.bytes), c.hex);
  }
}

TEST(Hextouch, Table) {
  struct Case {
    const char* pair;
    unsigned char byte;
  };
  const Case cases[] = {
      {nullptr, 0x00}, {"1a", 0x1A}, {"1A", 0x1A}, {"G1", 0x01},
      {"zz", 0x00},    {"ff", 0xFF}, {"F", 0xF0},  // second character is the terminator
      {"90", 0x90},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(hextouch(c.pair), c.byte) << (c.pair ? c.pair : "(null)");
  }
}

TEST(ToUpperPtr, OnlyAsciiLowerCaseChanges) {
  EXPECT_EQ(ToUpperPtr(nullptr), 0);
  for (int ch = 0; ch < 256; ++ch) {
    const char c = static_cast<char>(ch);
    const char expected = (ch >= 'a' && ch <= 'z') ? static_cast<char>(ch - 32) : c;
    EXPECT_EQ(ToUpperPtr(&c), expected) << "byte " << ch;
  }
}

std::string oracleHex(const std::string& bytes, const char* format) {
  std::string out;
  char buf[3];
  for (unsigned char b : bytes) {
    std::snprintf(buf, sizeof buf, format, b);
    out += buf;
  }
  return out;
}

std::string oracleUnhex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<char>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16)));
  }
  return out;
}

TEST(HexRoundTrip, RandomBytesAgainstOracle) {
  std::mt19937 rng(20261210);
  for (int round = 0; round < 300; ++round) {
    std::string bytes(rng() % 70, '\0');
    for (auto& b : bytes) b = static_cast<char>(rng());
    const std::string upper = oracleHex(bytes, "%02X");
    const std::string lower = oracleHex(bytes, "%02x");
    ASSERT_EQ(string2hex(bytes), upper);
    ASSERT_EQ(hex2string(upper), bytes);
    ASSERT_EQ(hex2string(lower), bytes);
    ASSERT_EQ(oracleUnhex(string2hex(bytes)), bytes);
  }
}

}  // namespace
