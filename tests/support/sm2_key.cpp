#include "tests/support/sm2_key.h"

#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/obj_mac.h>
#include <openssl/param_build.h>

#include "common/owned.h"

namespace testsupport {

EVP_PKEY* opensslSm2Key(const BIGNUM* d) {
  spc::EcGroupPtr group(EC_GROUP_new_by_curve_name(NID_sm2));
  if (!group || !d) return nullptr;
  spc::EcPointPtr point(EC_POINT_new(group.get()));
  unsigned char pub[65] = {0};
  if (!point || EC_POINT_mul(group.get(), point.get(), d, nullptr, nullptr, nullptr) != 1 ||
      EC_POINT_point2oct(group.get(), point.get(), POINT_CONVERSION_UNCOMPRESSED, pub, sizeof pub,
                         nullptr) != sizeof pub)
    return nullptr;
  spc::ParamBldPtr bld(OSSL_PARAM_BLD_new());
  if (!bld || !OSSL_PARAM_BLD_push_utf8_string(bld.get(), OSSL_PKEY_PARAM_GROUP_NAME, "SM2", 0) ||
      !OSSL_PARAM_BLD_push_BN(bld.get(), OSSL_PKEY_PARAM_PRIV_KEY, d) ||
      !OSSL_PARAM_BLD_push_octet_string(bld.get(), OSSL_PKEY_PARAM_PUB_KEY, pub, sizeof pub))
    return nullptr;
  spc::ParamPtr params(OSSL_PARAM_BLD_to_param(bld.get()));
  spc::PkeyCtxPtr ctx(EVP_PKEY_CTX_new_from_name(nullptr, "SM2", nullptr));
  EVP_PKEY* key = nullptr;
  if (!params || !ctx || EVP_PKEY_fromdata_init(ctx.get()) <= 0 ||
      EVP_PKEY_fromdata(ctx.get(), &key, EVP_PKEY_KEYPAIR, params.get()) <= 0)
    return nullptr;
  return key;
}

}  // namespace testsupport
