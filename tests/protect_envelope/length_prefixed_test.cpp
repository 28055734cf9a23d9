// The length-prefixed, two-field, plain PKCS#1 and raw filled members: their
// hex output decrypted with OpenSSL shows the exact plaintext.
#include <gtest/gtest.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <cctype>
#include <cstdio>
#include <set>
#include <string>

#include "envelope_support.h"
#include "protect/cryptin.h"
#include "protect/cryptin_internal.h"
#include "tests/support/failing_generator.h"

namespace {

using namespace std::string_literals;
using envtest::OutArea;
using envtest::TestKey;
using envtest::testKey;

std::string letters(size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s.push_back(static_cast<char>('A' + i % 26));
  return s;
}

// Checks a hex result: 2k upper-case digits; returns the decrypted plaintext.
std::string openHex(const TestKey& key, const std::string& hex, int padding) {
  EXPECT_EQ(hex.size(), 2 * key.size);
  for (char c : hex) {
    EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(c)) || (c >= 'A' && c <= 'F')) << hex;
  }
  return envtest::privateDecrypt(key, envtest::hexDecode(hex), padding);
}

TEST(LengthPrefixedField, CountThenText) {
  struct Case {
    std::string text, field;
  };
  const Case cases[] = {
      {"", "00"},
      {"abc", "03abc"},
      {letters(9), "09" + letters(9)},
      {letters(99), "99" + letters(99)},
      {letters(100), "100" + letters(100)},  // full count, never truncated
      {letters(1234), "1234" + letters(1234)},
  };
  for (const auto& c : cases) EXPECT_EQ(cryptin::lengthPrefixed(c.text), c.field);
}

struct Pkcs1Case {
  int bits;
  std::string text;
  std::string plaintext;  // empty: the call fails
};

// Runs each case through encrypt(key's DER hex, text, out): a refused case
// answers -1 and writes nothing, any other decrypts to its plaintext.
template <size_t N, typename Encrypt>
void expectPkcs1Cases(const Pkcs1Case (&cases)[N], Encrypt encrypt) {
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.bits) + " bits, text of " + std::to_string(c.text.size()));
    const TestKey& key = testKey(c.bits);
    OutArea out;
    const int rc = encrypt(key.publicDerHex.c_str(), c.text.c_str(), out.bytes);
    if (c.plaintext.empty()) {
      EXPECT_EQ(rc, -1);
      EXPECT_TRUE(out.untouched());
    } else {
      ASSERT_EQ(rc, 0);
      EXPECT_EQ(openHex(key, out.text(), RSA_PKCS1_PADDING), c.plaintext);
    }
  }
}

TEST(EncryptLengthPrefixed, PlaintextUnderEachKey) {
  const Pkcs1Case cases[] = {
      {1024, "", "00"},
      {1024, "123456789", "09123456789"},
      {1024, letters(100), "100" + letters(100)},  // 103 bytes fit in k - 11 = 117
      {1024, letters(114), "114" + letters(114)},  // 117 bytes, the most that fits
      {1024, letters(115), ""},                    // 118 bytes do not
      {512, letters(51), "51" + letters(51)},      // 53 = k - 11
      {512, letters(52), ""},
      {2048, letters(200), "200" + letters(200)},
  };
  expectPkcs1Cases(cases, encryptLengthPrefixed);
}

TEST(EncryptTwoFieldsLengthPrefixed, SecondFieldFirst) {
  for (int bits : {512, 1024, 2048}) {
    const TestKey& key = testKey(bits);
    OutArea out;
    ASSERT_EQ(encryptTwoFieldsLengthPrefixed(key.publicDerHex.c_str(), "ab", "xyz", out.bytes), 0);
    EXPECT_EQ(openHex(key, out.text(), RSA_PKCS1_PADDING), "03xyz02ab");
  }
  const TestKey& key = testKey(1024);
  OutArea out;
  ASSERT_EQ(encryptTwoFieldsLengthPrefixed(key.publicDerHex.c_str(), "", "", out.bytes), 0);
  EXPECT_EQ(openHex(key, out.text(), RSA_PKCS1_PADDING), "0000");
  OutArea tooLong;
  EXPECT_EQ(encryptTwoFieldsLengthPrefixed(key.publicDerHex.c_str(), letters(60).c_str(),
                                           letters(60).c_str(), tooLong.bytes),
            -1);
  EXPECT_TRUE(tooLong.untouched());
}

TEST(EncryptPkcs1Hex, TextAsItIsTextFirst) {
  const Pkcs1Case cases[] = {
      {1024, "hello", "hello"},        {1024, letters(117), letters(117)},
      {1024, letters(118), ""},        {1024, "", ""},  // empty message refused
      {512, letters(53), letters(53)}, {2048, letters(245), letters(245)},
  };
  // The text comes first in this call.
  expectPkcs1Cases(cases, [](const char* key, const char* text, char* out) {
    return encryptPkcs1Hex(text, key, out);
  });
}

