// Differential tests of the nine envelope functions: for each one the
// plaintext it should have encrypted is written out here from the layout
// rules (tagged block, length-prefixed fields, raw filled block, session-key
// blob and triple-DES input), and compared with what OpenSSL's own RSA and
// DES-EDE decryption make of the function's output. Failures must return -1
// and leave the caller's area as it was.
#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "protect/cryptin.h"
#include "tests/support/codec_oracle.h"
#include "tests/support/hex.h"
#include "tests/support/openssl_oracle.h"
#include "tests/support/rsa_test_key.h"

namespace {

using testsupport::RsaTestKey;
using testsupport::rsaTestKey;
using testsupport::toHex;

constexpr size_t kArea = 1200;
constexpr char kSentinel = '\x5A';

// The caller's area, prefilled so that untouched bytes can be recognised.
struct Area {
  std::vector<char> bytes = std::vector<char>(kArea, kSentinel);
  char* data() { return bytes.data(); }
  bool untouched() const {
    for (char c : bytes)
      if (c != kSentinel) return false;
    return true;
  }
  // The zero-terminated text written, with nothing past its zero touched.
  std::string text() const {
    const char* p = bytes.data();
    const size_t n = strnlen(p, kArea);
    EXPECT_LT(n, kArea);
    for (size_t i = n + 1; i < kArea; ++i)
      if (bytes[i] != kSentinel) {
        ADD_FAILURE() << "byte " << i << " past the text's zero was written";
        break;
      }
    return std::string(p, n);
  }
};

std::string randomText(std::mt19937& rng, size_t n) {
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(1 + rng() % 255);  // any byte but zero
  return s;
}

std::string prefixed(const std::string& text) {
  return (text.size() < 10 ? "0" : "") + std::to_string(text.size()) + text;
}

std::string tagged(const std::string& text) {
  std::string block = "06" + text;
  while (block.size() < 128) block += 'F';
  return block;
}

bool isUpperHex(const std::string& s) {
  for (char c : s)
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
  return true;
}

std::string rsaDecrypt(const RsaTestKey& key, const std::string& cipher, int padding) {
  auto plain = testsupport::opensslDecrypt(key.pkey, cipher, padding);
  EXPECT_TRUE(plain.has_value());
  return plain.value_or("<refused>");
}

// Two-key triple DES (K1, K2, K1) in ECB, no padding, by OpenSSL.
std::string desEdeDecrypt(const std::string& key16, const std::string& cipher) {
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  std::string out(cipher.size() + 16, '\0');
  int n1 = 0, n2 = 0;
  const bool ok =
      EVP_DecryptInit_ex(ctx, EVP_des_ede_ecb(), nullptr,
                         reinterpret_cast<const unsigned char*>(key16.data()), nullptr) == 1 &&
      EVP_CIPHER_CTX_set_padding(ctx, 0) == 1 &&
      EVP_DecryptUpdate(ctx, reinterpret_cast<unsigned char*>(&out[0]), &n1,
                        reinterpret_cast<const unsigned char*>(cipher.data()),
                        static_cast<int>(cipher.size())) == 1 &&
      EVP_DecryptFinal_ex(ctx, reinterpret_cast<unsigned char*>(&out[n1]), &n2) == 1;
  EVP_CIPHER_CTX_free(ctx);
  EXPECT_TRUE(ok);
  out.resize(n1 + n2);
  return out;
}

std::string zeroFilledTo8(std::string s) {
  while (s.size() % 8) s += '\0';
  return s;
}

// Checks a session-key blob and returns K1 || K2.
std::string blobKeys(const std::string& blob) {
  EXPECT_EQ(blob.size(), 30u);
  if (blob.size() != 30) return std::string(16, '\0');
  EXPECT_EQ(toHex(blob.substr(0, 4)), "301c0410");
  EXPECT_EQ(toHex(blob.substr(20)), "04089999999999999999");
  for (size_t i = 4; i < 20; ++i)
    EXPECT_EQ(__builtin_popcount(static_cast<unsigned char>(blob[i])) % 2, 1) << "byte " << i;
  return blob.substr(4, 16);
}

// Raw RSA of block under (n, e) with e taken as an unsigned 32-bit value.
std::string rawRsa(const std::string& nHex, uint32_t e, const std::string& block) {
  BN_CTX* ctx = BN_CTX_new();
  BIGNUM* n = nullptr;
  BN_hex2bn(&n, nHex.c_str());
  BIGNUM* bnE = BN_new();
  BN_set_word(bnE, e);
  BIGNUM* m = BN_bin2bn(reinterpret_cast<const unsigned char*>(block.data()),
                        static_cast<int>(block.size()), nullptr);
  BIGNUM* c = BN_new();
  BN_mod_exp(c, m, bnE, n, ctx);
  std::string out(BN_num_bytes(n), '\0');
  BN_bn2binpad(c, reinterpret_cast<unsigned char*>(&out[0]), static_cast<int>(out.size()));
  BN_free(c);
  BN_free(m);
  BN_free(bnE);
  BN_free(n);
  BN_CTX_free(ctx);
  return out;
}

EVP_PKEY* publicKeyObject(const RsaTestKey& key) {
  const auto* p = reinterpret_cast<const unsigned char*>(key.publicDer.data());
  RSA* rsa = d2i_RSAPublicKey(nullptr, &p, static_cast<long>(key.publicDer.size()));
  EVP_PKEY* pkey = EVP_PKEY_new();
  EVP_PKEY_assign_RSA(pkey, rsa);
  return pkey;
}

std::string base64Decoded(const std::string& text) {
  std::string out(text.size(), '\0');
  const int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(&out[0]),
                                reinterpret_cast<const unsigned char*>(text.data()),
                                static_cast<int>(text.size()));
  EXPECT_GT(n, 0);
  out.resize(n > 0 ? n : 0);
  // EVP_DecodeBlock keeps a zero byte for each "=" of the padding.
  size_t pads = 0;
  for (size_t i = text.size(); i > 0 && text[i - 1] == '='; --i) ++pads;
  out.resize(out.size() - pads);
  return out;
}

