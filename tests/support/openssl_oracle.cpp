#include "tests/support/openssl_oracle.h"

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

EVP_PKEY* readPrivateKeyPem(const char* path) {
  FILE* f = std::fopen(path, "r");
  if (!f) return nullptr;
  EVP_PKEY* key = PEM_read_PrivateKey(f, nullptr, nullptr, nullptr);
  std::fclose(f);
  return key;
}

}  // namespace testsupport
