#include "protect/base64.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <climits>
#include <cstdint>

const std::string Base64Codec::alphabet64 =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// clang-format off
const signed char Base64Codec::table64[256] = {
  -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
  -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
  -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 62, -1, -1, -1, 63,
  52, 53, 54, 55, 56, 57, 58, 59, 60, 61, -1, -1, -1, -1, -1, -1,
  -1,  0,  1,  2,  3,  4,  5,  6,  7,  8,  9, 10, 11, 12, 13, 14,
  15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, -1, -1, -1, -1, -1,
  -1, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40,
  41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51, -1, -1, -1, -1, -1,
  -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
  -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
  -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
  -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
  -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
  -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
  -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
  -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
};
// clang-format on

namespace {
constexpr char kPad = '=';
}  // namespace

std::string Base64Codec::encode(const std::string& bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const uint32_t group = (uint32_t{in[i]} << 16) | (uint32_t{in[i + 1]} << 8) | in[i + 2];
    out.push_back(alphabet64[(group >> 18) & 0x3F]);
    out.push_back(alphabet64[(group >> 12) & 0x3F]);
    out.push_back(alphabet64[(group >> 6) & 0x3F]);
    out.push_back(alphabet64[group & 0x3F]);
  }
  const size_t rest = bytes.size() - i;
  if (rest > 0) {
    uint32_t group = uint32_t{in[i]} << 16;
    if (rest == 2) group |= uint32_t{in[i + 1]} << 8;
    out.push_back(alphabet64[(group >> 18) & 0x3F]);
    out.push_back(alphabet64[(group >> 12) & 0x3F]);
    out.push_back(rest == 2 ? alphabet64[(group >> 6) & 0x3F] : kPad);
    out.push_back(kPad);
  }
  return out;
}

std::string Base64Codec::decode(const std::string& text) {
  const size_t len = text.size();
  // The value of the character at pos as a 32-bit pattern: a character outside
  // the alphabet, or a position past the end, is -1 (all bits set), which is
  // how the bytes below come out for bad input.
  auto value = [&](size_t pos) -> uint32_t {
    const int v = pos < len ? table64[static_cast<unsigned char>(text[pos])] : -1;
    return static_cast<uint32_t>(v);
  };
  std::string out;
  out.reserve(len / 4 * 3 + 2);
  for (size_t p = 0; p < len; p += 4) {
    const uint32_t v0 = value(p);
    const uint32_t v1 = value(p + 1);
    out.push_back(static_cast<char>(((v0 << 2) | ((v1 & 0x30) >> 4)) & 0xFF));
    if (p + 2 < len) {
      if (text[p + 2] == kPad) break;
      const uint32_t v2 = value(p + 2);
      out.push_back(static_cast<char>((((v1 & 0x0F) << 4) | ((v2 & 0x3C) >> 2)) & 0xFF));
      if (p + 3 < len) {
        if (text[p + 3] == kPad) break;
        const uint32_t v3 = value(p + 3);
        out.push_back(static_cast<char>((((v2 & 0x03) << 6) | v3) & 0xFF));
      }
    }
  }
  return out;
}

std::string base64EncodeBlock(const std::string& bytes) {
  if (bytes.empty()) return std::string();
  const size_t n = bytes.size();
  if (n > static_cast<size_t>(INT_MAX) / 4 * 3 - 3) return std::string();
  const size_t size = (n + 2) / 3 * 4 + 1;
  auto* buf = static_cast<unsigned char*>(OPENSSL_malloc(size));
  if (!buf) return std::string();
  std::string out;
  const int count = EVP_EncodeBlock(buf, reinterpret_cast<const unsigned char*>(bytes.data()),
                                    static_cast<int>(n));
  if (count > 0) out.assign(reinterpret_cast<const char*>(buf), static_cast<size_t>(count));
  OPENSSL_free(buf);
  return out;
}
