// The AES block functions against FIPS-197 and OpenSSL.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "aes_oracle.h"
#include "protect/aes.h"
#include "protect/aes_internal.h"

using aestest::fromHex;
using aestest::toHex;

namespace {

std::string encryptBlock(const std::string& key, const std::string& block, int* rounds = nullptr) {
  std::uint32_t schedule[kAesScheduleWords];
  const int r = rijndaelSetupEncrypt(schedule, reinterpret_cast<const unsigned char*>(key.data()),
                                     static_cast<int>(key.size() * 8));
  if (rounds) *rounds = r;
  std::string out(16, '\0');
  rijndaelEncrypt(schedule, r, reinterpret_cast<const unsigned char*>(block.data()),
                  reinterpret_cast<unsigned char*>(&out[0]));
  return out;
}

std::string decryptBlock(const std::string& key, const std::string& block, int* rounds = nullptr) {
  std::uint32_t schedule[kAesScheduleWords];
  const int r = rijndaelSetupDecrypt(schedule, reinterpret_cast<const unsigned char*>(key.data()),
                                     static_cast<int>(key.size() * 8));
  if (rounds) *rounds = r;
  std::string out(16, '\0');
  rijndaelDecrypt(schedule, r, reinterpret_cast<const unsigned char*>(block.data()),
                  reinterpret_cast<unsigned char*>(&out[0]));
  return out;
}

// FIPS-197 Appendix C: example vectors for the three key sizes.
struct KnownAnswer {
  const char* key;
  const char* plaintext;
  const char* ciphertext;
  int rounds;
};

const KnownAnswer kAppendixC[] = {
    {"000102030405060708090a0b0c0d0e0f", "00112233445566778899aabbccddeeff",
     "69c4e0d86a7b0430d8cdb78070b4c55a", 10},
    {"000102030405060708090a0b0c0d0e0f1011121314151617", "00112233445566778899aabbccddeeff",
     "dda97ca4864cdfe06eaf70a0ec0d7191", 12},
    {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
     "00112233445566778899aabbccddeeff", "8ea2b7ca516745bfeafc49904b496089", 14},
};

class AppendixC : public ::testing::TestWithParam<KnownAnswer> {};

TEST_P(AppendixC, EncryptsAndDecrypts) {
  const KnownAnswer& v = GetParam();
  int rounds = 0;
  EXPECT_EQ(toHex(encryptBlock(fromHex(v.key), fromHex(v.plaintext), &rounds)), v.ciphertext);
  EXPECT_EQ(rounds, v.rounds);
  EXPECT_EQ(toHex(decryptBlock(fromHex(v.key), fromHex(v.ciphertext), &rounds)), v.plaintext);
  EXPECT_EQ(rounds, v.rounds);
}

INSTANTIATE_TEST_SUITE_P(Fips197, AppendixC, ::testing::ValuesIn(kAppendixC),
                         [](const ::testing::TestParamInfo<KnownAnswer>& caseInfo) {
                           return "Key" + std::to_string(std::strlen(caseInfo.param.key) * 4);
                         });

TEST(AesBlock, InPlaceOperation) {
  const KnownAnswer& v = kAppendixC[2];
  const std::string key = fromHex(v.key);
  std::string block = fromHex(v.plaintext);
  auto* bytes = reinterpret_cast<unsigned char*>(&block[0]);
  std::uint32_t enc[kAesScheduleWords], dec[kAesScheduleWords];
  const auto* k = reinterpret_cast<const unsigned char*>(key.data());
  rijndaelEncrypt(enc, rijndaelSetupEncrypt(enc, k, 256), bytes, bytes);
  EXPECT_EQ(toHex(block), v.ciphertext);
  rijndaelDecrypt(dec, rijndaelSetupDecrypt(dec, k, 256), bytes, bytes);
  EXPECT_EQ(toHex(block), v.plaintext);
}

TEST(AesBlock, UnsupportedKeySizesGiveZeroAndLeaveTheSchedule) {
  const unsigned char key[64] = {1, 2, 3};
  for (int bits : {64, 512, 0, -128, 127, 160, 224, 257}) {
    std::uint32_t schedule[kAesScheduleWords];
    for (auto& w : schedule) w = 0xa5a5a5a5u;
    EXPECT_EQ(rijndaelSetupEncrypt(schedule, key, bits), 0) << bits;
    EXPECT_EQ(rijndaelSetupDecrypt(schedule, key, bits), 0) << bits;
    for (auto w : schedule) ASSERT_EQ(w, 0xa5a5a5a5u) << bits;
  }
}

// A round count no schedule has is refused: the block functions read no
// round key past the schedule and leave the output as it was. The schedule
// is a heap area of exactly 60 words, so a read past it would be caught.
TEST(AesBlock, OtherRoundCountsLeaveTheOutput) {
  const std::string key = fromHex(kAppendixC[2].key);
  const auto* k = reinterpret_cast<const unsigned char*>(key.data());
  std::vector<std::uint32_t> enc(kAesScheduleWords), dec(kAesScheduleWords);
  ASSERT_EQ(rijndaelSetupEncrypt(enc.data(), k, 256), 14);
  ASSERT_EQ(rijndaelSetupDecrypt(dec.data(), k, 256), 14);
  const unsigned char input[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  for (int rounds : {0, -1, 1, 9, 11, 13, 15, 16, 100, INT_MIN, INT_MAX}) {
    unsigned char out[16];
    std::memset(out, 0x5a, sizeof out);
    rijndaelEncrypt(enc.data(), rounds, input, out);
    for (unsigned char b : out) ASSERT_EQ(b, 0x5a) << "encrypt, " << rounds << " rounds";
    rijndaelDecrypt(dec.data(), rounds, input, out);
    for (unsigned char b : out) ASSERT_EQ(b, 0x5a) << "decrypt, " << rounds << " rounds";
  }
}

// FIPS-197 Appendix C.1, round 1: the state 00 10 20 .. f0 through SubBytes
// gives the S-box's first column as the standard prints it.
TEST(AesTables, SboxColumnFromTheStandard) {
  const std::string expected = fromHex("63cab7040953d051cd60e0e7ba70e18c");
  for (int i = 0; i < 16; ++i) {
    const auto s = static_cast<unsigned char>(expected[i]);
    EXPECT_EQ(rijndael::Te4[i << 4], s * 0x01010101u) << i;
    EXPECT_EQ(rijndael::Td4[s], static_cast<std::uint32_t>(i << 4) * 0x01010101u) << i;
  }
}

// FIPS-197 Figure 7, the S-box as the standard prints it, row by row.
const unsigned char kFips197Sbox[256] = {
    0x63, 0x7c, 0x77, 0x7b, 0xf2, 0x6b, 0x6f, 0xc5, 0x30, 0x01, 0x67, 0x2b, 0xfe, 0xd7, 0xab, 0x76,
    0xca, 0x82, 0xc9, 0x7d, 0xfa, 0x59, 0x47, 0xf0, 0xad, 0xd4, 0xa2, 0xaf, 0x9c, 0xa4, 0x72, 0xc0,
    0xb7, 0xfd, 0x93, 0x26, 0x36, 0x3f, 0xf7, 0xcc, 0x34, 0xa5, 0xe5, 0xf1, 0x71, 0xd8, 0x31, 0x15,
    0x04, 0xc7, 0x23, 0xc3, 0x18, 0x96, 0x05, 0x9a, 0x07, 0x12, 0x80, 0xe2, 0xeb, 0x27, 0xb2, 0x75,
    0x09, 0x83, 0x2c, 0x1a, 0x1b, 0x6e, 0x5a, 0xa0, 0x52, 0x3b, 0xd6, 0xb3, 0x29, 0xe3, 0x2f, 0x84,
    0x53, 0xd1, 0x00, 0xed, 0x20, 0xfc, 0xb1, 0x5b, 0x6a, 0xcb, 0xbe, 0x39, 0x4a, 0x4c, 0x58, 0xcf,
    0xd0, 0xef, 0xaa, 0xfb, 0x43, 0x4d, 0x33, 0x85, 0x45, 0xf9, 0x02, 0x7f, 0x50, 0x3c, 0x9f, 0xa8,
    0x51, 0xa3, 0x40, 0x8f, 0x92, 0x9d, 0x38, 0xf5, 0xbc, 0xb6, 0xda, 0x21, 0x10, 0xff, 0xf3, 0xd2,
    0xcd, 0x0c, 0x13, 0xec, 0x5f, 0x97, 0x44, 0x17, 0xc4, 0xa7, 0x7e, 0x3d, 0x64, 0x5d, 0x19, 0x73,
    0x60, 0x81, 0x4f, 0xdc, 0x22, 0x2a, 0x90, 0x88, 0x46, 0xee, 0xb8, 0x14, 0xde, 0x5e, 0x0b, 0xdb,
    0xe0, 0x32, 0x3a, 0x0a, 0x49, 0x06, 0x24, 0x5c, 0xc2, 0xd3, 0xac, 0x62, 0x91, 0x95, 0xe4, 0x79,
    0xe7, 0xc8, 0x37, 0x6d, 0x8d, 0xd5, 0x4e, 0xa9, 0x6c, 0x56, 0xf4, 0xea, 0x65, 0x7a, 0xae, 0x08,
    0xba, 0x78, 0x25, 0x2e, 0x1c, 0xa6, 0xb4, 0xc6, 0xe8, 0xdd, 0x74, 0x1f, 0x4b, 0xbd, 0x8b, 0x8a,
    0x70, 0x3e, 0xb5, 0x66, 0x48, 0x03, 0xf6, 0x0e, 0x61, 0x35, 0x57, 0xb9, 0x86, 0xc1, 0x1d, 0x9e,
    0xe1, 0xf8, 0x98, 0x11, 0x69, 0xd9, 0x8e, 0x94, 0x9b, 0x1e, 0x87, 0xe9, 0xce, 0x55, 0x28, 0xdf,
    0x8c, 0xa1, 0x89, 0x0d, 0xbf, 0xe6, 0x42, 0x68, 0x41, 0x99, 0x2d, 0x0f, 0xb0, 0x54, 0xbb, 0x16,
};

// Product in GF(2^8) modulo x^8 + x^4 + x^3 + x + 1, bit by bit.
unsigned multiply(unsigned a, unsigned b) {
  unsigned product = 0;
  for (int bit = 7; bit >= 0; --bit) {
    product <<= 1;
    if (product & 0x100) product ^= 0x11b;
    if (b >> bit & 1) product ^= a;
  }
  return product;
}

std::uint32_t column(unsigned b0, unsigned b1, unsigned b2, unsigned b3) {
  return b0 << 24 | b1 << 16 | b2 << 8 | b3;
}

std::uint32_t rotateRight(std::uint32_t w, int bits) {
  return bits ? w >> bits | w << (32 - bits) : w;
}

// Every entry of the round tables, built here from the printed S-box: the
// encryption tables carry MixColumns (2 1 1 3), the decryption tables
// InvMixColumns (e 9 d b) of the inverse S-box, each turned by 0, 8, 16, 24.
TEST(AesTables, EveryEntryFromThePrintedSbox) {
  unsigned char inverse[256] = {};
  for (int x = 0; x < 256; ++x) inverse[kFips197Sbox[x]] = static_cast<unsigned char>(x);
  const rijndael::Table* te[] = {&rijndael::Te0, &rijndael::Te1, &rijndael::Te2, &rijndael::Te3};
  const rijndael::Table* td[] = {&rijndael::Td0, &rijndael::Td1, &rijndael::Td2, &rijndael::Td3};
  for (int x = 0; x < 256; ++x) {
    const unsigned s = kFips197Sbox[x];
    const unsigned si = inverse[x];
    ASSERT_EQ(rijndael::Te4[x], s * 0x01010101u) << x;
    ASSERT_EQ(rijndael::Td4[x], si * 0x01010101u) << x;
    const std::uint32_t e = column(multiply(s, 2), s, s, multiply(s, 3));
    const std::uint32_t d =
        column(multiply(si, 0x0e), multiply(si, 0x09), multiply(si, 0x0d), multiply(si, 0x0b));
    for (int t = 0; t < 4; ++t) {
      ASSERT_EQ((*te[t])[x], rotateRight(e, 8 * t)) << "Te" << t << "[" << x << "]";
      ASSERT_EQ((*td[t])[x], rotateRight(d, 8 * t)) << "Td" << t << "[" << x << "]";
    }
  }
  unsigned r = 1;
  for (int i = 0; i < 10; ++i, r = multiply(r, 2)) {
    EXPECT_EQ(rijndael::rcon[i], std::uint32_t{r} << 24) << i;
  }
}

// Random keys and blocks of every size against OpenSSL's AES-ECB without padding.
TEST(AesBlock, RandomBlocksMatchOpenSsl) {
  for (size_t keyBytes : {16u, 24u, 32u}) {
    for (int trial = 0; trial < 64; ++trial) {
      const std::string key = aestest::randomBytes(keyBytes);
      const std::string block = aestest::randomBytes(16);
      const std::string ours = encryptBlock(key, block);
      ASSERT_EQ(toHex(ours), toHex(aestest::opensslEcb(key, block, true))) << keyBytes;
      ASSERT_EQ(toHex(decryptBlock(key, block)), toHex(aestest::opensslEcb(key, block, false)))
          << keyBytes;
      ASSERT_EQ(toHex(decryptBlock(key, ours)), toHex(block)) << keyBytes;
    }
  }
}

}  // namespace
