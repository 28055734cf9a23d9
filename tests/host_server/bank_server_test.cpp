// The bank server's own pieces, checked against OpenSSL directly.
#include "host/bank_server.h"

#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>

#include <string>

#include "host/sm2_der.h"
#include "tests/support/openssl_oracle.h"

namespace {

// OpenSSL's own decryption; "" when it refuses.
std::string decrypt(EVP_PKEY* key, const std::string& c, int padding) {
  return testsupport::opensslDecrypt(key, c, padding).value_or("");
}

std::string bnHex(EVP_PKEY* key, const char* name) {
  BIGNUM* bn = nullptr;
  EVP_PKEY_get_bn_param(key, name, &bn);
  char* hex = BN_bn2hex(bn);
  std::string s(hex);
  OPENSSL_free(hex);
  BN_free(bn);
  return s;
}

struct ControlKeyPairs {
  EVP_PKEY* rsa = EVP_RSA_gen(1024);
  EVP_PKEY* sm2 = EVP_PKEY_Q_keygen(nullptr, nullptr, "SM2");
  ~ControlKeyPairs() {
    EVP_PKEY_free(rsa);
    EVP_PKEY_free(sm2);
  }
  bank::ControlKeys keys() const {
    bank::ControlKeys k;
    k.rsaModulusHex = bnHex(rsa, OSSL_PKEY_PARAM_RSA_N);
    k.rsaExponentHex = bnHex(rsa, OSSL_PKEY_PARAM_RSA_E);
    k.sm2PublicPoint = bank::sm2PublicPointFromPrivateHex(bnHex(sm2, OSSL_PKEY_PARAM_PRIV_KEY));
    k.aesKey = std::string(32, '\x11');
    return k;
  }
};

TEST(Sm2Der, ConvertsOpenSslCiphertextsBothWays) {
  ControlKeyPairs pairs;
  bank::ControlKeys keys = pairs.keys();
  bank::BankServer server(keys);
  for (bool rsa : {true, false}) {
    std::string input4 = server.makeServerRandom(rsa);
    std::string c = bank::base64Decode(input4);
    ASSERT_FALSE(c.empty());
    if (rsa) {
      EXPECT_EQ(decrypt(pairs.rsa, c, RSA_PKCS1_PADDING), server.serverRandom());
    } else {
      ASSERT_EQ(c.size(), 65u + 32u + 16u);
      EXPECT_EQ(c[0], '\x04');
      std::string der = bank::sm2RawToDer(c);
      EXPECT_EQ(bank::sm2DerToRaw(der), c);
      EXPECT_EQ(decrypt(pairs.sm2, der, 0), server.serverRandom());
    }
  }
}

TEST(Sm2Der, RefusesMisshapenInput) {
  EXPECT_TRUE(bank::sm2RawToDer(std::string(97, '\x04')).empty());  // no C2
  EXPECT_TRUE(bank::sm2RawToDer(std::string(98, '\x02')).empty());  // not uncompressed
  EXPECT_TRUE(bank::sm2DerToRaw("").empty());
  EXPECT_TRUE(bank::sm2DerToRaw(std::string("\x30\x03\x02\x01\x01", 5)).empty());
}

TEST(BankServer, KeyTextOfTheEmptySourceIsTheBase64OfZeros) {
  ControlKeyPairs pairs;
  bank::BankServer server(pairs.keys());
  EXPECT_EQ(server.keyTextFor(""), std::string(32, 'A'));
  EXPECT_EQ(server.keyTextFor("abc").size(), 32u);
}

TEST(BankServer, InputNineFormsHaveTheirShapes) {
  ControlKeyPairs pairs;
  bank::BankServer server(pairs.keys());
  std::string pem = server.rsaCertificatePem();
  EXPECT_EQ(pem.rfind("-----BEGIN CERTIFICATE-----", 0), 0u);
  EXPECT_EQ(pem.substr(pem.size() - 25), "-----END CERTIFICATE-----");
  std::string body = server.rsaCertificateBody();
  EXPECT_EQ(body.back(), '\n');
  EXPECT_EQ(body.find("-----"), std::string::npos);
  std::string pair = server.sm2CoordinatePair('|');
  ASSERT_EQ(pair.size(), 129u);
  EXPECT_EQ(pair[64], '|');
  EXPECT_EQ(server.rsaPublicKeyHexDer().find_first_not_of("0123456789ABCDEF"), std::string::npos);
  EXPECT_FALSE(bank::base64Decode(server.sm2CertificateBody()).empty());
}

}  // namespace

namespace {

TEST(BankServer, ReadsThePublicHalvesOfTheConfiguredKeySet) {
  bank::ControlKeys keys = bank::controlKeysFromKeyset();
  // Sizes a deployment's set may have: a modulus of up to 2048 bits.
  EXPECT_FALSE(keys.rsaModulusHex.empty());
  EXPECT_LE(keys.rsaModulusHex.size(), 512u);
  EXPECT_FALSE(keys.rsaExponentHex.empty());
  EXPECT_EQ(keys.sm2PublicPoint.size(), 65u);
  EXPECT_EQ(keys.aesKey.size(), 32u);
}

}  // namespace
