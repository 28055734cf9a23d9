// OpenSSL's own AES-ECB (no padding) and small byte helpers for the AES tests.
#pragma once

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <string>

#include "tests/support/hex.h"

namespace aestest {

inline std::string fromHex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return out;
}

using testsupport::toHex;  // lower case

inline std::string randomBytes(size_t n) {
  std::string out(n, '\0');
  if (n) RAND_bytes(reinterpret_cast<unsigned char*>(&out[0]), static_cast<int>(n));
  return out;
}

// AES-ECB of whole blocks through EVP with padding off; key of 16, 24 or 32 bytes.
inline std::string opensslEcb(const std::string& key, const std::string& in, bool encrypt) {
  const EVP_CIPHER* cipher = key.size() == 16   ? EVP_aes_128_ecb()
                             : key.size() == 24 ? EVP_aes_192_ecb()
                                                : EVP_aes_256_ecb();
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  std::string out(in.size() + 16, '\0');
  int len = 0, fin = 0;
  EVP_CipherInit_ex(ctx, cipher, nullptr, reinterpret_cast<const unsigned char*>(key.data()),
                    nullptr, encrypt ? 1 : 0);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  EVP_CipherUpdate(ctx, reinterpret_cast<unsigned char*>(&out[0]), &len,
                   reinterpret_cast<const unsigned char*>(in.data()), static_cast<int>(in.size()));
  EVP_CipherFinal_ex(ctx, reinterpret_cast<unsigned char*>(&out[0]) + len, &fin);
  EVP_CIPHER_CTX_free(ctx);
  out.resize(len + fin);
  return out;
}

}  // namespace aestest
