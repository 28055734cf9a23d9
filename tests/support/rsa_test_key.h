// RSA keys made with OpenSSL for the tests, in every form the system reads.
#pragma once

#include <openssl/evp.h>

#include <cstddef>
#include <string>

namespace testsupport {

struct RsaTestKey {
  EVP_PKEY* pkey = nullptr;    // the private key
  std::string certificatePem;  // self-signed certificate, without its final line break
  std::string publicDer;       // PKCS#1 RSAPublicKey
  std::string privateDer;      // PKCS#1 RSAPrivateKey
  std::string publicDerHex;    // publicDer as upper-case hex
  std::string privateDerHex;   // privateDer as upper-case hex
  std::string n, e, p, q, d;   // the parts as upper-case hex
  size_t size = 0;             // modulus bytes
};

// A key of bits made once per process and kept to its end.
const RsaTestKey& rsaTestKey(int bits);

// A fresh key of bits; the caller frees its pkey.
RsaTestKey makeRsaTestKey(int bits);

// A self-signed certificate for key (of any type) as PEM text, without its
// final line break.
std::string selfSignedCertificatePem(EVP_PKEY* key);

}  // namespace testsupport
