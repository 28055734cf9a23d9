#include "tests/support/rsa_test_key.h"

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/crypto.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <map>

#include "common/owned.h"
#include "tests/support/hex.h"

namespace testsupport {
namespace {

std::string bnHex(const BIGNUM* bn) {
  char* hex = BN_bn2hex(bn);
  std::string s(hex ? hex : "");
  OPENSSL_free(hex);
  return s;
}

template <typename Encode>
std::string der(const RSA* rsa, Encode encode) {
  unsigned char* bytes = nullptr;
  int len = encode(rsa, &bytes);
  std::string out(reinterpret_cast<char*>(bytes), len > 0 ? static_cast<size_t>(len) : 0);
  OPENSSL_free(bytes);
  return out;
}

}  // namespace

std::string selfSignedCertificatePem(EVP_PKEY* key) {
  spc::X509Ptr cert(X509_new());
  X509_set_version(cert.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 1);
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), 0);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), 3600);
  X509_set_pubkey(cert.get(), key);
  X509_NAME* name = X509_get_subject_name(cert.get());
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>("bank test"), -1, -1, 0);
  X509_set_issuer_name(cert.get(), name);
  X509_sign(cert.get(), key, EVP_sha256());
  spc::BioPtr bio(BIO_new(BIO_s_mem()));
  PEM_write_bio_X509(bio.get(), cert.get());
  char* data = nullptr;
  long len = BIO_get_mem_data(bio.get(), &data);
  std::string pem(data, static_cast<size_t>(len));
  while (!pem.empty() && pem.back() == '\n') pem.pop_back();
  return pem;
}

RsaTestKey makeRsaTestKey(int bits) {
  RsaTestKey k;
  k.pkey = EVP_RSA_gen(static_cast<unsigned>(bits));
  k.certificatePem = selfSignedCertificatePem(k.pkey);
  const RSA* rsa = EVP_PKEY_get0_RSA(k.pkey);
  k.publicDer = der(rsa, i2d_RSAPublicKey);
  k.privateDer = der(rsa, i2d_RSAPrivateKey);
  k.publicDerHex = toHex(k.publicDer, HexCase::kUpper);
  k.privateDerHex = toHex(k.privateDer, HexCase::kUpper);
  k.n = bnHex(RSA_get0_n(rsa));
  k.e = bnHex(RSA_get0_e(rsa));
  k.p = bnHex(RSA_get0_p(rsa));
  k.q = bnHex(RSA_get0_q(rsa));
  k.d = bnHex(RSA_get0_d(rsa));
  k.size = static_cast<size_t>(RSA_size(rsa));
  return k;
}

const RsaTestKey& rsaTestKey(int bits) {
  static auto* keys = new std::map<int, RsaTestKey>;  // kept for the whole process
  auto it = keys->find(bits);
  if (it == keys->end()) it = keys->emplace(bits, makeRsaTestKey(bits)).first;
  return it->second;
}

}  // namespace testsupport
