// OpenSSL's own public-key encryption and decryption, the oracle for our
// wrappers and for the bank's server.
#pragma once

#include <openssl/evp.h>

#include <optional>
#include <string>

namespace testsupport {

// Decrypts cipher with key. padding: an RSA padding mode (RSA_PKCS1_PADDING,
// RSA_NO_PADDING), or 0 to keep the key type's own (SM2 takes its DER form).
// nullopt when OpenSSL refuses.
std::optional<std::string> opensslDecrypt(EVP_PKEY* key, const std::string& cipher, int padding);

// Encrypts message to key, padding as above. nullopt when OpenSSL refuses.
std::optional<std::string> opensslEncrypt(EVP_PKEY* key, const std::string& message, int padding);

// The ciphertext with one byte changed so that OpenSSL, with key, refuses it.
// A changed RSA ciphertext now and then opens (about once in 80,000 under
// PKCS#1 v1.5 padding, the padding being valid by chance), so the change
// moves on to the next byte until it does not.
std::string refusedAlteration(EVP_PKEY* key, const std::string& cipher, int padding);

// The unencrypted PEM private key in the file at path (RSA or SM2), owned by
// the caller; null when the file is missing or holds none.
EVP_PKEY* readPrivateKeyPem(const char* path);

}  // namespace testsupport
