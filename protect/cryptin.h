// Envelope library: RSA and two-key triple-DES envelopes of caller texts.
//
// Each function takes zero-terminated texts (bytes, no character-set
// conversion) and the caller's output area `out`, builds a plaintext in a
// fixed layout, encrypts it to an RSA public key given as hex DER PKCS#1
// RSAPublicKey (either case), writes the result into `out` as upper-case hex
// or Base64 text with a terminating zero and returns 0. On any failure (key
// text that is no RSA public key, plaintext that does not suit the key and the
// padding, a null argument) it returns -1 and leaves `out` untouched.
//
// `out` takes no size: the caller provides room for the longest text the key
// can produce, for a key of k bytes: Base64 members 4 * ceil(k / 3) + 1 bytes
// (173 for a 1024-bit key); hex members 2k + 1 (257); session-key members
// 2k + 16 per 8-byte triple-DES block + 1.
//
// Length-prefixed fields are the text's byte count in decimal, at least two
// digits, then the text ("%02d%s"); a text of 100 bytes or more gets its full
// count (three digits or more), never a truncated one.
//
// The functions have C linkage and leave the module under these names.
#pragma once

#include <openssl/types.h>

#define CRYPTIN_EXPORT __attribute__((visibility("default")))

extern "C" {

// Base64 of the raw RSA encryption of the tagged block "06" + text, filled
// with 'F' to 128 bytes: a 1024-bit key takes texts of up to 126 bytes, any
// other key only a text that makes the block exactly its size.
CRYPTIN_EXPORT int encryptTaggedBlockWithDerKey(const char* keyHex, const char* text, char* out);

// The same with a key made of a hex modulus (big-endian) and a public
// exponent whose bit pattern is read as unsigned.
CRYPTIN_EXPORT int encryptTaggedBlockWithModulus(const char* modulusHex, int exponent,
                                                 const char* text, char* out);

// The same with a key object, which this call takes over and frees on every
// path; the caller must not use it afterwards.
CRYPTIN_EXPORT int encryptTaggedBlock(EVP_PKEY* key, const char* text, char* out);

// Hex of the PKCS#1 v1.5 encryption of the field of `second`, then that of `first`.
CRYPTIN_EXPORT int encryptTwoFieldsLengthPrefixed(const char* keyHex, const char* first,
                                                  const char* second, char* out);

// Hex of the PKCS#1 v1.5 encryption of the text's length-prefixed field.
CRYPTIN_EXPORT int encryptLengthPrefixed(const char* keyHex, const char* text, char* out);

// Hex of the PKCS#1 v1.5 encryption of the text's bytes. Note the argument
// order: text first. An empty text gives -1.
CRYPTIN_EXPORT int encryptPkcs1Hex(const char* text, const char* keyHex, char* out);

// Hex of the raw RSA encryption of the text's length-prefixed field filled to
// the key size: fill mode 0 zero bytes, 1 random bytes (any value 0 to 255)
// from OpenSSL's generator, which gives -1 when the generator fails; any
// other mode gives -1 when a fill is needed.
CRYPTIN_EXPORT int encryptLengthPrefixedRaw(const char* keyHex, const char* text, char* out,
                                            int fillMode);

// H1 then H2: H1 the hex triple-DES ciphertext of the bytes a hex text stands
// for (filled with 'F' digits to 16 when shorter; an odd count gives -1), H2
// the hex PKCS#1 v1.5 encryption of the 30-byte session-key blob. Text first.
CRYPTIN_EXPORT int encryptHexWithSessionKey(const char* hexText, const char* keyHex, char* out);

// H2 then H1, with H1 made of the text's own bytes, zero-filled to 16 when shorter.
CRYPTIN_EXPORT int encryptTextWithSessionKey(const char* keyHex, const char* text, char* out);

}  // extern "C"
