// Test keys made with OpenSSL, and OpenSSL's own private-key and DES
// operations as the oracle for the envelope layouts.
#pragma once

#include <openssl/evp.h>

#include <string>

#include "tests/support/rsa_test_key.h"

namespace envtest {

// The process's RSA test keys (512, 1024 or 2048 bits), made once each.
using TestKey = testsupport::RsaTestKey;
inline const TestKey& testKey(int bits) { return testsupport::rsaTestKey(bits); }

// A fresh key object holding only the public half, for the members that take one over.
EVP_PKEY* publicKeyObject(const TestKey& key);

// RSA private decryption: padding RSA_NO_PADDING or RSA_PKCS1_PADDING.
// "(failed)" when OpenSSL refuses.
std::string privateDecrypt(const TestKey& key, const std::string& cipher, int padding);

std::string hexDecode(const std::string& hex);      // via OpenSSL's hex reader
std::string base64Decode(const std::string& text);  // via EVP_DecodeBlock, pad bytes dropped

// Two-key triple DES (K1, K2, K1) decryption in ECB without padding, through EVP.
std::string des3Decrypt(const std::string& key16, const std::string& cipher);

// An output area pre-filled with a sentinel, to prove a failure wrote nothing.
struct OutArea {
  char bytes[1024];
  OutArea();
  bool untouched() const;
  std::string text() const { return std::string(bytes); }
};

}  // namespace envtest
