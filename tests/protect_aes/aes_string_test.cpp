// The AES-256-ECB string cipher: lengths, zero padding, null key, OpenSSL.
#include <gtest/gtest.h>

#include <string>

#include "aes_oracle.h"
#include "protect/aes.h"

using aestest::toHex;

namespace {

const std::string kZeroKey(32, '\0');

struct LengthCase {
  size_t plaintext;
  size_t ciphertext;
};

const LengthCase kLengths[] = {{0, 16},  {1, 16},  {15, 16}, {16, 32},
                               {17, 32}, {31, 32}, {32, 48}, {100, 112}};

TEST(Aes256Ecb, CiphertextLengthsAndRoundTrip) {
  const std::string key = aestest::randomBytes(32);
  for (const auto& c : kLengths) {
    const std::string plain = aestest::randomBytes(c.plaintext);
    const std::string cipher = aes256EcbEncrypt(plain, key.data());
    ASSERT_EQ(cipher.size(), c.ciphertext) << c.plaintext;
    const std::string back = aes256EcbDecrypt(cipher, key.data());
    EXPECT_EQ(toHex(back), toHex(plain + std::string(c.ciphertext - c.plaintext, '\0')))
        << c.plaintext;
  }
}

// Our zero padding followed by OpenSSL's unpadded ECB is the whole cipher.
TEST(Aes256Ecb, RandomStringsMatchOpenSsl) {
  for (size_t n = 0; n <= 80; ++n) {
    const std::string key = aestest::randomBytes(32);
    const std::string plain = aestest::randomBytes(n);
    const std::string padded = plain + std::string(16 - n % 16, '\0');
    const std::string cipher = aes256EcbEncrypt(plain, key.data());
    ASSERT_EQ(toHex(cipher), toHex(aestest::opensslEcb(key, padded, true))) << n;
    // Decryption of arbitrary bytes: a partial last block reads as zero-filled.
    const std::string input = aestest::randomBytes(n);
    const std::string filled = input + std::string((16 - n % 16) % 16, '\0');
    ASSERT_EQ(toHex(aes256EcbDecrypt(input, key.data())),
              toHex(aestest::opensslEcb(key, filled, false)))
        << n;
  }
}

TEST(Aes256Ecb, NullKeyIsThirtyTwoZeroBytes) {
  for (size_t n : {0u, 5u, 16u, 40u}) {
    const std::string data = aestest::randomBytes(n);
    EXPECT_EQ(aes256EcbEncrypt(data, nullptr), aes256EcbEncrypt(data, kZeroKey.data())) << n;
    EXPECT_EQ(aes256EcbDecrypt(data, nullptr), aes256EcbDecrypt(data, kZeroKey.data())) << n;
  }
  EXPECT_EQ(toHex(aes256EcbEncrypt(std::string(), nullptr)),
            toHex(aestest::opensslEcb(kZeroKey, std::string(16, '\0'), true)));
}

TEST(Aes256Ecb, EmptyCiphertextDecryptsToNothing) {
  EXPECT_TRUE(aes256EcbDecrypt(std::string(), nullptr).empty());
}

// A caller's 33-byte key text (32 characters and a zero) uses its first 32 bytes.
TEST(Aes256Ecb, KeyTextBufferUsesThirtyTwoBytes) {
  char keyText[33] = "0123456789abcdefghijklmnopqrstuv";
  const std::string plain = "password";
  EXPECT_EQ(
      toHex(aes256EcbEncrypt(plain, keyText)),
      toHex(aestest::opensslEcb(std::string(keyText, 32), plain + std::string(8, '\0'), true)));
}

}  // namespace
