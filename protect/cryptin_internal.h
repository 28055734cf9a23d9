// Internals of the envelope library, for its own code and its tests.
#pragma once

#include <openssl/types.h>

#include <cstdint>
#include <string>

namespace cryptin {

// Size of the session-key blob: SEQUENCE { OCTET STRING K1||K2, OCTET STRING 99*8 }.
constexpr size_t kBlobSize = 30;

// An RSA key object from hex DER: PKCS#1 RSAPublicKey for flag 0, RSAPrivateKey
// otherwise. Null when the text does not decode to an RSA key. Caller owns it.
EVP_PKEY* loadRsaKeyFromHexDer(const std::string& keyHex, int privateKey);

// RSA public encryption of message with OpenSSL padding mode (1 PKCS#1 v1.5,
// 3 none). Exactly k bytes, or empty on failure. Takes over and frees key,
// whatever the outcome (null allowed).
std::string rsaPublicEncrypt(EVP_PKEY* key, const std::string& message, int padding);

// Two-key triple DES (K1, K2, K1) in ECB mode, input zero-filled to whole blocks.
// encrypt != 0: makes fresh odd-parity keys, writes the blob into blob
// (kBlobSize bytes or more) and returns the upper-case hex ciphertext.
// encrypt == 0: decrypts with keyBytes (K1 || K2, 16 bytes) and returns the raw
// bytes, fill included. Empty input, or no random keys, gives empty and
// writes nothing.
std::string tripleDesEcb(const std::string& input, int encrypt, unsigned char* blob,
                         const unsigned char* keyBytes);

// Number of one bits of value.
int OneCount(uint32_t value);

// value with its lowest bit flipped.
int conv(int value);

// The length-prefixed field of text: its byte count, at least two digits, then the text.
std::string lengthPrefixed(const std::string& text);

}  // namespace cryptin
