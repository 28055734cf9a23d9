// SM3 hash (GM/T 0004: 256-bit digest, 512-bit blocks) over a caller-owned
// state, and the digest record that runs it through OpenSSL's EVP_Digest*.
//
// Functions return 1 for success and 0 for failure (null arguments only);
// a failing call changes nothing. Everything lives in namespace smlib: the
// names EVP_sm3 and friends must never become C symbols, because libcrypto 3
// exports its own and a global definition would interpose libcrypto's calls.
#pragma once

#include <openssl/evp.h>

#include <cstddef>
#include <cstdint>

namespace smlib {

enum : int {
  SM3_DIGEST_LENGTH = 32,
  SM3_BLOCK_SIZE = 64,
  // Identifier of the SM3 digest record; it has no entry in OpenSSL's object table.
  NID_smlib_sm3 = 101973,
};

// Hash state. W[0..15] double as the block buffer: block byte i is stored so
// that W[i / 4] holds bytes 4k..4k+3 as one big-endian word. The position of
// the next byte is (count_low / 8) mod 64; there is no separate buffer.
struct SM3_CTX {
  uint32_t state[8];    // chaining value V (registers A..H)
  uint32_t count_low;   // message length in bits, low 32 bits
  uint32_t count_high;  // message length in bits, high 32 bits
  uint32_t W[68];       // message expansion W0..W67; W[0..15] is the block buffer
  uint32_t W1[64];      // expansion W'0..W'63
};

// Zeroes the counts and the expansion and loads the standard initial value.
// 0 when ctx is null.
int SM3_Init(SM3_CTX* ctx);

// Absorbs len bytes in order, compressing each block as soon as it is full.
// 0 when ctx is null, or data is null with len > 0; len 0 changes nothing and returns 1.
int SM3_Update(SM3_CTX* ctx, const void* data, size_t len);

// Pads, compresses and writes the 32-byte digest to out. 0 (state untouched)
// when ctx or out is null. The state is not reset: call SM3_Init before reuse.
int SM3_Final(SM3_CTX* ctx, unsigned char* out);

// One-shot digest of len bytes into the 32 bytes at out; returns out. Checks nothing.
unsigned char* SM3(const unsigned char* data, size_t len, unsigned char* out);

// The SM3 digest record: type 101973, size 32, block size 64, a 576-byte data
// area, no copy hook (contexts are copied by copying the data area). Made once
// on first use (thread-safe) and never freed; null only if OpenSSL could not
// allocate it.
const EVP_MD* EVP_sm3();

}  // namespace smlib
