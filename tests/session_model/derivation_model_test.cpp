// The library steps of the session key against the plain models: the lenient
// Base64 decoding over random texts, and the 32 bytes of the key-text
// derivation over sources of every length up to five blocks.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "protect/aes.h"
#include "protect/base64.h"
#include "session_oracle.h"
#include "tests/support/key_text_oracle.h"

namespace {

TEST(DecodeModel, RandomTextsDecodeAsTheModelSays) {
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
    ASSERT_EQ(oracle::lenientBase64Decode(text), Base64Codec::decode(text))
        << "text of " << text.size() << " bytes, trial " << trial;
  }
}

TEST(DerivationModel, ThirtyTwoBytesOfTheBuiltinDecryption) {
  std::mt19937 rng(0xde7);
  for (size_t length = 0; length <= 80; ++length) {
    std::string source;
    for (size_t i = 0; i < length; ++i) source.push_back(static_cast<char>(rng() % 256));
    const unsigned char* kp = decryptWithBuiltinKey(source);
    ASSERT_NE(nullptr, kp);
    const std::string bytes(reinterpret_cast<const char*>(kp), 33);
    EXPECT_EQ('\0', bytes[32]) << "length " << length;
    EXPECT_EQ(keytext::keyTextFor(source), keytext::base64(bytes.substr(0, 32)).substr(0, 32))
        << "length " << length;
  }
}

}  // namespace
