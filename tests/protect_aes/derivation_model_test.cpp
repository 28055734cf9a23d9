// The key-text derivation's 32 bytes against the OpenSSL model, over sources
// of every length up to five blocks.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "protect/aes.h"
#include "tests/support/key_text_oracle.h"

namespace {

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
