// The RSA wrappers against OpenSSL's own calls on keys made here.
#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <cstring>
#include <memory>
#include <string>

#include "protect/pubkey.h"

namespace {

struct TestKey {
  EVP_PKEY* pkey = nullptr;
  std::string pem;        // self-signed certificate
  std::string derPublic;  // PKCS#1 RSAPublicKey
  std::string n, e, p, q, d;  // hex parts
};

std::string bnHex(const BIGNUM* bn) {
  char* hex = BN_bn2hex(bn);
  std::string s(hex);
  OPENSSL_free(hex);
  return s;
}

TestKey makeKey(unsigned bits) {
  TestKey k;
  k.pkey = EVP_RSA_gen(bits);
  X509* cert = X509_new();
  X509_set_version(cert, 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
  X509_gmtime_adj(X509_getm_notBefore(cert), 0);
  X509_gmtime_adj(X509_getm_notAfter(cert), 3600);
  X509_set_pubkey(cert, k.pkey);
  X509_NAME* name = X509_get_subject_name(cert);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>("bank test"), -1, -1, 0);
  X509_set_issuer_name(cert, name);
  X509_sign(cert, k.pkey, EVP_sha256());
  BIO* bio = BIO_new(BIO_s_mem());
  PEM_write_bio_X509(bio, cert);
  char* data = nullptr;
  long len = BIO_get_mem_data(bio, &data);
  k.pem.assign(data, len);
  while (!k.pem.empty() && k.pem.back() == '\n') k.pem.pop_back();
  BIO_free(bio);
  X509_free(cert);

  const RSA* rsa = EVP_PKEY_get0_RSA(k.pkey);
  unsigned char* der = nullptr;
  int derLen = i2d_RSAPublicKey(rsa, &der);
  k.derPublic.assign(reinterpret_cast<char*>(der), derLen);
  OPENSSL_free(der);
  k.n = bnHex(RSA_get0_n(rsa));
  k.e = bnHex(RSA_get0_e(rsa));
  k.p = bnHex(RSA_get0_p(rsa));
  k.q = bnHex(RSA_get0_q(rsa));
  k.d = bnHex(RSA_get0_d(rsa));
  return k;
}

const TestKey& key1024() {
  static TestKey k = makeKey(1024);
  return k;
}

std::string privateDecrypt(EVP_PKEY* pkey, const std::string& c) {
  EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(pkey, nullptr);
  EVP_PKEY_decrypt_init(ctx);
  EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_PADDING);
  size_t len = 0;
  const auto* in = reinterpret_cast<const unsigned char*>(c.data());
  std::string out;
  if (EVP_PKEY_decrypt(ctx, nullptr, &len, in, c.size()) > 0) {
    out.resize(len);
    if (EVP_PKEY_decrypt(ctx, reinterpret_cast<unsigned char*>(&out[0]), &len, in, c.size()) > 0)
      out.resize(len);
    else
      out.clear();
  }
  EVP_PKEY_CTX_free(ctx);
  return out;
}

std::string publicEncrypt(EVP_PKEY* pkey, const std::string& m) {
  EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(pkey, nullptr);
  EVP_PKEY_encrypt_init(ctx);
  EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_PADDING);
  size_t len = 0;
  const auto* in = reinterpret_cast<const unsigned char*>(m.data());
  EVP_PKEY_encrypt(ctx, nullptr, &len, in, m.size());
  std::string out(len, '\0');
  EVP_PKEY_encrypt(ctx, reinterpret_cast<unsigned char*>(&out[0]), &len, in, m.size());
  out.resize(len);
  EVP_PKEY_CTX_free(ctx);
  return out;
}

const std::string kRandom = "0a1b2c3d4e5f6g7h";

TEST(RsaEncryptWithPemCertificate, EncryptsToTheCertificateKey) {
  const TestKey& k = key1024();
  std::string c = rsaEncryptWithPemCertificate(k.pem, kRandom, RSA_PKCS1_PADDING);
  ASSERT_EQ(c.size(), 128u);
  EXPECT_EQ(privateDecrypt(k.pkey, c), kRandom);
}

