// SM2 public-key cryptography (GM/T 0003) on the standard's recommended
// 256-bit curve, written over OpenSSL's big numbers, curve groups and EC_KEY
// objects, and plugged into OpenSSL's public-key interface through an engine
// named "sm2": wrap a key with EVP_PKEY_SM2_init, then use OpenSSL's own
// EVP_PKEY_encrypt/decrypt/sign/verify on it.
//
// Result codes follow OpenSSL's style: 1 (or an output length) for success,
// 0 for failure; signing may also return -2 or -3, verification -1 for a
// missing signature. A null output pointer asks for the output size. Numbers,
// keys and certificates passed in stay the caller's, except the EC_KEY handed
// to EVP_PKEY_SM2_init.
//
// Ciphertext layout (v = digest size, 32 with SM3), no framing:
//   0x04 || x1 (32) || y1 (32) || C3 (v) || C2 (message length)
#pragma once

#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <cstddef>

namespace smlib {

// The recommended curve's parameters, each 32 bytes big-endian.
extern const unsigned char EC_SM2_p[32];
extern const unsigned char EC_SM2_a[32];
extern const unsigned char EC_SM2_b[32];
extern const unsigned char EC_SM2_n[32];
extern const unsigned char EC_SM2_Gx[32];
extern const unsigned char EC_SM2_Gy[32];

// ---------------------------------------------------------------------------
// Algorithms

// A signature value.
struct EC_SM2_SIG {
  BIGNUM* r;
  BIGNUM* s;
};

// A new signature with both numbers made, or null.
EC_SM2_SIG* EC_SM2_SIG_new();
// Clears and frees both numbers and the record; null is accepted.
void EC_SM2_SIG_free(EC_SM2_SIG* sig);
// DER (SEQUENCE { INTEGER r, INTEGER s }) decoding (reuses *out when given,
// advances *pp) and encoding (returns the length; allocates when *pp is null,
// to be freed with OPENSSL_free, otherwise writes at *pp and advances it).
EC_SM2_SIG* d2i_EC_SM2_SIG(EC_SM2_SIG** out, const unsigned char** pp, long len);
int i2d_EC_SM2_SIG(const EC_SM2_SIG* sig, unsigned char** pp);

// 1 when the key's public point is a valid SM2 public key (coordinates below
// p, on the curve, not infinity, n·P = infinity), else 0.
int EC_SM2_check_key(EC_KEY* key);
// Makes d in [1, n-2] and P = d·G into an SM2 key that holds neither.
// 1 on success; 0 leaves the key as it was.
int EC_SM2_generate_key(EC_KEY* key);
// e = H(Z || msg) with Z = H(ENTL || id || a || b || Gx || Gy || xA || yA).
// A null id means "1234567812345678". A new number the caller frees, or null
// (no public point, no digest context).
BIGNUM* EC_SM2_HashIdMessage(EC_KEY* key, const char* id, const unsigned char* msg, size_t msglen,
                             const EVP_MD* md);
// Signs the message itself; r and s go into `sig`, whose numbers must exist.
// 1 on success, -2 when k·G fails, -3 when its x cannot be read, 0 for any
// other failure (no key material, no digest context, allocation).
int EC_SM2_sign(EC_KEY* key, const char* id, const unsigned char* msg, size_t msglen,
                EC_SM2_SIG* sig, const EVP_MD* md);
// 1 valid, 0 invalid (or any failure), -1 for a null signature. The
// signature is not modified.
int EC_SM2_verify(EC_KEY* key, const char* id, const unsigned char* msg, size_t msglen,
                  const EC_SM2_SIG* sig, const EVP_MD* md);
// Encrypts to the key's public point. With a null `out`: returns
// mlen + v + 65. Otherwise writes mlen + v + 65 bytes and returns that
// length, or 0 on failure (empty message included).
int EC_SM2_encrypt(EC_KEY* key, const unsigned char* msg, size_t mlen, unsigned char* out,
                   const EVP_MD* md);
// Decrypts with the key's private number. 0 for inputs shorter than v + 65.
// With a null `out`: returns inlen - v - 65. Otherwise writes and returns the
// plaintext length, or 0 when C1 is not a curve point, the derived key is all
// zero (empty C2 included) or C3 does not match; `out` must hold
// inlen - v - 65 bytes.
int EC_SM2_decrypt(EC_KEY* key, const unsigned char* in, size_t inlen, unsigned char* out,
                   const EVP_MD* md);

// ---------------------------------------------------------------------------
// Key objects

// Makes `key` an SM2 key (a new EC_KEY when `key` is null): attaches the
// curve record, gives it a copy of the SM2 group (with G, n and cofactor 1,
// which OpenSSL needs before it accepts a private key) and sets the flag.
// Returns the key, or null (a key made here is then freed).
EC_KEY* EC_KEY_SM2_init(EC_KEY* key);
// 1 when the key carries the SM2 flag, else 0.
int EC_KEY_is_sm2(const EC_KEY* key);
// A new SM2 key with public point (x, y) and, when `d` is not null, private
// key d; null unless it passes EC_SM2_check_key. The numbers are copied.
EC_KEY* EC_KEY_from_BN(const BIGNUM* x, const BIGNUM* y, const BIGNUM* d);
// A new SM2 key holding only the private key `d` (copied; null `d`: neither
// part). It decrypts; it cannot encrypt, sign or verify. Null on failure.
EC_KEY* EC_KEY_from_BN_EX(const BIGNUM* d);
// A new SM2 public key from the certificate's public-key bit string, read as
// 04 || x || y (the form byte and algorithm are not examined). Null for a
// bit string shorter than 65 bytes or a point that fails the key check.
EC_KEY* EC_KEY_from_X509(const X509* cert);

// Wraps `eckey` into an EVP_PKEY of type EVP_PKEY_EC bound to a new "sm2"
// engine, so EVP_PKEY_CTX_new(pkey, NULL) reaches the SM2 method. Takes
// `eckey` over on success. Null when the key object cannot be made (`eckey`
// then stays the caller's). When no engine can be made the key object is
// returned without one.
EVP_PKEY* EVP_PKEY_SM2_init(EC_KEY* eckey);

// Set the digest (default EVP_sm3()) or identity (default null:
// "1234567812345678") of a context of the SM2 method; the identity is not
// copied. Contexts without SM2 data are left alone.
void EVP_PKEY_CTX_set_md(EVP_PKEY_CTX* ctx, const EVP_MD* md);
void EVP_PKEY_CTX_set_id(EVP_PKEY_CTX* ctx, const char* id);
// The method's defaults: null (no identity of its own) and EVP_sm3().
const char* pkey_sm2_get_default_id();
const EVP_MD* pkey_sm2_get_default_md();

// Adds an "sm2" engine to OpenSSL's engine list (found by ENGINE_by_id);
// it is never registered as a default. Clears the error queue.
void ENGINE_load_sm2();
// Called after SM2 operations; nothing is left to release with OpenSSL 3.
void EVP_sm2_cleanup();

}  // namespace smlib
