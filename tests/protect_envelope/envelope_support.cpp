#include "envelope_support.h"

#include <openssl/crypto.h>
#include <openssl/rsa.h>

#include <cstring>
#include <vector>

#include "tests/support/openssl_oracle.h"

namespace envtest {

EVP_PKEY* publicKeyObject(const TestKey& key) {
  EVP_PKEY* pkey = EVP_PKEY_new();
  EVP_PKEY_assign_RSA(pkey, RSAPublicKey_dup(EVP_PKEY_get0_RSA(key.pkey)));
  return pkey;
}

std::string privateDecrypt(const TestKey& key, const std::string& cipher, int padding) {
  return testsupport::opensslDecrypt(key.pkey, cipher, padding).value_or("(failed)");
}

std::string hexDecode(const std::string& hex) {
  long len = 0;
  unsigned char* bytes = OPENSSL_hexstr2buf(hex.c_str(), &len);
  if (!bytes) return "(bad hex)";
  std::string out(reinterpret_cast<char*>(bytes), static_cast<size_t>(len));
  OPENSSL_free(bytes);
  return out;
}

std::string base64Decode(const std::string& text) {
  std::vector<unsigned char> out(text.size() / 4 * 3 + 3);
  int n = EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(text.data()),
                          static_cast<int>(text.size()));
  if (n < 0) return "(bad base64)";
  if (!text.empty() && text.back() == '=') --n;
  if (text.size() > 1 && text[text.size() - 2] == '=') --n;
  return std::string(reinterpret_cast<char*>(out.data()), static_cast<size_t>(n));
}

std::string des3Decrypt(const std::string& key16, const std::string& cipher) {
  const std::string key24 = key16 + key16.substr(0, 8);
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  std::string out(cipher.size() + 8, '\0');
  int n = 0, m = 0;
  bool ok = EVP_DecryptInit_ex(ctx, EVP_des_ede3_ecb(), nullptr,
                               reinterpret_cast<const unsigned char*>(key24.data()), nullptr) &&
            EVP_CIPHER_CTX_set_padding(ctx, 0) &&
            EVP_DecryptUpdate(ctx, reinterpret_cast<unsigned char*>(&out[0]), &n,
                              reinterpret_cast<const unsigned char*>(cipher.data()),
                              static_cast<int>(cipher.size())) &&
            EVP_DecryptFinal_ex(ctx, reinterpret_cast<unsigned char*>(&out[n]), &m);
  EVP_CIPHER_CTX_free(ctx);
  if (!ok) return "(failed)";
  out.resize(static_cast<size_t>(n + m));
  return out;
}

OutArea::OutArea() { std::memset(bytes, 0x5A, sizeof bytes); }

bool OutArea::untouched() const {
  for (char c : bytes) {
    if (c != 0x5A) return false;
  }
  return true;
}

}  // namespace envtest
