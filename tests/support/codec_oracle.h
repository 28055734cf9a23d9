// Plain second implementations of the hex and Base64 codecs and the text
// helpers, written from their rules for differential tests: slow, obvious,
// and sharing nothing with the code under test (Base64 decoding rests on
// OpenSSL's decoder).
#pragma once

#include <openssl/evp.h>

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
  static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t n = bytes.size() - i < 3 ? bytes.size() - i : 3;
    uint32_t group = 0;
    for (size_t j = 0; j < 3; ++j)
      group = group * 256 + (j < n ? static_cast<unsigned char>(bytes[i + j]) : 0);
    for (size_t j = 0; j < 4; ++j) out += j <= n ? alphabet[(group >> (18 - 6 * j)) & 63] : '=';
  }
  return out;
}

// Lenient Base64 decoding stated on OpenSSL's strict decoder: the text ends
// at its first "=" that stands third or fourth in a group of four; in each
// group a character outside the alphabet (and a position past the end) reads
// as "/", the value 63, except fourth in a full group, where it makes the
// group's third byte 0xFF; a group of n characters gives 1, 1, 2 or 3 bytes
// for n = 1, 2, 3, 4.
inline std::string base64Decode(const std::string& text) {
  static const std::string alphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  auto inAlphabet = [](char c) { return c != '\0' && alphabet.find(c) != std::string::npos; };
  size_t end = text.size();
  for (size_t i = 0; i < text.size(); ++i) {
    if (i % 4 >= 2 && text[i] == '=') {
      end = i;
      break;
    }
  }
  static const size_t kBytes[] = {0, 1, 1, 2, 3};
  std::string out;
  for (size_t p = 0; p < end; p += 4) {
    const size_t n = end - p < 4 ? end - p : 4;
    std::string group = text.substr(p, n);
    const bool fourthOutside = n == 4 && !inAlphabet(group[3]);
    for (char& c : group)
      if (!inAlphabet(c)) c = '/';
    group.resize(4, '/');
    unsigned char bytes[4] = {};
    if (EVP_DecodeBlock(bytes, reinterpret_cast<const unsigned char*>(group.data()), 4) != 3)
      return "(OpenSSL refused " + group + ")";
    if (fourthOutside) bytes[2] = 0xFF;
    out.append(reinterpret_cast<const char*>(bytes), kBytes[n]);
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
