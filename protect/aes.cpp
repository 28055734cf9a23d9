#include "protect/aes.h"

#include <openssl/crypto.h>

#include <cstring>

#include "common/owned.h"
#include "protect/aes_internal.h"
#include "protect/builtin_keys.h"

using namespace rijndael;
using spc::WipeOnExit;

namespace {

inline std::uint32_t load32(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         std::uint32_t{p[3]};
}

inline void store32(unsigned char* p, std::uint32_t v) {
  p[0] = static_cast<unsigned char>(v >> 24);
  p[1] = static_cast<unsigned char>(v >> 16);
  p[2] = static_cast<unsigned char>(v >> 8);
  p[3] = static_cast<unsigned char>(v);
}

inline std::uint32_t subWord(std::uint32_t w) {
  return (Te4[w >> 24] & 0xff000000u) ^ (Te4[(w >> 16) & 0xff] & 0x00ff0000u) ^
         (Te4[(w >> 8) & 0xff] & 0x0000ff00u) ^ (Te4[w & 0xff] & 0x000000ffu);
}

inline std::uint32_t rotWord(std::uint32_t w) { return (w << 8) | (w >> 24); }

int roundsFor(int keyBits) {
  switch (keyBits) {
    case 128:
      return 10;
    case 192:
      return 12;
    case 256:
      return 14;
    default:
      return 0;
  }
}

// The round counts a schedule can have; any other would read past it.
bool knownRounds(int rounds) { return rounds == 10 || rounds == 12 || rounds == 14; }

// One inner encryption round: columns s0..s3 into d0..d3 with round key k.
#define ENC_ROUND(d0, d1, d2, d3, s0, s1, s2, s3, k)                                             \
  d0 = Te0[s0 >> 24] ^ Te1[(s1 >> 16) & 0xff] ^ Te2[(s2 >> 8) & 0xff] ^ Te3[s3 & 0xff] ^ (k)[0]; \
  d1 = Te0[s1 >> 24] ^ Te1[(s2 >> 16) & 0xff] ^ Te2[(s3 >> 8) & 0xff] ^ Te3[s0 & 0xff] ^ (k)[1]; \
  d2 = Te0[s2 >> 24] ^ Te1[(s3 >> 16) & 0xff] ^ Te2[(s0 >> 8) & 0xff] ^ Te3[s1 & 0xff] ^ (k)[2]; \
  d3 = Te0[s3 >> 24] ^ Te1[(s0 >> 16) & 0xff] ^ Te2[(s1 >> 8) & 0xff] ^ Te3[s2 & 0xff] ^ (k)[3]

// One inner decryption round (equivalent inverse cipher).
#define DEC_ROUND(d0, d1, d2, d3, s0, s1, s2, s3, k)                                             \
  d0 = Td0[s0 >> 24] ^ Td1[(s3 >> 16) & 0xff] ^ Td2[(s2 >> 8) & 0xff] ^ Td3[s1 & 0xff] ^ (k)[0]; \
  d1 = Td0[s1 >> 24] ^ Td1[(s0 >> 16) & 0xff] ^ Td2[(s3 >> 8) & 0xff] ^ Td3[s2 & 0xff] ^ (k)[1]; \
  d2 = Td0[s2 >> 24] ^ Td1[(s1 >> 16) & 0xff] ^ Td2[(s0 >> 8) & 0xff] ^ Td3[s3 & 0xff] ^ (k)[2]; \
  d3 = Td0[s3 >> 24] ^ Td1[(s2 >> 16) & 0xff] ^ Td2[(s1 >> 8) & 0xff] ^ Td3[s0 & 0xff] ^ (k)[3]

// Final round: S-box (or inverse S-box) through the replicated table, masked to
// the byte each column position takes, no mixing.
#define FINAL_COLUMN(box, a, b, c, d, k)                                      \
  ((box[(a) >> 24] & 0xff000000u) ^ (box[((b) >> 16) & 0xff] & 0x00ff0000u) ^ \
   (box[((c) >> 8) & 0xff] & 0x0000ff00u) ^ (box[(d)&0xff] & 0x000000ffu) ^ (k))

}  // namespace

int rijndaelSetupEncrypt(std::uint32_t* schedule, const unsigned char* key, int keyBits) {
  const int rounds = roundsFor(keyBits);
  if (rounds == 0) return 0;
  const int nk = keyBits / 32;
  const int total = 4 * (rounds + 1);
  for (int i = 0; i < nk; ++i) schedule[i] = load32(key + 4 * i);
  for (int i = nk; i < total; ++i) {
    std::uint32_t temp = schedule[i - 1];
    if (i % nk == 0) {
      temp = subWord(rotWord(temp)) ^ rcon[i / nk - 1];
    } else if (nk > 6 && i % nk == 4) {
      temp = subWord(temp);
    }
    schedule[i] = schedule[i - nk] ^ temp;
  }
  return rounds;
}