class EnvelopeOracle : public ::testing::Test {
 protected:
  const RsaTestKey& k1024 = rsaTestKey(1024);
  std::mt19937 rng{3104};
};

TEST_F(EnvelopeOracle, TaggedBlockMembersEncryptTheTaggedBlock) {
  std::string lower = k1024.publicDerHex;
  for (char& c : lower) c = static_cast<char>(tolower(c));
  for (size_t len : {0, 1, 2, 9, 10, 63, 99, 100, 125, 126}) {
    const std::string text = randomText(rng, len);
    const std::string expected = tagged(text);
    for (int member = 0; member < 4; ++member) {
      Area out;
      int rc = -2;
      if (member == 0)
        rc = encryptTaggedBlockWithDerKey(k1024.publicDerHex.c_str(), text.c_str(), out.data());
      if (member == 1) rc = encryptTaggedBlockWithDerKey(lower.c_str(), text.c_str(), out.data());
      if (member == 2)
        rc = encryptTaggedBlockWithModulus(k1024.n.c_str(), 65537, text.c_str(), out.data());
      if (member == 3) rc = encryptTaggedBlock(publicKeyObject(k1024), text.c_str(), out.data());
      ASSERT_EQ(rc, 0) << "member " << member << " length " << len;
      const std::string b64 = out.text();
      EXPECT_EQ(b64.size(), 172u);
      const std::string cipher = base64Decoded(b64);
      ASSERT_EQ(cipher.size(), 128u);
      EXPECT_EQ(rsaDecrypt(k1024, cipher, RSA_NO_PADDING), expected) << "member " << member;
      // Raw RSA is deterministic: the ciphertext itself is known.
      EXPECT_EQ(toHex(cipher), toHex(rawRsa(k1024.n, 65537, expected)));
    }
  }
}

TEST_F(EnvelopeOracle, ModulusMemberTakesTheExponentsBitsAsUnsigned) {
  const std::string text = "exponent";
  for (int exponent : {3, 65537, -1, static_cast<int>(0x80000001u)}) {
    Area out;
    ASSERT_EQ(encryptTaggedBlockWithModulus(k1024.n.c_str(), exponent, text.c_str(), out.data()), 0)
        << exponent;
    EXPECT_EQ(toHex(base64Decoded(out.text())),
              toHex(rawRsa(k1024.n, static_cast<uint32_t>(exponent), tagged(text))))
        << exponent;
  }
}

