// sm2DecryptWithPrivateHex against OpenSSL's own SM2 encryption (its DER
// ciphertext converted to our C1 || C3 || C2 layout by the host's converter).
#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>

#include <string>

#include "host/sm2_der.h"
#include "protect/pubkey.h"
#include "tests/support/openssl_oracle.h"

namespace {

struct Sm2Key {
  EVP_PKEY* pkey = nullptr;
  std::string privateHex;
};

Sm2Key makeKey() {
  Sm2Key k;
  k.pkey = EVP_PKEY_Q_keygen(nullptr, nullptr, "SM2");
  BIGNUM* d = nullptr;
  EVP_PKEY_get_bn_param(k.pkey, OSSL_PKEY_PARAM_PRIV_KEY, &d);
  char* hex = BN_bn2hex(d);
  k.privateHex = hex;
  OPENSSL_free(hex);
  BN_clear_free(d);
  return k;
}

const Sm2Key& key() {
  static Sm2Key k = makeKey();
  return k;
}

// OpenSSL's SM2 encryption of message to key, in our raw layout.
std::string encryptRaw(EVP_PKEY* pkey, const std::string& message) {
  return bank::sm2DerToRaw(testsupport::opensslEncrypt(pkey, message, 0).value_or(""));
}

std::string decrypt(const std::string& ciphertext) {
  return sm2DecryptWithPrivateHex(key().privateHex.c_str(), ciphertext);
}

TEST(Sm2DecryptWithPrivateHex, RecoversOpenSslPlaintextsUpToTheLimit) {
  for (size_t length : {1u, 16u, 100u, 2048u}) {
    std::string message(length, '\0');
    for (size_t i = 0; i < length; ++i) message[i] = static_cast<char>('a' + i % 26);
    std::string c = encryptRaw(key().pkey, message);
    ASSERT_EQ(c.size(), 97 + length);
    EXPECT_EQ(decrypt(c), message) << length;
  }
}

TEST(Sm2DecryptWithPrivateHex, RefusesWhatItCannotDecrypt) {
  std::string good = encryptRaw(key().pkey, "server random 16");
  std::string badDigest = good;
  badDigest[65 + 5] ^= 0x01;
  std::string badPoint = good;
  badPoint[10] ^= 0x01;
  Sm2Key other = makeKey();
  std::string foreign = encryptRaw(other.pkey, "server random 16");
  EVP_PKEY_free(other.pkey);
  std::string overLimit = encryptRaw(key().pkey, std::string(2049, 'x'));
  ASSERT_EQ(overLimit.size(), 2146u);

  struct Case {
    const char* what;
    std::string ciphertext;
  } cases[] = {
      {"empty", ""},
      {"97 bytes, no message", good.substr(0, 97)},
      {"shorter than C1 and C3", good.substr(0, 60)},
      {"digest C3 does not match", badDigest},
      {"C1 is no curve point", badPoint},
      {"made for another key", foreign},
      {"over 2145 bytes", overLimit},
  };
  for (const Case& c : cases) EXPECT_TRUE(decrypt(c.ciphertext).empty()) << c.what;
}

TEST(Sm2DecryptWithPrivateHex, RefusesAMissingOrUnreadableKey) {
  std::string c = encryptRaw(key().pkey, "server random 16");
  EXPECT_TRUE(sm2DecryptWithPrivateHex(nullptr, c).empty());
  EXPECT_TRUE(sm2DecryptWithPrivateHex("", c).empty());
  EXPECT_TRUE(sm2DecryptWithPrivateHex("not hex", c).empty());
}

}  // namespace
