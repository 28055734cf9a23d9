// Internals of the SM2 unit shared by its source files, and the test seam for
// the per-operation random scalar. Not part of the library's offer.
#pragma once

#include <openssl/bn.h>
#include <openssl/ec.h>

#include "common/owned.h"
#include "sm/sm2/sm2.h"

namespace smlib {
namespace sm2_internal {

// Scoped owner of a signature value (common/owned.h holds the OpenSSL ones).
using SigPtr = spc::Owned<EC_SM2_SIG, EC_SM2_SIG_free>;

// The EC_KEY ex-data slot that holds a key's curve record (one per process).
int ec_key_record_index();

// Draws k uniformly in [0, n-1] for signing and encryption: OpenSSL's
// private generator, or the source a test installed.
int draw_scalar(BIGNUM* k, const BIGNUM* n);

}  // namespace sm2_internal

namespace sm2_testing {
// A replacement source of the random scalar k of signing and encryption, so
// tests can reproduce published worked examples. It writes a number in
// [0, n-1] into k and returns 1 (0 fails the operation). Null restores
// OpenSSL's generator. Key generation is not affected.
using ScalarSource = int (*)(BIGNUM* k, const BIGNUM* n, void* arg);
void set_scalar_source(ScalarSource source, void* arg);
}  // namespace sm2_testing

}  // namespace smlib