int rijndaelSetupDecrypt(std::uint32_t* schedule, const unsigned char* key, int keyBits) {
  const int rounds = rijndaelSetupEncrypt(schedule, key, keyBits);
  if (rounds == 0) return 0;
  // Reverse the order of the round keys (groups of four words).
  for (int i = 0, j = 4 * rounds; i < j; i += 4, j -= 4) {
    for (int k = 0; k < 4; ++k) {
      const std::uint32_t t = schedule[i + k];
      schedule[i + k] = schedule[j + k];
      schedule[j + k] = t;
    }
  }
  // InvMixColumns on every round key but the first and last: Td0..Td3 of
  // S[x] give the inverse mixing of byte x in each row.
  for (int i = 4; i < 4 * rounds; ++i) {
    const std::uint32_t w = schedule[i];
    schedule[i] = Td0[Te4[w >> 24] & 0xff] ^ Td1[Te4[(w >> 16) & 0xff] & 0xff] ^
                  Td2[Te4[(w >> 8) & 0xff] & 0xff] ^ Td3[Te4[w & 0xff] & 0xff];
  }
  return rounds;
}

void rijndaelEncrypt(const std::uint32_t* rk, int rounds, const unsigned char input[16],
                     unsigned char output[16]) {
  if (!knownRounds(rounds)) return;
  std::uint32_t s0 = load32(input) ^ rk[0];
  std::uint32_t s1 = load32(input + 4) ^ rk[1];
  std::uint32_t s2 = load32(input + 8) ^ rk[2];
  std::uint32_t s3 = load32(input + 12) ^ rk[3];
  std::uint32_t t0, t1, t2, t3;
  // Nine full rounds, then two more for 192-bit and two more for 256-bit keys.
  ENC_ROUND(t0, t1, t2, t3, s0, s1, s2, s3, rk + 4);
  ENC_ROUND(s0, s1, s2, s3, t0, t1, t2, t3, rk + 8);
  ENC_ROUND(t0, t1, t2, t3, s0, s1, s2, s3, rk + 12);
  ENC_ROUND(s0, s1, s2, s3, t0, t1, t2, t3, rk + 16);
  ENC_ROUND(t0, t1, t2, t3, s0, s1, s2, s3, rk + 20);
  ENC_ROUND(s0, s1, s2, s3, t0, t1, t2, t3, rk + 24);
  ENC_ROUND(t0, t1, t2, t3, s0, s1, s2, s3, rk + 28);
  ENC_ROUND(s0, s1, s2, s3, t0, t1, t2, t3, rk + 32);
  ENC_ROUND(t0, t1, t2, t3, s0, s1, s2, s3, rk + 36);
  if (rounds > 10) {
    ENC_ROUND(s0, s1, s2, s3, t0, t1, t2, t3, rk + 40);
    ENC_ROUND(t0, t1, t2, t3, s0, s1, s2, s3, rk + 44);
    if (rounds > 12) {
      ENC_ROUND(s0, s1, s2, s3, t0, t1, t2, t3, rk + 48);
      ENC_ROUND(t0, t1, t2, t3, s0, s1, s2, s3, rk + 52);
    }
  }
  const std::uint32_t* k = rk + 4 * rounds;
  store32(output, FINAL_COLUMN(Te4, t0, t1, t2, t3, k[0]));
  store32(output + 4, FINAL_COLUMN(Te4, t1, t2, t3, t0, k[1]));
  store32(output + 8, FINAL_COLUMN(Te4, t2, t3, t0, t1, k[2]));
  store32(output + 12, FINAL_COLUMN(Te4, t3, t0, t1, t2, k[3]));
}

