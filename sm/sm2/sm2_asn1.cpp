// The SM2 signature record and its DER coding: SEQUENCE { INTEGER r, INTEGER s }.
#include <openssl/asn1t.h>
#include <openssl/crypto.h>

#include "sm/sm2/internal.h"
#include "sm/sm2/sm2.h"

namespace smlib {

EC_SM2_SIG* EC_SM2_SIG_new() {
  auto* sig = static_cast<EC_SM2_SIG*>(OPENSSL_zalloc(sizeof(EC_SM2_SIG)));
  if (sig == nullptr) return nullptr;
  sig->r = BN_new();
  sig->s = BN_new();
  if (sig->r == nullptr || sig->s == nullptr) {
    EC_SM2_SIG_free(sig);
    return nullptr;
  }
  return sig;
}

void EC_SM2_SIG_free(EC_SM2_SIG* sig) {
  // Records decoded by ASN1_item_d2i are laid out and allocated the same way.
  if (sig == nullptr) return;
  BN_clear_free(sig->r);
  BN_clear_free(sig->s);
  OPENSSL_free(sig);
}

EC_SM2_SIG* d2i_EC_SM2_SIG(EC_SM2_SIG** out, const unsigned char** pp, long len) {
  return reinterpret_cast<EC_SM2_SIG*>(
      ASN1_item_d2i(reinterpret_cast<ASN1_VALUE**>(out), pp, len, ASN1_ITEM_rptr(EC_SM2_SIG)));
}

int i2d_EC_SM2_SIG(const EC_SM2_SIG* sig, unsigned char** pp) {
  return ASN1_item_i2d(reinterpret_cast<const ASN1_VALUE*>(sig), pp, ASN1_ITEM_rptr(EC_SM2_SIG));
}

// The item EC_SM2_SIG_it: two clearing INTEGERs, r then s.
// clang-format off
ASN1_SEQUENCE(EC_SM2_SIG) = {
    ASN1_SIMPLE(EC_SM2_SIG, r, CBIGNUM),
    ASN1_SIMPLE(EC_SM2_SIG, s, CBIGNUM),
} ASN1_SEQUENCE_END(EC_SM2_SIG)
// clang-format on

}  // namespace smlib