TEST_F(EnvelopeOracle, TaggedBlockUnderOtherKeySizesOnlyFitsExactly) {
  // The block is always filled to 128 bytes: a larger key takes only a text
  // that makes the block exactly its size, a smaller key takes none.
  const RsaTestKey& k2048 = rsaTestKey(2048);
  Area out;
  const std::string exact = randomText(rng, 254);  // "06" + 254 bytes = 256 = k
  ASSERT_EQ(encryptTaggedBlockWithDerKey(k2048.publicDerHex.c_str(), exact.c_str(), out.data()), 0);
  const std::string b64 = out.text();
  EXPECT_EQ(b64.size(), 344u);
  EXPECT_EQ(rsaDecrypt(k2048, base64Decoded(b64), RSA_NO_PADDING), "06" + exact);
  const RsaTestKey& k512 = rsaTestKey(512);
  const struct {
    const RsaTestKey* key;
    size_t len;
  } refusedCases[] = {{&k2048, 0}, {&k2048, 126}, {&k2048, 253}, {&k2048, 255},
                      {&k512, 0},  {&k512, 62},   {&k512, 126}};
  for (const auto& c : refusedCases) {
    Area refused;
    const std::string text = randomText(rng, c.len);
    EXPECT_EQ(
        encryptTaggedBlockWithDerKey(c.key->publicDerHex.c_str(), text.c_str(), refused.data()), -1)
        << c.len;
    EXPECT_EQ(encryptTaggedBlockWithModulus(c.key->n.c_str(), 65537, text.c_str(), refused.data()),
              -1)
        << c.len;
    EXPECT_EQ(encryptTaggedBlock(publicKeyObject(*c.key), text.c_str(), refused.data()), -1)
        << c.len;
    EXPECT_TRUE(refused.untouched()) << c.len;
  }
}

TEST_F(EnvelopeOracle, LengthPrefixedMembersEncryptTheirFields) {
  for (int round = 0; round < 24; ++round) {
    const std::string a = randomText(rng, rng() % 57);
    const std::string b = randomText(rng, rng() % 57);
    {
      Area out;
      ASSERT_EQ(encryptTwoFieldsLengthPrefixed(k1024.publicDerHex.c_str(), a.c_str(), b.c_str(),
                                               out.data()),
                0);
      const std::string hex = out.text();
      EXPECT_EQ(hex.size(), 256u);
      EXPECT_TRUE(isUpperHex(hex));
      EXPECT_EQ(toHex(rsaDecrypt(k1024, oracle::hexDecode(hex), RSA_PKCS1_PADDING)),
                toHex(prefixed(b) + prefixed(a)));
    }
    {
      Area out;
      ASSERT_EQ(encryptLengthPrefixed(k1024.publicDerHex.c_str(), a.c_str(), out.data()), 0);
      EXPECT_EQ(toHex(rsaDecrypt(k1024, oracle::hexDecode(out.text()), RSA_PKCS1_PADDING)),
                toHex(prefixed(a)));
    }
    if (!b.empty()) {
      Area out;
      ASSERT_EQ(encryptPkcs1Hex(b.c_str(), k1024.publicDerHex.c_str(), out.data()), 0);
      const std::string hex = out.text();
      EXPECT_EQ(hex.size(), 256u);
      EXPECT_TRUE(isUpperHex(hex));
      EXPECT_EQ(toHex(rsaDecrypt(k1024, oracle::hexDecode(hex), RSA_PKCS1_PADDING)), toHex(b));
    }
  }
}

