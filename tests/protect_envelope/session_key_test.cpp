// The session-key members and the triple-DES step: the blob decrypted with
// OpenSSL, its keys checked for parity, the text decrypted with those keys
// through OpenSSL's own DES-EDE3.
#include <gtest/gtest.h>
#include <openssl/rsa.h>

#include <cstring>
#include <string>

#include "envelope_support.h"
#include "protect/cryptin.h"
#include "protect/cryptin_internal.h"

namespace {

using namespace std::string_literals;
using envtest::OutArea;
using envtest::TestKey;
using envtest::testKey;

const std::string kBlobHead = "\x30\x1c\x04\x10"s;
const std::string kBlobTail = "\x04\x08\x99\x99\x99\x99\x99\x99\x99\x99"s;

int oneBits(unsigned char b) {
  int n = 0;
  for (; b; b >>= 1) n += b & 1;
  return n;
}

// Checks the fixed bytes and the odd parity of a blob; returns K1 || K2.
std::string checkBlob(const std::string& blob) {
  EXPECT_EQ(blob.size(), cryptin::kBlobSize);
  if (blob.size() != cryptin::kBlobSize) return std::string();
  EXPECT_EQ(blob.substr(0, 4), kBlobHead);
  EXPECT_EQ(blob.substr(20), kBlobTail);
  const std::string keys = blob.substr(4, 16);
  for (unsigned char b : keys) EXPECT_EQ(oneBits(b) % 2, 1) << "key byte " << int(b);
  return keys;
}

struct Opened {
  std::string keys;       // K1 || K2 from the blob
  std::string plaintext;  // the triple-DES input, fill included
};

// Splits an envelope into H1 and H2, opens the blob with the private key and
// the text with the blob's keys.
Opened openEnvelope(const TestKey& key, const std::string& out, bool blobFirst, size_t h1Digits) {
  const size_t h2Digits = 2 * key.size;
  EXPECT_EQ(out.size(), h1Digits + h2Digits);
  const std::string h1 = blobFirst ? out.substr(h2Digits) : out.substr(0, h1Digits);
  const std::string h2 = blobFirst ? out.substr(0, h2Digits) : out.substr(h1Digits);
  EXPECT_EQ(h1.find_first_not_of("0123456789ABCDEF"), std::string::npos);
  EXPECT_EQ(h2.find_first_not_of("0123456789ABCDEF"), std::string::npos);
  Opened o;
  o.keys = checkBlob(envtest::privateDecrypt(key, envtest::hexDecode(h2), RSA_PKCS1_PADDING));
  o.plaintext = envtest::des3Decrypt(o.keys, envtest::hexDecode(h1));
  return o;
}

TEST(EncryptHexWithSessionKey, LayoutUnderEachKey) {
  struct Case {
    std::string hex;
    std::string input;  // the bytes triple DES encrypts, fill included
  };
  const Case cases[] = {
      {"ABC", "\xab\xcf\xff\xff\xff\xff\xff\xff"s},
      {"abc", "\xab\xcf\xff\xff\xff\xff\xff\xff"s},  // lower case reads alike
      {"", "\xff\xff\xff\xff\xff\xff\xff\xff"s},
      {"0011223344556677", "\x00\x11\x22\x33\x44\x55\x66\x77"s},
      {"001122334455667788", "\x00\x11\x22\x33\x44\x55\x66\x77\x88\0\0\0\0\0\0\0"s},
  };
  for (int bits : {512, 1024, 2048}) {
    const TestKey& key = testKey(bits);
    for (const auto& c : cases) {
      SCOPED_TRACE(std::to_string(bits) + " bits, text " + c.hex);
      OutArea out;
      ASSERT_EQ(encryptHexWithSessionKey(c.hex.c_str(), key.publicDerHex.c_str(), out.bytes), 0);
      const Opened o = openEnvelope(key, out.text(), false, 2 * c.input.size());
      EXPECT_EQ(o.plaintext, c.input);
    }
  }
}

TEST(EncryptHexWithSessionKey, TotalLengthAndOddDigits) {
  const TestKey& key = testKey(1024);
  OutArea out;
  ASSERT_EQ(encryptHexWithSessionKey("ABC", key.publicDerHex.c_str(), out.bytes), 0);
  EXPECT_EQ(out.text().size(), 272u);
  OutArea odd;
  EXPECT_EQ(encryptHexWithSessionKey("0123456789ABCDEF0", key.publicDerHex.c_str(), odd.bytes), -1);
  EXPECT_TRUE(odd.untouched());
}

TEST(EncryptHexWithSessionKey, FreshKeysEachCall) {
  const TestKey& key = testKey(1024);
  OutArea a, b;
  ASSERT_EQ(encryptHexWithSessionKey("ABC", key.publicDerHex.c_str(), a.bytes), 0);
  ASSERT_EQ(encryptHexWithSessionKey("ABC", key.publicDerHex.c_str(), b.bytes), 0);
  EXPECT_NE(openEnvelope(key, a.text(), false, 16).keys,
            openEnvelope(key, b.text(), false, 16).keys);
}

TEST(EncryptTextWithSessionKey, BlobFirstThenText) {
  struct Case {
    std::string text;
    std::string input;
  };
  const Case cases[] = {
      {"", std::string(16, '\0')},
      {"abc", "abc" + std::string(13, '\0')},
      {"0123456789abcdef", "0123456789abcdef"},
      {"0123456789abcdefghij", "0123456789abcdefghij\0\0\0\0"s},  // 20 bytes fill to 24
  };
  for (int bits : {512, 1024, 2048}) {
    const TestKey& key = testKey(bits);
    for (const auto& c : cases) {
      SCOPED_TRACE(std::to_string(bits) + " bits, text " + c.text);
      OutArea out;
      ASSERT_EQ(encryptTextWithSessionKey(key.publicDerHex.c_str(), c.text.c_str(), out.bytes), 0);
      const Opened o = openEnvelope(key, out.text(), true, 2 * c.input.size());
      EXPECT_EQ(o.plaintext, c.input);
    }
  }
  OutArea out;
  ASSERT_EQ(encryptTextWithSessionKey(testKey(1024).publicDerHex.c_str(), "0123456789abcdefghij",
                                      out.bytes),
            0);
  EXPECT_EQ(out.text().size(), 256u + 48u);
}

TEST(TripleDesEcb, BlocksFillAndRoundTrip) {
  struct Case {
    size_t inputLength;
    size_t blocks;
  };
  const Case cases[] = {{1, 1}, {7, 1}, {8, 1}, {9, 2}, {16, 2}, {17, 3}, {64, 8}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.inputLength);
    std::string input(c.inputLength, '\0');
    for (size_t i = 0; i < input.size(); ++i) input[i] = static_cast<char>(0xA0 + i);
    unsigned char blob[cryptin::kBlobSize + 1] = {};
    const std::string hex = cryptin::tripleDesEcb(input, 1, blob, nullptr);
    ASSERT_EQ(hex.size(), 16 * c.blocks);
    EXPECT_EQ(blob[cryptin::kBlobSize], 0);
    EXPECT_EQ(std::strlen(reinterpret_cast<char*>(blob)), cryptin::kBlobSize);  // no zero byte
    const std::string keys =
        checkBlob(std::string(reinterpret_cast<char*>(blob), cryptin::kBlobSize));
    const std::string expected = input + std::string(8 * c.blocks - input.size(), '\0');
    const std::string cipher = envtest::hexDecode(hex);
    EXPECT_EQ(envtest::des3Decrypt(keys, cipher), expected);
    EXPECT_EQ(cryptin::tripleDesEcb(cipher, 0, nullptr,
                                    reinterpret_cast<const unsigned char*>(keys.data())),
              expected);
  }
}

