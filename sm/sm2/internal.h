// Internals of the SM2 unit: the curve record every key carries, the helpers
// of the algorithms, the public-key method with its hooks, the engine, and
// the test seam for the per-operation random scalar. Shared by the unit's
// source files and its tests; not part of the library's offer.
#pragma once

#include <openssl/asn1t.h>
#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/engine.h>
#include <openssl/evp.h>

#include <cstddef>

#include "common/owned.h"
#include "sm/sm2/sm2.h"

namespace smlib {

// ---------------------------------------------------------------------------
// Curve record and helpers

// The curve record every SM2 key carries (as EC_KEY ex-data). `group` has no
// generator or order: it serves point arithmetic, and every operation takes
// G and n from this record. Products with a secret scalar (k, d) are formed
// on the key's own group when that is the SM2 group with G, n and cofactor 1,
// where OpenSSL multiplies in constant time; the point is the same.
struct ec_sm2_data {
  BIGNUM* p;        // field prime
  BIGNUM* n;        // order of G
  EC_POINT* G;      // base point, a point of `group`
  EC_GROUP* group;  // y^2 = x^3 + ax + b over GF(p)
};

// A new curve record, or null.
ec_sm2_data* ec_sm2_data_new();
// A new record (the argument's contents are not read); null for null.
ec_sm2_data* ec_sm2_data_dup(const ec_sm2_data* record);
// Frees the record and everything in it; null is accepted.
void ec_sm2_data_free(ec_sm2_data* record);
// The key's record, attached first when the key has none; null when no
// record can be made or `key` is null. The record lives and dies with the key.
ec_sm2_data* ec_sm2_check(EC_KEY* key);

// For keys that hold only a private key: attaches the record, returns 1
// (0 only for a null key or when no record can be made).
int EC_SM2_check_key_ex(EC_KEY* key);

// GM/T 0003 key derivation: `klen` bytes from the `zlen` bytes at `z`, blocks
// H(z || ct) with a 32-bit big-endian counter from 1. Returns 1, or 0 when no
// digest context can be made or the digest fails.
int KDF(const unsigned char* z, size_t zlen, size_t klen, unsigned char* out, const EVP_MD* md);

// Zero-fills `len` bytes at `buf` and writes `bn` right-aligned, big-endian.
// Returns the number's length in bytes; a longer number is not written.
int Md_bn2bin(const BIGNUM* bn, unsigned char* buf, int len);

// The EC_KEY flag that marks an SM2 key.
constexpr int EC_FLAG_SM2_KEY = 0x10000;

// The ASN.1 item of EC_SM2_SIG: two clearing INTEGERs, r then s.
DECLARE_ASN1_ITEM(EC_SM2_SIG)

// ---------------------------------------------------------------------------
// Public-key method

// The identifier of the SM2 public-key method.
constexpr int EVP_PKEY_SM2_METHOD_ID = 101972;

// The data of one public-key context of the SM2 method.
struct SM2_PKEY_CTX {
  const char* id;    // user identity, not owned; null: "1234567812345678"
  const EVP_MD* md;  // digest; default EVP_sm3()
};

// A new SM2 method record (identifier 101972), or null.
EVP_PKEY_METHOD* sm2_pmeth_new();

// The method's hooks. Encryption and decryption return 1 whenever the key
// object holds an EC key and report the algorithm's result as *outlen (0 for
// failure); *outlen on entry is the capacity of `out`, and a capacity below
// the result is refused (return 0, *outlen set to the needed size).
int pkey_sm2_init(EVP_PKEY_CTX* ctx);
void pkey_sm2_cleanup(EVP_PKEY_CTX* ctx);
int pkey_sm2_copy(EVP_PKEY_CTX* dst, const EVP_PKEY_CTX* src);
int pkey_sm2_encrypt_init(EVP_PKEY_CTX* ctx);
int pkey_sm2_decrypt_init(EVP_PKEY_CTX* ctx);
int pkey_sm2_encrypt(EVP_PKEY_CTX* ctx, unsigned char* out, size_t* outlen, const unsigned char* in,
                     size_t inlen);
int pkey_sm2_decrypt(EVP_PKEY_CTX* ctx, unsigned char* out, size_t* outlen, const unsigned char* in,
                     size_t inlen);
// Signs the message `tbs` (hashed with Z); DER signature. Null `sig`: size
// query (*siglen = length of a fresh signature; 72 always suffice).
int pkey_sm2_sign(EVP_PKEY_CTX* ctx, unsigned char* sig, size_t* siglen, const unsigned char* tbs,
                  size_t tbslen);
// 1 valid, 0 invalid, -1 when `sig` is not DER of an SM2 signature.
int pkey_sm2_verify(EVP_PKEY_CTX* ctx, const unsigned char* sig, size_t siglen,
                    const unsigned char* tbs, size_t tbslen);

// ---------------------------------------------------------------------------
// Engine

// A new "sm2" engine ("sm2 support") with one structural reference, holding
// its own SM2 method record, or null.
ENGINE* engine_sm2();
// The engine's public-key method lookup: nid list {408}; the engine's own
// method record for 408, null for any other nid. Returns 1.
int pkey_meths(ENGINE* e, EVP_PKEY_METHOD** pmeth, const int** nids, int nid);

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
