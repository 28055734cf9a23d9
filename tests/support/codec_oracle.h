// Plain second implementations of the hex and Base64 codecs and the text
// helpers, written from their rules for differential tests: slow, obvious,
// and sharing nothing with the code under test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace oracle {

inline std::string hexEncode(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c / 16];
    out += digits[c % 16];
  }
  return out;
}

// Value of one hex digit of either case; anything else counts as 0.
inline int nibble(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

inline std::string hexDecode(const std::string& hex) {
  if (hex.size() % 2 != 0) return std::string();
  std::string out;
  for (size_t i = 0; i < hex.size(); i += 2)
    out += static_cast<char>(nibble(hex[i]) * 16 + nibble(hex[i + 1]));
  return out;
}

inline std::string base64Encode(const std::string& bytes) {
  static const char alphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t n = bytes.size() - i < 3 ? bytes.size() - i : 3;
    uint32_t group = 0;
    for (size_t j = 0; j < 3; ++j)
      group = group * 256 + (j < n ? static_cast<unsigned char>(bytes[i + j]) : 0);
    for (size_t j = 0; j < 4; ++j)
      out += j <= n ? alphabet[(group >> (18 - 6 * j)) & 63] : '=';
  }
  return out;
}

// Alphabet position of c, or -1 for any other byte.
inline int base64Value(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// Groups of four from the start; an "=" third or fourth in a group ends
// decoding; any other non-alphabet character, or a position past the end,
// acts as 63 in the first three places of a group and makes the third byte
// 0xFF in the fourth.
inline std::string base64Decode(const std::string& text) {
  const size_t len = text.size();
  auto value = [&](size_t i) { return i < len ? base64Value(text[i]) : -1; };
  auto as63 = [&](size_t i) {
    const int v = value(i);
    return v < 0 ? 63 : v;
  };
  std::string out;
  for (size_t p = 0; p < len; p += 4) {
    out += static_cast<char>((as63(p) << 2 | as63(p + 1) >> 4) & 0xFF);
    if (p + 2 < len) {
      if (text[p + 2] == '=') break;
      out += static_cast<char>(((as63(p + 1) & 15) << 4 | as63(p + 2) >> 2) & 0xFF);
    }
    if (p + 3 < len) {
      if (text[p + 3] == '=') break;
      const int v3 = value(p + 3);
      out += static_cast<char>(v3 < 0 ? 0xFF : ((as63(p + 2) & 3) << 6 | v3));
    }
  }
  return out;
}

inline std::vector<std::string> split(const std::string& text, char delimiter) {
  std::vector<std::string> pieces;
  std::string current;
  for (char c : text) {
    if (c == delimiter) {
      if (!current.empty()) pieces.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) pieces.push_back(current);
  return pieces;
}

inline int64_t countNonOverlapping(const std::string& text, const std::string& pattern) {
  if (pattern.empty()) return static_cast<int64_t>(text.size()) + 1;
  int64_t count = 0;
  size_t i = 0;
  while (i + pattern.size() <= text.size()) {
    if (text.compare(i, pattern.size(), pattern) == 0) {
      ++count;
      i += pattern.size();
    } else {
      ++i;
    }
  }
  return count;
}

}  // namespace oracle
