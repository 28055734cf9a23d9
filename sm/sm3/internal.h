// Internals of the SM3 unit, for its source files and its tests.
#pragma once

#include <cstdint>

#include "sm/sm3/sm3.h"

namespace smlib {

// Size of the digest record's per-context data area: room for one SM3_CTX.
enum : int { SM3_MD_DATA_SIZE = 576 };
static_assert(sizeof(SM3_CTX) <= SM3_MD_DATA_SIZE, "SM3_CTX must fit the digest data area");

// Compresses the block held in W[0..15] into state.
void SM3_Transform(SM3_CTX* ctx);

// x rotated left by n mod 32 places.
uint32_t ROL(uint32_t x, unsigned n);

}  // namespace smlib