TEST_F(EnvelopeOracle, LengthPrefixedFieldsAtTheLimitsOfTheKey) {
  // PKCS#1 v1.5 takes k - 11 = 117 bytes under a 1024-bit key.
  const std::string t114 = randomText(rng, 114), t115 = randomText(rng, 115);
  const std::string t100 = randomText(rng, 100);
  Area out;
  ASSERT_EQ(encryptLengthPrefixed(k1024.publicDerHex.c_str(), t100.c_str(), out.data()), 0);
  EXPECT_EQ(rsaDecrypt(k1024, oracle::hexDecode(out.text()), RSA_PKCS1_PADDING), "100" + t100);
  Area out2;
  ASSERT_EQ(encryptLengthPrefixed(k1024.publicDerHex.c_str(), t114.c_str(), out2.data()), 0);
  EXPECT_EQ(rsaDecrypt(k1024, oracle::hexDecode(out2.text()), RSA_PKCS1_PADDING), "114" + t114);
  Area refused;
  EXPECT_EQ(encryptLengthPrefixed(k1024.publicDerHex.c_str(), t115.c_str(), refused.data()), -1);
  const std::string t117 = randomText(rng, 117), t118 = randomText(rng, 118);
  EXPECT_EQ(encryptPkcs1Hex(t118.c_str(), k1024.publicDerHex.c_str(), refused.data()), -1);
  EXPECT_EQ(encryptPkcs1Hex("", k1024.publicDerHex.c_str(), refused.data()), -1);
  const std::string f57 = randomText(rng, 57), s57 = randomText(rng, 57);  // 59 + 59 bytes
  EXPECT_EQ(encryptTwoFieldsLengthPrefixed(k1024.publicDerHex.c_str(), f57.c_str(), s57.c_str(),
                                           refused.data()),
            -1);
  EXPECT_TRUE(refused.untouched());
  Area out3;
  ASSERT_EQ(encryptPkcs1Hex(t117.c_str(), k1024.publicDerHex.c_str(), out3.data()), 0);
  EXPECT_EQ(rsaDecrypt(k1024, oracle::hexDecode(out3.text()), RSA_PKCS1_PADDING), t117);
  Area out4;  // 57 + 59 = 116 bytes
  const std::string f55 = randomText(rng, 55);
  ASSERT_EQ(encryptTwoFieldsLengthPrefixed(k1024.publicDerHex.c_str(), f55.c_str(), s57.c_str(),
                                           out4.data()),
            0);
  EXPECT_EQ(rsaDecrypt(k1024, oracle::hexDecode(out4.text()), RSA_PKCS1_PADDING),
            "57" + s57 + "55" + f55);
}

TEST_F(EnvelopeOracle, RawLengthPrefixedBlockIsFilledToTheKeySize) {
  for (size_t len : {0, 1, 9, 10, 99, 100, 125}) {
    const std::string text = randomText(rng, len);
    const std::string field = prefixed(text);
    Area zero;
    ASSERT_EQ(encryptLengthPrefixedRaw(k1024.publicDerHex.c_str(), text.c_str(), zero.data(), 0), 0)
        << len;
    const std::string hex = zero.text();
    EXPECT_EQ(hex.size(), 256u);
    EXPECT_TRUE(isUpperHex(hex));
    EXPECT_EQ(toHex(rsaDecrypt(k1024, oracle::hexDecode(hex), RSA_NO_PADDING)),
              toHex(field + std::string(128 - field.size(), '\0')));
    // Fill mode 1: the field, then random bytes up to the key size; two
    // blocks of the same text get different fills (checked where the fill is
    // long enough for a repeat to be out of the question).
    Area random, again;
    ASSERT_EQ(encryptLengthPrefixedRaw(k1024.publicDerHex.c_str(), text.c_str(), random.data(), 1),
              0)
        << len;
    ASSERT_EQ(encryptLengthPrefixedRaw(k1024.publicDerHex.c_str(), text.c_str(), again.data(), 1),
              0)
        << len;
    const std::string plain = rsaDecrypt(k1024, oracle::hexDecode(random.text()), RSA_NO_PADDING);
    const std::string plainAgain =
        rsaDecrypt(k1024, oracle::hexDecode(again.text()), RSA_NO_PADDING);
    ASSERT_EQ(plain.size(), 128u);
    ASSERT_EQ(plainAgain.size(), 128u);
    EXPECT_EQ(plain.substr(0, field.size()), field);
    EXPECT_EQ(plainAgain.substr(0, field.size()), field);
    if (128 - field.size() >= 8) {
      EXPECT_NE(plain.substr(field.size()), plainAgain.substr(field.size()));
    }
    if (field.size() < 128) {
      Area refused;
      EXPECT_EQ(
          encryptLengthPrefixedRaw(k1024.publicDerHex.c_str(), text.c_str(), refused.data(), 2),
          -1);
      EXPECT_TRUE(refused.untouched());
    }
  }
  // A field of exactly k bytes needs no fill, so the fill mode is not looked at;
  // one byte more does not fit the key.
  const std::string t125 = randomText(rng, 125), t126 = randomText(rng, 126);
  Area exact;
  ASSERT_EQ(encryptLengthPrefixedRaw(k1024.publicDerHex.c_str(), t125.c_str(), exact.data(), 7), 0);
  EXPECT_EQ(rsaDecrypt(k1024, oracle::hexDecode(exact.text()), RSA_NO_PADDING), "125" + t125);
  Area refused;
  EXPECT_EQ(encryptLengthPrefixedRaw(k1024.publicDerHex.c_str(), t126.c_str(), refused.data(), 0),
            -1);
  EXPECT_TRUE(refused.untouched());
}

