// OpenSSL's own SM2 keys, the oracle's side of the SM2 tests and benchmarks.
#pragma once

#include <openssl/bn.h>
#include <openssl/evp.h>

namespace testsupport {

// OpenSSL's SM2 key pair for the private scalar d, its public point computed
// on OpenSSL's own SM2 curve. Null when OpenSSL refuses; the caller frees it.
EVP_PKEY* opensslSm2Key(const BIGNUM* d);

}  // namespace testsupport
