// A second implementation, on OpenSSL alone, of how the server side turns a
// source byte string into the 32-character key text and recovers a password
// from the control's Base64 ciphertext. Header-only, so any test program that
// links OpenSSL can use it.
#pragma once

#include <openssl/evp.h>

#include <optional>
#include <string>

#include "keys/keyset.h"

namespace keytext {

// The 32-byte built-in AES key of this build's key set.
inline std::string builtinAesKey() {
  const std::string hex = keyset::value("aes_key_hex");
  std::string key;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    key.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return key;
}

// One pass of an OpenSSL cipher with padding switched on or off; nullopt when
// OpenSSL refuses.
inline std::optional<std::string> runCipher(const EVP_CIPHER* cipher, bool encrypt,
                                            const std::string& key, const std::string& in,
                                            bool padding) {
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  if (!ctx) return std::nullopt;
  std::string out(in.size() + 32, '\0');
  int n1 = 0, n2 = 0;
  bool ok =
      EVP_CipherInit_ex(ctx, cipher, nullptr, reinterpret_cast<const unsigned char*>(key.data()),
                        nullptr, encrypt ? 1 : 0) == 1 &&
      EVP_CIPHER_CTX_set_padding(ctx, padding ? 1 : 0) == 1 &&
      EVP_CipherUpdate(ctx, reinterpret_cast<unsigned char*>(&out[0]), &n1,
                       reinterpret_cast<const unsigned char*>(in.data()),
                       static_cast<int>(in.size())) == 1 &&
      EVP_CipherFinal_ex(ctx, reinterpret_cast<unsigned char*>(&out[0]) + n1, &n2) == 1;
  EVP_CIPHER_CTX_free(ctx);
  if (!ok) return std::nullopt;
  out.resize(static_cast<size_t>(n1 + n2));
  return out;
}

inline std::string base64(const std::string& bytes) {
  std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&out[0]),
                          reinterpret_cast<const unsigned char*>(bytes.data()),
                          static_cast<int>(bytes.size()));
  out.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return out;
}

// Strict Base64 (a multiple of four characters, alphabet and final padding
// only); nullopt for anything else.
inline std::optional<std::string> unbase64(const std::string& text) {
  if (text.empty() || text.size() % 4 != 0) return std::nullopt;
  std::string out(text.size() / 4 * 3, '\0');
  int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(&out[0]),
                          reinterpret_cast<const unsigned char*>(text.data()),
                          static_cast<int>(text.size()));
  if (n < 0) return std::nullopt;
  size_t pad = 0;
  if (text[text.size() - 1] == '=') ++pad;
  if (text[text.size() - 2] == '=') ++pad;
  out.resize(static_cast<size_t>(n) - pad);
  return out;
}

// The 32 bytes a key text is made from: AES-256-ECB decryption of the source,
// its last partial block completed with zero bytes, under the built-in AES
// key; the first 32 bytes of that, zero-filled when shorter.
inline std::string decryptedBytesFor(const std::string& source) {
  std::string padded = source;
  if (padded.size() % 16 != 0) padded.append(16 - padded.size() % 16, '\0');
  std::string plain;
  if (!padded.empty()) {
    plain = runCipher(EVP_aes_256_ecb(), false, builtinAesKey(), padded, false).value_or("");
  }
  plain.resize(32, '\0');
  return plain;
}

// The key text of a source: those 32 bytes in Base64, cut to 32 characters.
inline std::string keyTextFor(const std::string& source) {
  return base64(decryptedBytesFor(source)).substr(0, 32);
}

// The password behind a get_output1 / get_output2 result, or nullopt when the
// ciphertext does not have the exact shape the scheme gives: AES-256-ECB over
// the password and 1 to 16 appended zero bytes (aes), or SM4-ECB with PKCS#7
// padding under the first 16 key-text characters.
inline std::optional<std::string> recoverPassword(const std::string& base64Text, bool aes,
                                                  const std::string& keyText) {
  std::optional<std::string> cipher = unbase64(base64Text);
  if (!cipher || cipher->empty() || cipher->size() % 16 != 0) return std::nullopt;
  if (!aes) return runCipher(EVP_sm4_ecb(), false, keyText.substr(0, 16), *cipher, true);
  std::optional<std::string> plain = runCipher(EVP_aes_256_ecb(), false, keyText, *cipher, false);
  if (!plain) return std::nullopt;
  size_t end = plain->size();
  size_t zeros = 0;
  while (end > 0 && (*plain)[end - 1] == '\0') --end, ++zeros;
  // A password without zero bytes: what is left must be the length that 1 to
  // 16 appended zeros bring to the ciphertext's length.
  if (zeros < 1) return std::nullopt;
  plain->resize(end);
  if (plain->size() + 16 - plain->size() % 16 != cipher->size()) return std::nullopt;
  return plain;
}

}  // namespace keytext
