// The RSA wrappers against OpenSSL's own calls on keys made here.
#include <gtest/gtest.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>

#include <cstring>
#include <string>

#include "protect/pubkey.h"
#include "protect/pubkey_internal.h"
#include "tests/support/openssl_oracle.h"
#include "tests/support/rsa_test_key.h"

namespace {

using testsupport::makeRsaTestKey;
using testsupport::RsaTestKey;
using testsupport::rsaTestKey;

// OpenSSL's own PKCS#1 v1.5 operations; "" when it refuses.
std::string privateDecrypt(EVP_PKEY* pkey, const std::string& c) {
  return testsupport::opensslDecrypt(pkey, c, RSA_PKCS1_PADDING).value_or("");
}
std::string publicEncrypt(EVP_PKEY* pkey, const std::string& m) {
  return testsupport::opensslEncrypt(pkey, m, RSA_PKCS1_PADDING).value_or("");
}

const std::string kRandom = "0a1b2c3d4e5f6g7h";

TEST(RsaEncryptWithPemCertificate, EncryptsToTheCertificateKey) {
  const RsaTestKey& k = rsaTestKey(1024);
  std::string c = rsaEncryptWithPemCertificate(k.certificatePem, kRandom, RSA_PKCS1_PADDING);
  ASSERT_EQ(c.size(), 128u);
  EXPECT_EQ(privateDecrypt(k.pkey, c), kRandom);
  // The padding is random: the same message never gives the same ciphertext.
  std::string again = rsaEncryptWithPemCertificate(k.certificatePem, kRandom, RSA_PKCS1_PADDING);
  EXPECT_NE(again, c);
  EXPECT_EQ(privateDecrypt(k.pkey, again), kRandom);
}

TEST(RsaEncryptWithPemCertificate, CertificateBodyNeedsItsFinalLineBreak) {
  const RsaTestKey& k = rsaTestKey(1024);
  std::string body = k.certificatePem.substr(std::strlen(kPemBegin) + 1);
  body = body.substr(0, body.size() - std::strlen(kPemEnd));  // ends with "\n"
  ASSERT_EQ(body.back(), '\n');
  std::string pem = pemFromCertificateBody(body);
  EXPECT_EQ(pem.substr(0, 29), std::string(kPemBeginLine));
  EXPECT_EQ(privateDecrypt(k.pkey, rsaEncryptWithPemCertificate(pem, kRandom, 1)), kRandom);

  body.pop_back();
  EXPECT_TRUE(rsaEncryptWithPemCertificate(pemFromCertificateBody(body), kRandom, 1).empty());
}

TEST(RsaEncryptWithPemCertificate, RefusesWhatItCannotUse) {
  const RsaTestKey& k = rsaTestKey(1024);
  std::string tooLong(118, 'x');  // over RSA_size - 11 for PKCS#1 v1.5
  struct Case {
    const char* what;
    std::string pem, message;
  } cases[] = {
      {"empty message", k.certificatePem, ""},
      {"empty pem", "", kRandom},
      {"not a certificate", "-----BEGIN CERTIFICATE-----\nAAAA\n-----END CERTIFICATE-----",
       kRandom},
      {"message over the padding limit", k.certificatePem, tooLong},
      {"message over the key size", k.certificatePem, std::string(129, 'x')},
  };
  for (const Case& c : cases)
    EXPECT_TRUE(rsaEncryptWithPemCertificate(c.pem, c.message, 1).empty()) << c.what;
}

TEST(RsaEncryptWithPemCertificate, RefusesANonRsaCertificate) {
  EVP_PKEY* ec = EVP_EC_gen("P-256");
  std::string pem = testsupport::selfSignedCertificatePem(ec);
  EVP_PKEY_free(ec);
  EXPECT_TRUE(rsaEncryptWithPemCertificate(pem, kRandom, 1).empty());
}

TEST(RsaEncryptWithDerKey, EncryptsAndKeepsItsLimits) {
  const RsaTestKey& k = rsaTestKey(1024);
  std::string c = rsaEncryptWithDerKey(k.publicDer, kRandom, 1);
  ASSERT_EQ(c.size(), 128u);
  EXPECT_EQ(privateDecrypt(k.pkey, c), kRandom);

  EXPECT_TRUE(rsaEncryptWithDerKey(k.publicDer, std::string(129, 'x'), 1).empty());
  EXPECT_TRUE(rsaEncryptWithDerKey(k.publicDer, std::string(128, 'x'), 1).empty());
  EXPECT_TRUE(rsaEncryptWithDerKey(k.publicDer, "", 1).empty());
  EXPECT_TRUE(rsaEncryptWithDerKey("", kRandom, 1).empty());
  EXPECT_TRUE(rsaEncryptWithDerKey(std::string("\x30\x03\x02\x01\x01", 5), kRandom, 1).empty());
}

TEST(RsaDecryptWithKeyParts, DecryptsWithoutCrtValues) {
  for (unsigned bits : {1024u, 2048u}) {
    const RsaTestKey& k = rsaTestKey(static_cast<int>(bits));
    std::string c = publicEncrypt(k.pkey, "server random 0123456789");
    EXPECT_EQ(
        rsaDecryptWithKeyParts(k.n.c_str(), k.e.c_str(), k.p.c_str(), k.q.c_str(), k.d.c_str(), c),
        "server random 0123456789")
        << bits;
  }
}

TEST(RsaDecryptWithKeyParts, RefusesForeignAndOversizedCiphertexts) {
  const RsaTestKey& k = rsaTestKey(1024);
  RsaTestKey other = makeRsaTestKey(1024);
  // Below the other modulus too, a foreign ciphertext now and then opens (its
  // padding valid by chance): this is one that OpenSSL refuses.
  std::string foreign = publicEncrypt(other.pkey, kRandom);
  while (testsupport::opensslDecrypt(k.pkey, foreign, RSA_PKCS1_PADDING))
    foreign = publicEncrypt(other.pkey, kRandom);
  EVP_PKEY_free(other.pkey);
  auto decrypt = [&](const std::string& c) {
    return rsaDecryptWithKeyParts(k.n.c_str(), k.e.c_str(), k.p.c_str(), k.q.c_str(), k.d.c_str(),
                                  c);
  };
  EXPECT_TRUE(decrypt(foreign).empty());
  EXPECT_TRUE(decrypt("").empty());
  EXPECT_TRUE(decrypt(std::string(1025, '\x01')).empty());
  EXPECT_TRUE(rsaDecryptWithKeyParts("", k.e.c_str(), k.p.c_str(), k.q.c_str(), k.d.c_str(),
                                     publicEncrypt(k.pkey, kRandom))
                  .empty());
}

}  // namespace
