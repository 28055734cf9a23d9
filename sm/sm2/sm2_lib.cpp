// SM2 key objects: EC_KEYs with the SM2 group and flag, made from numbers,
// and their wrapping into an EVP_PKEY bound to an "sm2" engine.
#include "sm/sm2/internal.h"
#include "sm/sm2/sm2.h"

namespace smlib {

using namespace sm2_internal;

EC_KEY* EC_KEY_SM2_init(EC_KEY* key) {
  spc::EcKeyPtr made(key == nullptr ? EC_KEY_new() : nullptr);
  EC_KEY* k = key != nullptr ? key : made.get();
  if (k == nullptr) return nullptr;
  ec_sm2_data* rec = ec_sm2_check(k);
  if (rec == nullptr) return nullptr;
  // The key's own group carries G, n and cofactor 1: OpenSSL refuses a
  // private key on a group without an order. The record's group stays as it
  // is and does the arithmetic.
  spc::EcGroupPtr group(EC_GROUP_dup(rec->group));
  spc::SecretBnPtr one(BN_new());
  if (!group || !one || !BN_one(one.get()) ||
      !EC_GROUP_set_generator(group.get(), rec->G, rec->n, one.get()) ||
      !EC_KEY_set_group(k, group.get()))
    return nullptr;
  EC_KEY_set_flags(k, EC_FLAG_SM2_KEY);
  made.release();
  return k;
}

int EC_KEY_is_sm2(const EC_KEY* key) {
  return key != nullptr && (EC_KEY_get_flags(key) & EC_FLAG_SM2_KEY) != 0 ? 1 : 0;
}

EC_KEY* EC_KEY_from_BN(const BIGNUM* x, const BIGNUM* y, const BIGNUM* d) {
  if (x == nullptr || y == nullptr) return nullptr;
  spc::EcKeyPtr key(EC_KEY_SM2_init(nullptr));
  if (!key) return nullptr;
  ec_sm2_data* rec = ec_sm2_check(key.get());
  // Coordinates are taken as given, not reduced: x or y outside [0, p) names
  // no point of the curve.
  if (BN_is_negative(x) || BN_is_negative(y) || BN_cmp(x, rec->p) >= 0 || BN_cmp(y, rec->p) >= 0)
    return nullptr;
  const EC_GROUP* group = EC_KEY_get0_group(key.get());
  spc::BnCtxPtr ctx(BN_CTX_new());
  spc::EcPointPtr pub(EC_POINT_new(group));
  if (!ctx || !pub || !EC_POINT_set_affine_coordinates(group, pub.get(), x, y, ctx.get()) ||
      !EC_KEY_set_public_key(key.get(), pub.get()))
    return nullptr;
  if (d != nullptr && !EC_KEY_set_private_key(key.get(), d)) return nullptr;
  if (EC_SM2_check_key(key.get()) != 1) return nullptr;
  return key.release();
}

EC_KEY* EC_KEY_from_BN_EX(const BIGNUM* d) {
  spc::EcKeyPtr key(EC_KEY_SM2_init(nullptr));
  if (!key) return nullptr;
  if (d != nullptr && !EC_KEY_set_private_key(key.get(), d)) return nullptr;
  if (EC_SM2_check_key_ex(key.get()) != 1) return nullptr;
  return key.release();
}

EVP_PKEY* EVP_PKEY_SM2_init(EC_KEY* eckey) {
  if (eckey == nullptr) return nullptr;
  EVP_PKEY* pkey = EVP_PKEY_new();
  if (pkey == nullptr) return nullptr;
  if (!EVP_PKEY_assign(pkey, EVP_PKEY_EC, eckey)) {
    EVP_PKEY_free(pkey);
    return nullptr;
  }
  // Without an engine the key object stays an ordinary EC key object.
  ENGINE* e = engine_sm2();
  if (e == nullptr) return pkey;
  // The key object takes a functional reference of the engine; the
  // structural one engine_sm2 made is dropped, so the engine goes with the
  // key object and its contexts.
  if (EVP_PKEY_set1_engine(pkey, e) != 1) {
    ENGINE_free(e);
    return pkey;  // no engine taken: an ordinary EC key object, as above
  }
  ENGINE_free(e);
  return pkey;
}

void EVP_sm2_cleanup() {
  // A no-op in OpenSSL 3, which keeps its ex-data tables to the end of the
  // process; an SM2 operation leaves nothing else behind.
  CRYPTO_cleanup_all_ex_data();
}

}  // namespace smlib
