// Internals of the AES unit, for its own code and its tests: the lookup
// tables, computed at compile time from the field arithmetic of
// GF(2^8) with the reduction polynomial x^8 + x^4 + x^3 + x + 1.
//
// Words are big-endian columns: byte 0 of a column is the word's top byte.
//   Te0[x] = (2.S[x], S[x], S[x], 3.S[x])       Te1..Te3: Te0 rotated right by 8, 16, 24
//   Td0[x] = (e.Si[x], 9.Si[x], d.Si[x], b.Si[x]) Td1..Td3: Td0 rotated right by 8, 16, 24
//   Te4[x] = S[x] in all four bytes, Td4[x] = Si[x] in all four bytes
//   rcon[i] = x^i in the top byte (0x01 .. 0x36)
#pragma once

#include <array>
#include <cstdint>

namespace rijndael {

using Table = std::array<std::uint32_t, 256>;

namespace detail {

constexpr std::uint8_t xtime(std::uint8_t a) {
  return static_cast<std::uint8_t>((a << 1) ^ ((a & 0x80) ? 0x1b : 0x00));
}

constexpr std::uint8_t gmul(std::uint8_t a, std::uint8_t b) {
  std::uint8_t product = 0;
  while (b) {
    if (b & 1) product ^= a;
    a = xtime(a);
    b >>= 1;
  }
  return product;
}

// Multiplicative inverse as a^254 (0 maps to 0).
constexpr std::uint8_t ginv(std::uint8_t a) {
  std::uint8_t result = 1;
  std::uint8_t base = a;
  for (int e = 254; e; e >>= 1) {
    if (e & 1) result = gmul(result, base);
    base = gmul(base, base);
  }
  return a ? result : 0;
}

constexpr std::uint8_t rotl8(std::uint8_t v, int n) {
  return static_cast<std::uint8_t>((v << n) | (v >> (8 - n)));
}

constexpr std::array<std::uint8_t, 256> makeSbox() {
  std::array<std::uint8_t, 256> s{};
  for (int x = 0; x < 256; ++x) {
    const std::uint8_t b = ginv(static_cast<std::uint8_t>(x));
    s[x] =
        static_cast<std::uint8_t>(b ^ rotl8(b, 1) ^ rotl8(b, 2) ^ rotl8(b, 3) ^ rotl8(b, 4) ^ 0x63);
  }
  return s;
}

constexpr std::array<std::uint8_t, 256> makeInverse(const std::array<std::uint8_t, 256>& s) {
  std::array<std::uint8_t, 256> inv{};
  for (int x = 0; x < 256; ++x) inv[s[x]] = static_cast<std::uint8_t>(x);
  return inv;
}

constexpr std::uint32_t word(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
  return (std::uint32_t{b0} << 24) | (std::uint32_t{b1} << 16) | (std::uint32_t{b2} << 8) | b3;
}

constexpr std::uint32_t rotr32(std::uint32_t v, int n) {
  return n ? (v >> n) | (v << (32 - n)) : v;
}

inline constexpr std::array<std::uint8_t, 256> kSbox = makeSbox();
inline constexpr std::array<std::uint8_t, 256> kInvSbox = makeInverse(kSbox);

constexpr Table makeTe(int rotation) {
  Table t{};
  for (int x = 0; x < 256; ++x) {
    const std::uint8_t s = kSbox[x];
    t[x] = rotr32(word(gmul(s, 2), s, s, gmul(s, 3)), rotation);
  }
  return t;
}

constexpr Table makeTd(int rotation) {
  Table t{};
  for (int x = 0; x < 256; ++x) {
    const std::uint8_t s = kInvSbox[x];
    t[x] = rotr32(word(gmul(s, 0x0e), gmul(s, 0x09), gmul(s, 0x0d), gmul(s, 0x0b)), rotation);
  }
  return t;
}

constexpr Table makeReplicated(const std::array<std::uint8_t, 256>& box) {
  Table t{};
  for (int x = 0; x < 256; ++x) t[x] = box[x] * 0x01010101u;
  return t;
}

constexpr std::array<std::uint32_t, 10> makeRcon() {
  std::array<std::uint32_t, 10> r{};
  std::uint8_t v = 1;
  for (int i = 0; i < 10; ++i) {
    r[i] = std::uint32_t{v} << 24;
    v = xtime(v);
  }
  return r;
}

}  // namespace detail

inline constexpr Table Te0 = detail::makeTe(0);
inline constexpr Table Te1 = detail::makeTe(8);
inline constexpr Table Te2 = detail::makeTe(16);
inline constexpr Table Te3 = detail::makeTe(24);
inline constexpr Table Te4 = detail::makeReplicated(detail::kSbox);
inline constexpr Table Td0 = detail::makeTd(0);
inline constexpr Table Td1 = detail::makeTd(8);
inline constexpr Table Td2 = detail::makeTd(16);
inline constexpr Table Td3 = detail::makeTd(24);
inline constexpr Table Td4 = detail::makeReplicated(detail::kInvSbox);
inline constexpr std::array<std::uint32_t, 10> rcon = detail::makeRcon();

// Spot checks against the published tables; the tests compare every entry.
static_assert(Te0[0x00] == 0xc66363a5u && Te0[0x01] == 0xf87c7c84u && Te0[0xff] == 0x2c16163au);
static_assert(Td0[0x00] == 0x51f4a750u && Td0[0x01] == 0x7e416553u && Td0[0xff] == 0xd0b85742u);
static_assert(Te4[0x53] == 0xededededu && Td4[0xed] == 0x53535353u);
static_assert(rcon[0] == 0x01000000u && rcon[9] == 0x36000000u);

}  // namespace rijndael