TEST_F(EnvelopeOracle, HexSessionKeyMemberWritesH1ThenH2) {
  const std::string digits = "0123456789abcdefABCDEF";
  for (int round = 0; round < 24; ++round) {
    std::string hexText;
    const size_t len = 2 * (rng() % 24) + (round % 3 == 0 ? 1 : 0);  // odd lengths too
    for (size_t i = 0; i < len; ++i) hexText += digits[rng() % digits.size()];
    std::string filled = hexText;
    while (filled.size() < 16) filled += 'F';
    Area out;
    const int rc =
        encryptHexWithSessionKey(hexText.c_str(), k1024.publicDerHex.c_str(), out.data());
    if (filled.size() % 2) {
      EXPECT_EQ(rc, -1) << hexText;
      EXPECT_TRUE(out.untouched());
      continue;
    }
    ASSERT_EQ(rc, 0) << hexText;
    const std::string input = oracle::hexDecode(filled);
    const std::string text = out.text();
    const size_t h1 = 2 * zeroFilledTo8(input).size();
    ASSERT_EQ(text.size(), h1 + 256) << hexText;
    EXPECT_TRUE(isUpperHex(text));
    const std::string keys =
        blobKeys(rsaDecrypt(k1024, oracle::hexDecode(text.substr(h1)), RSA_PKCS1_PADDING));
    EXPECT_EQ(toHex(desEdeDecrypt(keys, oracle::hexDecode(text.substr(0, h1)))),
              toHex(zeroFilledTo8(input)))
        << hexText;
  }
}

TEST_F(EnvelopeOracle, TextSessionKeyMemberWritesH2ThenH1) {
  for (size_t len : {0, 1, 7, 8, 15, 16, 17, 20, 24, 99, 100, 130}) {
    const std::string text = randomText(rng, len);
    std::string input = text;
    while (input.size() < 16) input += '\0';
    input = zeroFilledTo8(input);
    Area out;
    ASSERT_EQ(encryptTextWithSessionKey(k1024.publicDerHex.c_str(), text.c_str(), out.data()), 0)
        << len;
    const std::string hex = out.text();
    ASSERT_EQ(hex.size(), 256 + 2 * input.size()) << len;
    EXPECT_TRUE(isUpperHex(hex));
    const std::string keys =
        blobKeys(rsaDecrypt(k1024, oracle::hexDecode(hex.substr(0, 256)), RSA_PKCS1_PADDING));
    EXPECT_EQ(toHex(desEdeDecrypt(keys, oracle::hexDecode(hex.substr(256)))), toHex(input)) << len;
  }
}