TEST(EncryptLengthPrefixedRaw, ZeroFillToKeySize) {
  for (int bits : {512, 1024, 2048}) {
    const TestKey& key = testKey(bits);
    OutArea out;
    ASSERT_EQ(encryptLengthPrefixedRaw(key.publicDerHex.c_str(), "abc", out.bytes, 0), 0);
    EXPECT_EQ(openHex(key, out.text(), RSA_NO_PADDING), "03abc" + std::string(key.size - 5, '\0'));
  }
}

TEST(EncryptLengthPrefixedRaw, FillModeOnlyLookedAtWhenAFillIsNeeded) {
  const TestKey& key = testKey(512);
  OutArea refused;
  EXPECT_EQ(encryptLengthPrefixedRaw(key.publicDerHex.c_str(), "abc", refused.bytes, 2), -1);
  EXPECT_TRUE(refused.untouched());

  // "62" and 62 bytes make exactly k = 64: no fill, mode 2 is fine.
  const std::string text = letters(62);
  OutArea exact;
  ASSERT_EQ(encryptLengthPrefixedRaw(key.publicDerHex.c_str(), text.c_str(), exact.bytes, 2), 0);
  EXPECT_EQ(openHex(key, exact.text(), RSA_NO_PADDING), "62" + text);

  OutArea tooLong;
  EXPECT_EQ(
      encryptLengthPrefixedRaw(key.publicDerHex.c_str(), letters(63).c_str(), tooLong.bytes, 0),
      -1);
  EXPECT_TRUE(tooLong.untouched());
}

// Fill mode 1 draws every fill byte from OpenSSL's generator: calls made
// back to back fill differently, and over a few dozen blocks every byte value
// from 0 to 255 turns up in the fill.
TEST(EncryptLengthPrefixedRaw, RandomFillTakesAnyByte) {
  const TestKey& key = testKey(1024);
  std::set<std::string> fills;
  std::set<unsigned char> values;
  constexpr int kBlocks = 64;
  for (int i = 0; i < kBlocks; ++i) {
    OutArea out;
    ASSERT_EQ(encryptLengthPrefixedRaw(key.publicDerHex.c_str(), "abc", out.bytes, 1), 0);
    const std::string block = openHex(key, out.text(), RSA_NO_PADDING);
    ASSERT_EQ(block.size(), key.size);
    EXPECT_EQ(block.substr(0, 5), "03abc");
    fills.insert(block.substr(5));
    for (size_t j = 5; j < block.size(); ++j) values.insert(static_cast<unsigned char>(block[j]));
  }
  EXPECT_EQ(fills.size(), static_cast<size_t>(kBlocks));
  EXPECT_EQ(values.size(), 256u);
}

// Without random bytes there is no fill and no block: -1, nothing written.
// Fill mode 0, and a field that needs no fill, draw nothing and still work.
TEST(EncryptLengthPrefixedRaw, AFailingGeneratorGivesMinusOne) {
  const TestKey& key = testKey(512);
  const std::string exact = letters(62);  // its field is exactly 64 bytes
  OutArea refused, sessionKey, zeros, full;
  {
    testsupport::FailingGenerator failing;
    EXPECT_EQ(encryptLengthPrefixedRaw(key.publicDerHex.c_str(), "abc", refused.bytes, 1), -1);
    // The triple-DES session keys come from the same generator.
    EXPECT_EQ(encryptTextWithSessionKey(key.publicDerHex.c_str(), "abc", sessionKey.bytes), -1);
    EXPECT_EQ(encryptLengthPrefixedRaw(key.publicDerHex.c_str(), "abc", zeros.bytes, 0), 0);
    EXPECT_EQ(encryptLengthPrefixedRaw(key.publicDerHex.c_str(), exact.c_str(), full.bytes, 1), 0);
  }
  EXPECT_TRUE(refused.untouched());
  EXPECT_TRUE(sessionKey.untouched());
  EXPECT_EQ(openHex(key, zeros.text(), RSA_NO_PADDING), "03abc" + std::string(59, '\0'));
  EXPECT_EQ(openHex(key, full.text(), RSA_NO_PADDING), "62" + exact);
}

