#include "tests/support/openssl_oracle.h"

#include <openssl/core_names.h>
#include <openssl/params.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <cstdio>

#include "common/owned.h"

namespace testsupport {
namespace {

using Operation = int (*)(EVP_PKEY_CTX*, unsigned char*, size_t*, const unsigned char*, size_t);

std::optional<std::string> run(EVP_PKEY* key, int (*init)(EVP_PKEY_CTX*), Operation operation,
                               const std::string& input, int padding) {
  spc::PkeyCtxPtr ctx(EVP_PKEY_CTX_new(key, nullptr));
  if (!ctx || init(ctx.get()) <= 0) return std::nullopt;
  if (padding != 0 && EVP_PKEY_CTX_set_rsa_padding(ctx.get(), padding) <= 0) return std::nullopt;
#ifdef OSSL_ASYM_CIPHER_PARAM_IMPLICIT_REJECTION
  // A bad PKCS#1 padding is refused, not answered with a made-up message.
  if (operation == EVP_PKEY_decrypt && padding == RSA_PKCS1_PADDING) {
    unsigned int implicitRejection = 0;
    OSSL_PARAM params[] = {
        OSSL_PARAM_construct_uint(OSSL_ASYM_CIPHER_PARAM_IMPLICIT_REJECTION, &implicitRejection),
        OSSL_PARAM_construct_end()};
    if (EVP_PKEY_CTX_set_params(ctx.get(), params) <= 0) return std::nullopt;
  }
#endif
  const auto* in = reinterpret_cast<const unsigned char*>(input.data());
  size_t len = 0;
  if (operation(ctx.get(), nullptr, &len, in, input.size()) <= 0) return std::nullopt;
  std::string out(len, '\0');
  if (operation(ctx.get(), reinterpret_cast<unsigned char*>(&out[0]), &len, in, input.size()) <= 0)
    return std::nullopt;
  out.resize(len);
  return out;
}

}  // namespace

std::optional<std::string> opensslDecrypt(EVP_PKEY* key, const std::string& cipher, int padding) {
  return run(key, EVP_PKEY_decrypt_init, EVP_PKEY_decrypt, cipher, padding);
}

std::optional<std::string> opensslEncrypt(EVP_PKEY* key, const std::string& message, int padding) {
  return run(key, EVP_PKEY_encrypt_init, EVP_PKEY_encrypt, message, padding);
}

std::string refusedAlteration(EVP_PKEY* key, const std::string& cipher, int padding) {
  std::string altered = cipher;
  for (size_t i = 0; i < cipher.size(); ++i) {
    altered = cipher;
    altered[(cipher.size() / 2 + i) % cipher.size()] ^= 0x5A;
    if (!opensslDecrypt(key, altered, padding)) break;
  }
  return altered;
}

EVP_PKEY* readPrivateKeyPem(const char* path) {
  FILE* f = std::fopen(path, "r");
  if (!f) return nullptr;
  EVP_PKEY* key = PEM_read_PrivateKey(f, nullptr, nullptr, nullptr);
  std::fclose(f);
  return key;
}

}  // namespace testsupport
