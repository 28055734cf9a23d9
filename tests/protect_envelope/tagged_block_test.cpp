// The tagged-block members under 512-, 1024- and 2048-bit keys: the Base64
// output decrypted with OpenSSL (no padding) is "06", the text and its F fill.
#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/rsa.h>

#include <string>

#include "envelope_support.h"
#include "protect/cryptin.h"

namespace {

using envtest::OutArea;
using envtest::TestKey;
using envtest::testKey;

std::string taggedBlock(const std::string& text) {
  std::string block = "06" + text;
  if (block.size() < 128) block.append(128 - block.size(), 'F');
  return block;
}

// The three ways in: hex DER, modulus and exponent, key object.
enum class Via { DerKey, Modulus, KeyObject };

int encryptVia(Via via, const TestKey& key, const std::string& text, char* out) {
  switch (via) {
    case Via::DerKey:
      return encryptTaggedBlockWithDerKey(key.publicDerHex.c_str(), text.c_str(), out);
    case Via::Modulus:
      return encryptTaggedBlockWithModulus(key.n.c_str(), 65537, text.c_str(), out);
    case Via::KeyObject:  // taken over by the call
      return encryptTaggedBlock(envtest::publicKeyObject(key), text.c_str(), out);
  }
  return -2;
}

struct TaggedCase {
  int bits;
  size_t textLength;
  bool succeeds;
  const char* why;
};

const TaggedCase kCases[] = {
    {1024, 0, true, "empty text: 06 and 126 F"},
    {1024, 5, true, "short text, F fill"},
    {1024, 126, true, "block exactly 128 bytes, no fill"},
    {1024, 127, false, "block of 129 bytes is longer than the key"},
    {512, 62, false, "the block is filled to 128 whatever the key: none fits 64 bytes"},
    {512, 5, false, "128-byte block under a 64-byte key"},
    {2048, 5, false, "128-byte block under a 256-byte key"},
    {2048, 254, true, "block exactly 256 bytes"},
};

TEST(TaggedBlock, LayoutAndSizesUnderEachKey) {
  for (const auto& c : kCases) {
    const TestKey& key = testKey(c.bits);
    std::string text;
    for (size_t i = 0; i < c.textLength; ++i) text.push_back(static_cast<char>('a' + i % 26));
    for (Via via : {Via::DerKey, Via::Modulus, Via::KeyObject}) {
      SCOPED_TRACE(std::string(c.why) + ", via " + std::to_string(static_cast<int>(via)));
      OutArea out;
      const int rc = encryptVia(via, key, text, out.bytes);
      if (!c.succeeds) {
        EXPECT_EQ(rc, -1);
        EXPECT_TRUE(out.untouched());
        continue;
      }
      ASSERT_EQ(rc, 0);
      const std::string b64 = out.text();
      EXPECT_EQ(b64.size(), (key.size + 2) / 3 * 4);
      const std::string cipher = envtest::base64Decode(b64);
      ASSERT_EQ(cipher.size(), key.size);
      EXPECT_EQ(envtest::privateDecrypt(key, cipher, RSA_NO_PADDING), taggedBlock(text));
    }
  }
}

TEST(TaggedBlock, Base64OutputUnder1024BitsIs172Characters) {
  OutArea out;
  ASSERT_EQ(encryptTaggedBlockWithDerKey(testKey(1024).publicDerHex.c_str(), "pin", out.bytes), 0);
  EXPECT_EQ(out.text().size(), 172u);
  EXPECT_EQ(out.bytes[172], '\0');
  EXPECT_EQ(out.bytes[173], 0x5A);  // nothing written past the terminator
}

TEST(TaggedBlock, Failures) {
  const TestKey& key = testKey(1024);
  OutArea out;
  const std::string oddHex = key.publicDerHex.substr(1);
  EXPECT_EQ(encryptTaggedBlockWithDerKey(oddHex.c_str(), "x", out.bytes), -1);
  EXPECT_EQ(encryptTaggedBlockWithDerKey(key.privateDerHex.c_str(), "x", out.bytes), -1);
  EXPECT_EQ(encryptTaggedBlockWithDerKey("", "x", out.bytes), -1);
  EXPECT_EQ(encryptTaggedBlockWithModulus("", 65537, "x", out.bytes), -1);
  EXPECT_EQ(encryptTaggedBlockWithModulus("ABC", 65537, "x", out.bytes), -1);  // odd: no bytes
  EXPECT_EQ(encryptTaggedBlock(nullptr, "x", out.bytes), -1);
  EXPECT_EQ(encryptTaggedBlockWithDerKey(key.publicDerHex.c_str(), nullptr, out.bytes), -1);
  EXPECT_TRUE(out.untouched());
}

TEST(TaggedBlock, ModulusTakesLowerCaseAndTheExponentAsUnsigned) {
  const TestKey& key = testKey(1024);
  std::string lower = key.n;
  for (auto& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  OutArea out;
  ASSERT_EQ(encryptTaggedBlockWithModulus(lower.c_str(), 65537, "abc", out.bytes), 0);
  EXPECT_EQ(envtest::privateDecrypt(key, envtest::base64Decode(out.text()), RSA_NO_PADDING),
            taggedBlock("abc"));

  // A negative exponent is read as its unsigned bit pattern: the encryption
  // equals raw RSA under e = 0xFFFFFFFF.
  OutArea withNegative;
  ASSERT_EQ(encryptTaggedBlockWithModulus(key.n.c_str(), -1, "abc", withNegative.bytes), 0);
  RSA* rsa = RSA_new();
  BIGNUM* n = nullptr;
  BN_hex2bn(&n, key.n.c_str());
  BIGNUM* e = BN_new();
  BN_set_word(e, 0xFFFFFFFFu);
  RSA_set0_key(rsa, n, e, nullptr);
  const std::string block = taggedBlock("abc");
  std::string expected(key.size, '\0');
  ASSERT_EQ(RSA_public_encrypt(static_cast<int>(block.size()),
                               reinterpret_cast<const unsigned char*>(block.data()),
                               reinterpret_cast<unsigned char*>(&expected[0]), rsa, RSA_NO_PADDING),
            static_cast<int>(key.size));
  RSA_free(rsa);
  EXPECT_EQ(envtest::base64Decode(withNegative.text()), expected);
}

}  // namespace