void rijndaelDecrypt(const std::uint32_t* rk, int rounds, const unsigned char input[16],
                     unsigned char output[16]) {
  if (!knownRounds(rounds)) return;
  std::uint32_t s0 = load32(input) ^ rk[0];
  std::uint32_t s1 = load32(input + 4) ^ rk[1];
  std::uint32_t s2 = load32(input + 8) ^ rk[2];
  std::uint32_t s3 = load32(input + 12) ^ rk[3];
  std::uint32_t t0, t1, t2, t3;
  DEC_ROUND(t0, t1, t2, t3, s0, s1, s2, s3, rk + 4);
  DEC_ROUND(s0, s1, s2, s3, t0, t1, t2, t3, rk + 8);
  DEC_ROUND(t0, t1, t2, t3, s0, s1, s2, s3, rk + 12);
  DEC_ROUND(s0, s1, s2, s3, t0, t1, t2, t3, rk + 16);
  DEC_ROUND(t0, t1, t2, t3, s0, s1, s2, s3, rk + 20);
  DEC_ROUND(s0, s1, s2, s3, t0, t1, t2, t3, rk + 24);
  DEC_ROUND(t0, t1, t2, t3, s0, s1, s2, s3, rk + 28);
  DEC_ROUND(s0, s1, s2, s3, t0, t1, t2, t3, rk + 32);
  DEC_ROUND(t0, t1, t2, t3, s0, s1, s2, s3, rk + 36);
  if (rounds > 10) {
    DEC_ROUND(s0, s1, s2, s3, t0, t1, t2, t3, rk + 40);
    DEC_ROUND(t0, t1, t2, t3, s0, s1, s2, s3, rk + 44);
    if (rounds > 12) {
      DEC_ROUND(s0, s1, s2, s3, t0, t1, t2, t3, rk + 48);
      DEC_ROUND(t0, t1, t2, t3, s0, s1, s2, s3, rk + 52);
    }
  }
  const std::uint32_t* k = rk + 4 * rounds;
  store32(output, FINAL_COLUMN(Td4, t0, t3, t2, t1, k[0]));
  store32(output + 4, FINAL_COLUMN(Td4, t1, t0, t3, t2, k[1]));
  store32(output + 8, FINAL_COLUMN(Td4, t2, t1, t0, t3, k[2]));
  store32(output + 12, FINAL_COLUMN(Td4, t3, t2, t1, t0, k[3]));
}

namespace {

const unsigned char kZeroKey[32] = {};

const unsigned char* keyOrZeros(const void* key) {
  return key ? static_cast<const unsigned char*>(key) : kZeroKey;
}

// Runs `block` over every 16-byte block of `in` into a result of `outSize`
// bytes; the bytes of a last, partial block are completed with zeros.
template <typename BlockFn>
std::string ecb(const std::string& in, std::size_t outSize, BlockFn block) {
  std::string out(outSize, '\0');
  auto* dst = reinterpret_cast<unsigned char*>(&out[0]);
  const auto* src = reinterpret_cast<const unsigned char*>(in.data());
  const std::size_t whole = in.size() / 16 * 16;
  for (std::size_t i = 0; i < whole; i += 16) block(src + i, dst + i);
  if (whole < outSize) {
    unsigned char last[16] = {};
    WipeOnExit wipe(last);
    std::memcpy(last, src + whole, in.size() - whole);
    block(last, dst + whole);
  }
  return out;
}

}  // namespace

std::string aes256EcbEncrypt(const std::string& plaintext, const void* key) {
  std::uint32_t schedule[kAesScheduleWords];
  WipeOnExit wipe(schedule);
  const int rounds = rijndaelSetupEncrypt(schedule, keyOrZeros(key), 256);
  const std::size_t outSize = plaintext.size() + 16 - plaintext.size() % 16;
  return ecb(plaintext, outSize, [&](const unsigned char* in, unsigned char* out) {
    rijndaelEncrypt(schedule, rounds, in, out);
  });
}

std::string aes256EcbDecrypt(const std::string& ciphertext, const void* key) {
  std::uint32_t schedule[kAesScheduleWords];
  WipeOnExit wipe(schedule);
  const int rounds = rijndaelSetupDecrypt(schedule, keyOrZeros(key), 256);
  const std::size_t outSize = (ciphertext.size() + 15) / 16 * 16;
  return ecb(ciphertext, outSize, [&](const unsigned char* in, unsigned char* out) {
    rijndaelDecrypt(schedule, rounds, in, out);
  });
}

namespace {
unsigned char kp[kBuiltinDecryptionSize];
}  // namespace

const unsigned char* decryptWithBuiltinKey(const std::string& input) {
  std::string key = buildBuiltinAesKey();
  WipeOnExit wipeKey(key);
  std::string plain = aes256EcbDecrypt(input, key.data());
  WipeOnExit wipePlain(plain);
  std::memset(kp, 0, sizeof kp);
  std::memcpy(kp, plain.data(), plain.size() < 32 ? plain.size() : 32);
  return kp;
}