TEST(RsaEncryptWithPemCertificate, CertificateBodyNeedsItsFinalLineBreak) {
  const TestKey& k = key1024();
  std::string body = k.pem.substr(std::strlen(kPemBegin) + 1);
  body = body.substr(0, body.size() - std::strlen(kPemEnd));  // ends with "\n"
  ASSERT_EQ(body.back(), '\n');
  std::string pem = pemFromCertificateBody(body);
  EXPECT_EQ(pem.substr(0, 29), std::string(kPemBeginLine));
  EXPECT_EQ(privateDecrypt(k.pkey, rsaEncryptWithPemCertificate(pem, kRandom, 1)), kRandom);

  body.pop_back();
  EXPECT_TRUE(rsaEncryptWithPemCertificate(pemFromCertificateBody(body), kRandom, 1).empty());
}

TEST(RsaEncryptWithPemCertificate, RefusesWhatItCannotUse) {
  const TestKey& k = key1024();
  std::string tooLong(118, 'x');  // over RSA_size - 11 for PKCS#1 v1.5
  struct Case {
    const char* what;
    std::string pem, message;
  } cases[] = {
      {"empty message", k.pem, ""},
      {"empty pem", "", kRandom},
      {"not a certificate", "-----BEGIN CERTIFICATE-----\nAAAA\n-----END CERTIFICATE-----",
       kRandom},
      {"message over the padding limit", k.pem, tooLong},
      {"message over the key size", k.pem, std::string(129, 'x')},
  };
  for (const Case& c : cases)
    EXPECT_TRUE(rsaEncryptWithPemCertificate(c.pem, c.message, 1).empty()) << c.what;
}

TEST(RsaEncryptWithPemCertificate, RefusesANonRsaCertificate) {
  EVP_PKEY* ec = EVP_EC_gen("P-256");
  X509* cert = X509_new();
  X509_set_pubkey(cert, ec);
  X509_gmtime_adj(X509_getm_notBefore(cert), 0);
  X509_gmtime_adj(X509_getm_notAfter(cert), 3600);
  X509_sign(cert, ec, EVP_sha256());
  BIO* bio = BIO_new(BIO_s_mem());
  PEM_write_bio_X509(bio, cert);
  char* data = nullptr;
  long len = BIO_get_mem_data(bio, &data);
  std::string pem(data, len);
  BIO_free(bio);
  X509_free(cert);
  EVP_PKEY_free(ec);
  EXPECT_TRUE(rsaEncryptWithPemCertificate(pem, kRandom, 1).empty());
}

TEST(RsaEncryptWithDerKey, EncryptsAndKeepsItsLimits) {
  const TestKey& k = key1024();
  std::string c = rsaEncryptWithDerKey(k.derPublic, kRandom, 1);
  ASSERT_EQ(c.size(), 128u);
  EXPECT_EQ(privateDecrypt(k.pkey, c), kRandom);

  EXPECT_TRUE(rsaEncryptWithDerKey(k.derPublic, std::string(129, 'x'), 1).empty());
  EXPECT_TRUE(rsaEncryptWithDerKey(k.derPublic, std::string(128, 'x'), 1).empty());
  EXPECT_TRUE(rsaEncryptWithDerKey(k.derPublic, "", 1).empty());
  EXPECT_TRUE(rsaEncryptWithDerKey("", kRandom, 1).empty());
  EXPECT_TRUE(rsaEncryptWithDerKey(std::string("\x30\x03\x02\x01\x01", 5), kRandom, 1).empty());
}

TEST(RsaDecryptWithKeyParts, DecryptsWithoutCrtValues) {
  for (unsigned bits : {1024u, 2048u}) {
    TestKey k = bits == 1024 ? key1024() : makeKey(bits);
    std::string c = publicEncrypt(k.pkey, "server random 0123456789");
    EXPECT_EQ(rsaDecryptWithKeyParts(k.n.c_str(), k.e.c_str(), k.p.c_str(), k.q.c_str(),
                                     k.d.c_str(), c),
              "server random 0123456789")
        << bits;
    if (bits != 1024) EVP_PKEY_free(k.pkey);
  }
}

TEST(RsaDecryptWithKeyParts, RefusesForeignAndOversizedCiphertexts) {
  const TestKey& k = key1024();
  TestKey other = makeKey(1024);
  std::string foreign = publicEncrypt(other.pkey, kRandom);
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
