// A ciphertext for the control's built-in keys with one byte changed, which
// the key refuses.
#pragma once

#include <openssl/rsa.h>

#include <string>

#include "keys/keyset.h"
#include "tests/support/openssl_oracle.h"

namespace testsupport {

// An RSA one is checked against the key set's private key on OpenSSL (a
// changed RSA ciphertext opens now and then); an SM2 one fails its digest
// check whatever byte changed.
inline std::string alteredForBuiltinKey(bool rsa, const std::string& cipher) {
  if (rsa) {
    static EVP_PKEY* key = readPrivateKeyPem(SPC_KEYSET_RSA_FILE);
    return refusedAlteration(key, cipher, RSA_PKCS1_PADDING);
  }
  std::string out = cipher;
  if (!out.empty()) out[out.size() / 2] ^= 0x5A;
  return out;
}

}  // namespace testsupport
