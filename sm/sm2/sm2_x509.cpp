// SM2 public keys from X.509 certificates.
#include "common/owned.h"
#include "sm/sm2/sm2.h"

namespace smlib {

EC_KEY* EC_KEY_from_X509(const X509* cert) {
  if (cert == nullptr) return nullptr;
  const ASN1_BIT_STRING* bits = X509_get0_pubkey_bitstr(cert);
  if (bits == nullptr || ASN1_STRING_length(bits) < 65) return nullptr;
  // 04 || x || y; the form byte and the algorithm are not examined.
  const unsigned char* point = ASN1_STRING_get0_data(bits);
  spc::SecretBnPtr x(BN_bin2bn(point + 1, 32, nullptr)), y(BN_bin2bn(point + 33, 32, nullptr));
  if (!x || !y) return nullptr;
  return EC_KEY_from_BN(x.get(), y.get(), nullptr);
}

}  // namespace smlib
