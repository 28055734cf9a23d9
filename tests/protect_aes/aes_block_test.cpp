// The AES block functions against FIPS-197 and OpenSSL.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "aes_oracle.h"
#include "protect/aes.h"
#include "protect/aes_tables.h"

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

INSTANTIATE_TEST_SUITE_P(Fips197, AppendixC, ::testing::ValuesIn(kAppendixC));

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