TEST(KeyHexMembers, BadKeysGiveMinusOneAndWriteNothing) {
  const TestKey& key = testKey(1024);
  const std::string odd = key.publicDerHex + "0";
  // A SubjectPublicKeyInfo is no bare RSAPublicKey; nor is a private key.
  unsigned char* spki = nullptr;
  const int spkiLen = i2d_PUBKEY(key.pkey, &spki);
  std::string spkiHex;
  for (int i = 0; i < spkiLen; ++i) {
    char b[3];
    std::snprintf(b, sizeof b, "%02X", spki[i]);
    spkiHex += b;
  }
  OPENSSL_free(spki);
  for (const std::string& bad : {odd, spkiHex, key.privateDerHex, "zz"s, ""s}) {
    SCOPED_TRACE(bad.substr(0, 20));
    const char* k = bad.c_str();
    OutArea out;
    EXPECT_EQ(encryptTaggedBlockWithDerKey(k, "x", out.bytes), -1);
    EXPECT_EQ(encryptTwoFieldsLengthPrefixed(k, "a", "b", out.bytes), -1);
    EXPECT_EQ(encryptLengthPrefixed(k, "x", out.bytes), -1);
    EXPECT_EQ(encryptPkcs1Hex("x", k, out.bytes), -1);
    EXPECT_EQ(encryptLengthPrefixedRaw(k, "x", out.bytes, 0), -1);
    EXPECT_EQ(encryptHexWithSessionKey("ABC", k, out.bytes), -1);
    EXPECT_EQ(encryptTextWithSessionKey(k, "x", out.bytes), -1);
    EXPECT_TRUE(out.untouched());
  }
}

TEST(KeyHexMembers, NullArgumentsAreRefused) {
  const char* k = testKey(1024).publicDerHex.c_str();
  OutArea out;
  EXPECT_EQ(encryptLengthPrefixed(k, "x", nullptr), -1);
  EXPECT_EQ(encryptLengthPrefixed(nullptr, "x", out.bytes), -1);
  EXPECT_EQ(encryptTwoFieldsLengthPrefixed(k, nullptr, "b", out.bytes), -1);
  EXPECT_EQ(encryptPkcs1Hex(nullptr, k, out.bytes), -1);
  EXPECT_EQ(encryptLengthPrefixedRaw(k, nullptr, out.bytes, 0), -1);
  EXPECT_EQ(encryptHexWithSessionKey(nullptr, k, out.bytes), -1);
  EXPECT_EQ(encryptTextWithSessionKey(k, nullptr, out.bytes), -1);
  EXPECT_TRUE(out.untouched());
}

TEST(LoadRsaKeyFromHexDer, PublicAndPrivateForms) {
  const TestKey& key = testKey(1024);
  EVP_PKEY* pub = cryptin::loadRsaKeyFromHexDer(key.publicDerHex, 0);
  ASSERT_NE(pub, nullptr);
  EXPECT_EQ(EVP_PKEY_size(pub), 128);
  EVP_PKEY_free(pub);
  EVP_PKEY* priv = cryptin::loadRsaKeyFromHexDer(key.privateDerHex, 1);
  ASSERT_NE(priv, nullptr);
  EXPECT_EQ(EVP_PKEY_eq(priv, key.pkey), 1);
  EVP_PKEY_free(priv);
  EXPECT_EQ(cryptin::loadRsaKeyFromHexDer(key.publicDerHex, 1), nullptr);
  EXPECT_EQ(cryptin::loadRsaKeyFromHexDer(key.privateDerHex, 0), nullptr);
  EXPECT_EQ(cryptin::loadRsaKeyFromHexDer(key.publicDerHex.substr(1), 0), nullptr);
}

TEST(RsaPublicEncrypt, ExactlyKBytesOrEmpty) {
  const TestKey& key = testKey(1024);
  const std::string c = cryptin::rsaPublicEncrypt(
      cryptin::loadRsaKeyFromHexDer(key.publicDerHex, 0), "m", RSA_PKCS1_PADDING);
  EXPECT_EQ(c.size(), 128u);
  EXPECT_EQ(envtest::privateDecrypt(key, c, RSA_PKCS1_PADDING), "m");
  EXPECT_EQ(cryptin::rsaPublicEncrypt(cryptin::loadRsaKeyFromHexDer(key.publicDerHex, 0), "",
                                      RSA_PKCS1_PADDING),
            "");  // key still released: the sanitizer build checks for leaks
  EXPECT_EQ(cryptin::rsaPublicEncrypt(cryptin::loadRsaKeyFromHexDer(key.publicDerHex, 0),
                                      std::string(129, 'a'), RSA_NO_PADDING),
            "");
  EXPECT_EQ(cryptin::rsaPublicEncrypt(cryptin::loadRsaKeyFromHexDer(key.publicDerHex, 0),
                                      std::string(127, 'a'), RSA_NO_PADDING),
            "");
  EXPECT_EQ(cryptin::rsaPublicEncrypt(nullptr, "m", RSA_PKCS1_PADDING), "");
}

}  // namespace
