// The SM2 public-key method: per-context data (identity, digest) and the
// hooks OpenSSL's EVP_PKEY_encrypt/decrypt/sign/verify dispatch to.
#include <openssl/crypto.h>

#include <climits>
#include <cstring>

#include "sm/sm2/internal.h"
#include "sm/sm2/sm2.h"
#include "sm/sm3/sm3.h"

namespace smlib {

using namespace sm2_internal;

namespace {

SM2_PKEY_CTX* dataOf(const EVP_PKEY_CTX* ctx) {
  return ctx == nullptr ? nullptr : static_cast<SM2_PKEY_CTX*>(EVP_PKEY_CTX_get_data(ctx));
}

// The context's EC key (one reference, released by the owner), or null.
spc::EcKeyPtr keyOf(EVP_PKEY_CTX* ctx) {
  EVP_PKEY* pkey = ctx == nullptr ? nullptr : EVP_PKEY_CTX_get0_pkey(ctx);
  if (pkey == nullptr || EVP_PKEY_get_base_id(pkey) != EVP_PKEY_EC) return spc::EcKeyPtr();
  return spc::EcKeyPtr(EVP_PKEY_get1_EC_KEY(pkey));
}

const EVP_MD* mdOf(const EVP_PKEY_CTX* ctx) {
  SM2_PKEY_CTX* data = dataOf(ctx);
  return data != nullptr && data->md != nullptr ? data->md : pkey_sm2_get_default_md();
}

const char* idOf(const EVP_PKEY_CTX* ctx) {
  SM2_PKEY_CTX* data = dataOf(ctx);
  return data != nullptr ? data->id : pkey_sm2_get_default_id();
}

// Encryption and decryption: the size query answers at once; otherwise the
// capacity the caller states in *outlen must hold the result before anything
// is written.
using Crypt = int (*)(EC_KEY*, const unsigned char*, size_t, unsigned char*, const EVP_MD*);
int runCrypt(EVP_PKEY_CTX* ctx, Crypt op, unsigned char* out, size_t* outlen,
             const unsigned char* in, size_t inlen) {
  spc::EcKeyPtr key = keyOf(ctx);
  if (!key || outlen == nullptr) return 0;
  const EVP_MD* md = mdOf(ctx);
  int needed = op(key.get(), in, inlen, nullptr, md);
  if (out == nullptr) {
    *outlen = static_cast<size_t>(needed > 0 ? needed : 0);
    return 1;
  }
  if (needed > 0 && *outlen < static_cast<size_t>(needed)) {
    *outlen = static_cast<size_t>(needed);
    return 0;
  }
  int result = op(key.get(), in, inlen, out, md);
  *outlen = static_cast<size_t>(result > 0 ? result : 0);
  return 1;
}

}  // namespace

const char* pkey_sm2_get_default_id() { return nullptr; }

const EVP_MD* pkey_sm2_get_default_md() { return EVP_sm3(); }

void EVP_PKEY_CTX_set_md(EVP_PKEY_CTX* ctx, const EVP_MD* md) {
  if (SM2_PKEY_CTX* data = dataOf(ctx)) data->md = md;
}

void EVP_PKEY_CTX_set_id(EVP_PKEY_CTX* ctx, const char* id) {
  if (SM2_PKEY_CTX* data = dataOf(ctx)) data->id = id;
}

int pkey_sm2_init(EVP_PKEY_CTX* ctx) {
  if (ctx == nullptr) return 0;
  if (EVP_PKEY_CTX_get_data(ctx) != nullptr) return 1;
  auto* data = static_cast<SM2_PKEY_CTX*>(OPENSSL_zalloc(sizeof(SM2_PKEY_CTX)));
  if (data == nullptr) return 0;
  data->id = pkey_sm2_get_default_id();
  data->md = pkey_sm2_get_default_md();
  EVP_PKEY_CTX_set_data(ctx, data);
  return 1;
}

void pkey_sm2_cleanup(EVP_PKEY_CTX* ctx) {
  if (ctx == nullptr) return;
  OPENSSL_free(EVP_PKEY_CTX_get_data(ctx));
  EVP_PKEY_CTX_set_data(ctx, nullptr);
}

int pkey_sm2_copy(EVP_PKEY_CTX* dst, const EVP_PKEY_CTX* src) {
  // EVP_PKEY_CTX_dup calls this on a fresh context that has no data yet.
  SM2_PKEY_CTX* from = dataOf(src);
  if (dst == nullptr || from == nullptr) return 0;
  auto* copy = static_cast<SM2_PKEY_CTX*>(OPENSSL_memdup(from, sizeof(SM2_PKEY_CTX)));
  if (copy == nullptr) return 0;
  EVP_PKEY_CTX_set_data(dst, copy);
  return 1;
}

int pkey_sm2_encrypt_init(EVP_PKEY_CTX* ctx) {
  spc::EcKeyPtr key = keyOf(ctx);
  return key && EC_KEY_get0_public_key(key.get()) != nullptr && EC_SM2_check_key(key.get()) == 1
             ? 1
             : 0;
}

int pkey_sm2_decrypt_init(EVP_PKEY_CTX* ctx) {
  spc::EcKeyPtr key = keyOf(ctx);
  return key && EC_KEY_get0_private_key(key.get()) != nullptr ? 1 : 0;
}

int pkey_sm2_encrypt(EVP_PKEY_CTX* ctx, unsigned char* out, size_t* outlen, const unsigned char* in,
                     size_t inlen) {
  return runCrypt(ctx, EC_SM2_encrypt, out, outlen, in, inlen);
}

int pkey_sm2_decrypt(EVP_PKEY_CTX* ctx, unsigned char* out, size_t* outlen, const unsigned char* in,
                     size_t inlen) {
  return runCrypt(ctx, EC_SM2_decrypt, out, outlen, in, inlen);
}

int pkey_sm2_sign(EVP_PKEY_CTX* ctx, unsigned char* sig, size_t* siglen, const unsigned char* tbs,
                  size_t tbslen) {
  spc::EcKeyPtr key = keyOf(ctx);
  if (!key) return 0;
  SigPtr signature(EC_SM2_SIG_new());
  if (!signature) return 0;
  int rc = EC_SM2_sign(key.get(), idOf(ctx), tbs, tbslen, signature.get(), mdOf(ctx));
  if (rc <= 0) return rc;
  unsigned char* der = nullptr;
  int n = i2d_EC_SM2_SIG(signature.get(), &der);
  if (n <= 0) return 0;
  int result = 0;
  if (sig == nullptr) {
    if (siglen != nullptr) *siglen = static_cast<size_t>(n);
    result = 1;
  } else if (siglen == nullptr) {
    result = 0;
  } else if (*siglen < static_cast<size_t>(n)) {
    *siglen = static_cast<size_t>(n);
    result = 0;
  } else {
    memcpy(sig, der, static_cast<size_t>(n));
    *siglen = static_cast<size_t>(n);
    result = 1;
  }
  OPENSSL_free(der);
  return result;
}

int pkey_sm2_verify(EVP_PKEY_CTX* ctx, const unsigned char* sig, size_t siglen,
                    const unsigned char* tbs, size_t tbslen) {
  SigPtr decoded;
  if (sig != nullptr && siglen <= static_cast<size_t>(LONG_MAX)) {
    const unsigned char* p = sig;
    decoded.reset(d2i_EC_SM2_SIG(nullptr, &p, static_cast<long>(siglen)));
  }
  spc::EcKeyPtr key = keyOf(ctx);
  if (!key) return 0;
  return EC_SM2_verify(key.get(), idOf(ctx), tbs, tbslen, decoded.get(), mdOf(ctx));
}

EVP_PKEY_METHOD* sm2_pmeth_new() {
  EVP_PKEY_METHOD* meth = EVP_PKEY_meth_new(EVP_PKEY_SM2_METHOD_ID, 0);
  if (meth == nullptr) return nullptr;
  EVP_PKEY_meth_set_init(meth, pkey_sm2_init);
  EVP_PKEY_meth_set_cleanup(meth, pkey_sm2_cleanup);
  // OpenSSL 3 calls the copy hook of EVP_PKEY_CTX_dup without a null test.
  EVP_PKEY_meth_set_copy(meth, pkey_sm2_copy);
  EVP_PKEY_meth_set_encrypt(meth, pkey_sm2_encrypt_init, pkey_sm2_encrypt);
  EVP_PKEY_meth_set_decrypt(meth, pkey_sm2_decrypt_init, pkey_sm2_decrypt);
  // Signing needs what decryption needs (d), verification what encryption
  // needs (a valid public point).
  EVP_PKEY_meth_set_sign(meth, pkey_sm2_decrypt_init, pkey_sm2_sign);
  EVP_PKEY_meth_set_verify(meth, pkey_sm2_encrypt_init, pkey_sm2_verify);
  return meth;
}

}  // namespace smlib