TEST_F(EnvelopeOracle, BadKeysAndNullArgumentsLeaveTheAreaUntouched) {
  std::string odd = k1024.publicDerHex.substr(1);
  std::string truncated = k1024.publicDerHex.substr(0, k1024.publicDerHex.size() - 2);
  const std::vector<std::string> badKeys = {
      "", "0", odd, truncated, "3000", "zz", std::string(300, 'G')};
  for (const std::string& key : badKeys) {
    Area out;
    const char* kh = key.c_str();
    EXPECT_EQ(encryptTaggedBlockWithDerKey(kh, "t", out.data()), -1) << key;
    EXPECT_EQ(encryptTwoFieldsLengthPrefixed(kh, "a", "b", out.data()), -1) << key;
    EXPECT_EQ(encryptLengthPrefixed(kh, "t", out.data()), -1) << key;
    EXPECT_EQ(encryptPkcs1Hex("t", kh, out.data()), -1) << key;
    EXPECT_EQ(encryptLengthPrefixedRaw(kh, "t", out.data(), 0), -1) << key;
    EXPECT_EQ(encryptLengthPrefixedRaw(kh, "t", out.data(), 1), -1) << key;
    EXPECT_EQ(encryptHexWithSessionKey("ABCD", kh, out.data()), -1) << key;
    EXPECT_EQ(encryptTextWithSessionKey(kh, "t", out.data()), -1) << key;
    EXPECT_TRUE(out.untouched()) << key;
  }
  Area out;
  EXPECT_EQ(encryptTaggedBlockWithModulus("", 65537, "t", out.data()), -1);
  EXPECT_EQ(encryptTaggedBlockWithModulus("ABC", 65537, "t", out.data()), -1);
  EXPECT_EQ(encryptTaggedBlock(nullptr, "t", out.data()), -1);
  const char* key = k1024.publicDerHex.c_str();
  EXPECT_EQ(encryptTaggedBlockWithDerKey(nullptr, "t", out.data()), -1);
  EXPECT_EQ(encryptTaggedBlockWithDerKey(key, nullptr, out.data()), -1);
  EXPECT_EQ(encryptTaggedBlockWithDerKey(key, "t", nullptr), -1);
  EXPECT_EQ(encryptTaggedBlockWithModulus(nullptr, 65537, "t", out.data()), -1);
  EXPECT_EQ(encryptTaggedBlockWithModulus(k1024.n.c_str(), 65537, nullptr, out.data()), -1);
  EXPECT_EQ(encryptTaggedBlock(publicKeyObject(k1024), nullptr, out.data()), -1);
  EXPECT_EQ(encryptTwoFieldsLengthPrefixed(key, nullptr, "b", out.data()), -1);
  EXPECT_EQ(encryptTwoFieldsLengthPrefixed(key, "a", nullptr, out.data()), -1);
  EXPECT_EQ(encryptLengthPrefixed(key, nullptr, out.data()), -1);
  EXPECT_EQ(encryptPkcs1Hex(nullptr, key, out.data()), -1);
  EXPECT_EQ(encryptPkcs1Hex("t", nullptr, out.data()), -1);
  EXPECT_EQ(encryptLengthPrefixedRaw(key, nullptr, out.data(), 0), -1);
  EXPECT_EQ(encryptHexWithSessionKey(nullptr, key, out.data()), -1);
  EXPECT_EQ(encryptHexWithSessionKey("AB", nullptr, out.data()), -1);
  EXPECT_EQ(encryptTextWithSessionKey(nullptr, "t", out.data()), -1);
  EXPECT_EQ(encryptTextWithSessionKey(key, nullptr, out.data()), -1);
  EXPECT_EQ(encryptPkcs1Hex("t", key, nullptr), -1);
  EXPECT_EQ(encryptTextWithSessionKey(key, "t", nullptr), -1);
  EXPECT_TRUE(out.untouched());
}

TEST_F(EnvelopeOracle, ArgumentOrderIsPartOfTheInterface) {
  // A key hex where a text is expected is just a text; a text where the key
  // hex is expected is no key. The members that take the text first refuse the
  // swapped call.
  const char* key = k1024.publicDerHex.c_str();
  Area out;
  EXPECT_EQ(encryptPkcs1Hex(key, "ABCD", out.data()), -1);
  EXPECT_EQ(encryptHexWithSessionKey(key, "ABCD", out.data()), -1);
  EXPECT_EQ(encryptLengthPrefixed("ABCD", key, out.data()), -1);
  EXPECT_EQ(encryptTextWithSessionKey("ABCD", key, out.data()), -1);
  EXPECT_TRUE(out.untouched());
}

}  // namespace