TEST(TripleDesEcb, EmptyInputWritesNothing) {
  unsigned char blob[cryptin::kBlobSize + 1];
  std::memset(blob, 0x77, sizeof blob);
  EXPECT_EQ(cryptin::tripleDesEcb("", 1, blob, nullptr), "");
  for (unsigned char b : blob) EXPECT_EQ(b, 0x77);
  const unsigned char keys[16] = {};
  EXPECT_EQ(cryptin::tripleDesEcb("", 0, nullptr, keys), "");
}

TEST(TripleDesEcb, DecryptsWithGivenKeysAsTheyAre) {
  // Keys with even-parity bytes are used unchanged when decrypting.
  const std::string keys = "\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f"s;
  const std::string plain = "eight by";
  std::string key24 = keys + keys.substr(0, 8);
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  unsigned char cipher[16];
  int n = 0;
  ASSERT_EQ(EVP_EncryptInit_ex(ctx, EVP_des_ede3_ecb(), nullptr,
                               reinterpret_cast<const unsigned char*>(key24.data()), nullptr),
            1);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  EVP_EncryptUpdate(ctx, cipher, &n, reinterpret_cast<const unsigned char*>(plain.data()), 8);
  EVP_CIPHER_CTX_free(ctx);
  ASSERT_EQ(n, 8);
  EXPECT_EQ(cryptin::tripleDesEcb(std::string(reinterpret_cast<char*>(cipher), 8), 0, nullptr,
                                  reinterpret_cast<const unsigned char*>(keys.data())),
            plain);
}

TEST(BitHelpers, OneCountAndConv) {
  struct Case {
    uint32_t value;
    int ones;
  };
  const Case counts[] = {
      {0, 0}, {1, 1}, {0x80, 1}, {0xFE, 7}, {0xFF, 8}, {0xFFFFFFFFu, 32}, {0x80000001u, 2}};
  for (const auto& c : counts) EXPECT_EQ(cryptin::OneCount(c.value), c.ones) << c.value;
  struct ConvCase {
    int in, out;
  };
  const ConvCase convs[] = {{0, 1}, {1, 0}, {0xFE, 0xFF}, {0x80, 0x81}, {-1, -2}};
  for (const auto& c : convs) EXPECT_EQ(cryptin::conv(c.in), c.out) << c.in;
}

}  // namespace
