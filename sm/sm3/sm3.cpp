// SM3 compression, absorbing and padding (GM/T 0004).
#include "sm/sm3/sm3.h"

#include <cstring>

#include "sm/sm3/internal.h"

namespace smlib {
namespace {

const uint32_t IV[8] = {0x7380166F, 0x4914B2B9, 0x172442D7, 0xDA8A0600,
                        0xA96F30BC, 0x163138AA, 0xE38DEE4D, 0xB0FB0E4E};

constexpr uint32_t T_LOW = 0x79CC4519;   // rounds 0..15
constexpr uint32_t T_HIGH = 0x7A879D8A;  // rounds 16..63

// One round constant per round.
const uint32_t T[64] = {
    T_LOW,  T_LOW,  T_LOW,  T_LOW,  T_LOW,  T_LOW,  T_LOW,  T_LOW,  T_LOW,  T_LOW,  T_LOW,
    T_LOW,  T_LOW,  T_LOW,  T_LOW,  T_LOW,  T_HIGH, T_HIGH, T_HIGH, T_HIGH, T_HIGH, T_HIGH,
    T_HIGH, T_HIGH, T_HIGH, T_HIGH, T_HIGH, T_HIGH, T_HIGH, T_HIGH, T_HIGH, T_HIGH, T_HIGH,
    T_HIGH, T_HIGH, T_HIGH, T_HIGH, T_HIGH, T_HIGH, T_HIGH, T_HIGH, T_HIGH, T_HIGH, T_HIGH,
    T_HIGH, T_HIGH, T_HIGH, T_HIGH, T_HIGH, T_HIGH, T_HIGH, T_HIGH, T_HIGH, T_HIGH, T_HIGH,
    T_HIGH, T_HIGH, T_HIGH, T_HIGH, T_HIGH, T_HIGH, T_HIGH, T_HIGH, T_HIGH};

const unsigned char PAD[1] = {0x80};
const unsigned char ZERO[1] = {0x00};

inline uint32_t rol(uint32_t x, unsigned n) {
  n &= 31;
  return (x << n) | (x >> ((32 - n) & 31));
}
inline uint32_t P0(uint32_t x) { return x ^ rol(x, 9) ^ rol(x, 17); }
inline uint32_t P1(uint32_t x) { return x ^ rol(x, 15) ^ rol(x, 23); }

// Byte offset inside W of block byte i, so that each word reads big-endian.
inline size_t blockOffset(size_t i) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  return i;
#else
  return i ^ 3;
#endif
}

// Absorbs bytes one at a time; a block is compressed as soon as its last byte
// arrives. The count is kept modulo 2^64 bits.
void absorb(SM3_CTX* ctx, const unsigned char* p, size_t len) {
  unsigned char* block = reinterpret_cast<unsigned char*>(ctx->W);
  // The counts stay in registers while bytes go through the aliasing block pointer.
  uint32_t low = ctx->count_low, high = ctx->count_high;
  for (size_t i = 0; i < len; ++i) {
    block[blockOffset((low >> 3) & 63)] = p[i];
    low += 8;
    if ((low & 511) == 0) {  // the block is full (low wrapped to 0 is a multiple of 512 too)
      if (low == 0) ++high;
      SM3_Transform(ctx);
    }
  }
  ctx->count_low = low;
  ctx->count_high = high;
}

void init(SM3_CTX* ctx) {
  std::memset(ctx, 0, sizeof *ctx);
  std::memcpy(ctx->state, IV, sizeof IV);
}

void finish(SM3_CTX* ctx, unsigned char* out) {
  const uint32_t bitsLow = ctx->count_low;
  const uint32_t bitsHigh = ctx->count_high;
  absorb(ctx, PAD, 1);
  while ((ctx->count_low & 511) != 448) absorb(ctx, ZERO, 1);
  ctx->W[14] = bitsHigh;
  ctx->W[15] = bitsLow;
  SM3_Transform(ctx);
  for (int i = 0; i < 8; ++i) {
    const uint32_t v = ctx->state[i];
    out[4 * i] = static_cast<unsigned char>(v >> 24);
    out[4 * i + 1] = static_cast<unsigned char>(v >> 16);
    out[4 * i + 2] = static_cast<unsigned char>(v >> 8);
    out[4 * i + 3] = static_cast<unsigned char>(v);
  }
}

}  // namespace

uint32_t ROL(uint32_t x, unsigned n) { return rol(x, n); }

void SM3_Transform(SM3_CTX* ctx) {
  uint32_t* W = ctx->W;
  uint32_t* W1 = ctx->W1;
#pragma GCC unroll 52
  for (int j = 16; j < 68; ++j) {
    W[j] = P1(W[j - 16] ^ W[j - 9] ^ rol(W[j - 3], 15)) ^ rol(W[j - 13], 7) ^ W[j - 6];
  }
  for (int j = 0; j < 64; ++j) W1[j] = W[j] ^ W[j + 4];

  uint32_t A = ctx->state[0], B = ctx->state[1], C = ctx->state[2], D = ctx->state[3];
  uint32_t E = ctx->state[4], F = ctx->state[5], G = ctx->state[6], H = ctx->state[7];
  // Rounds 0..15 use the three-way XOR for FF and GG, rounds 16..63 the
  // majority and choice functions.
  auto round = [&](int j, uint32_t FF, uint32_t GG) {
    const uint32_t a12 = rol(A, 12);
    const uint32_t SS1 = rol(a12 + E + rol(T[j], static_cast<unsigned>(j)), 7);
    const uint32_t SS2 = SS1 ^ a12;
    const uint32_t TT1 = FF + D + SS2 + W1[j];
    const uint32_t TT2 = GG + H + SS1 + W[j];
    D = C;
    C = rol(B, 9);
    B = A;
    A = TT1;
    H = G;
    G = rol(F, 19);
    F = E;
    E = P0(TT2);
  };
#pragma GCC unroll 16
  for (int j = 0; j < 16; ++j) round(j, A ^ B ^ C, E ^ F ^ G);
#pragma GCC unroll 48
  for (int j = 16; j < 64; ++j) round(j, (A & B) | (A & C) | (B & C), (E & F) | (~E & G));
  ctx->state[0] ^= A;
  ctx->state[1] ^= B;
  ctx->state[2] ^= C;
  ctx->state[3] ^= D;
  ctx->state[4] ^= E;
  ctx->state[5] ^= F;
  ctx->state[6] ^= G;
  ctx->state[7] ^= H;
}

int SM3_Init(SM3_CTX* ctx) {
  if (ctx == nullptr) return 0;
  init(ctx);
  return 1;
}

int SM3_Update(SM3_CTX* ctx, const void* data, size_t len) {
  if (ctx == nullptr || (data == nullptr && len != 0)) return 0;
  if (len != 0) absorb(ctx, static_cast<const unsigned char*>(data), len);
  return 1;
}

int SM3_Final(SM3_CTX* ctx, unsigned char* out) {
  if (ctx == nullptr || out == nullptr) return 0;
  finish(ctx, out);
  return 1;
}

unsigned char* SM3(const unsigned char* data, size_t len, unsigned char* out) {
  SM3_CTX ctx;
  init(&ctx);
  absorb(&ctx, data, len);
  finish(&ctx, out);
  return out;
}

}  // namespace smlib
