// Internals of the SM4 unit: the round helpers the block functions and the
// cipher records are made of, for the unit's source files and its tests.
#pragma once

#include <cstdint>

#include "sm/sm4/sm4.h"

namespace smlib {

// Size of each cipher record's per-context data area: exactly the 32 round keys.
enum : int { SM4_CIPHER_DATA_SIZE = 128 };

// Round transform T: the S-box on each byte, then L.
uint32_t SM4_T(uint32_t x);

// Key-schedule transform T': the S-box on each byte, then L'.
uint32_t SM4_T2(uint32_t x);

// Round function: x[0] ^ T(x[1] ^ x[2] ^ x[3] ^ rk).
uint32_t SM4_F(const uint32_t x[4], uint32_t rk);

// XORs the 16 bytes at data into the 16 bytes at buf.
void SM4Xor(unsigned char* buf, const unsigned char* data);

// Reverses the byte order of each whole 4-byte word in the first len bytes of
// buf; a remainder of 1 to 3 bytes is left unchanged.
void ChangeEndian(unsigned char* buf, uint8_t len);

}  // namespace smlib
