// Plain models of how the control reads the server's encrypted random: the
// blank bytes it drops at both ends and its lenient Base64 decoding.
#pragma once

#include <string>

namespace oracle {

// A blank byte: at most 0x20 read as a signed 8-bit number.
inline bool isBlank(char c) { return static_cast<signed char>(c) <= 0x20; }

inline std::string trimBlanks(const std::string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && isBlank(text[begin])) ++begin;
  while (end > begin && isBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// Base64 read in groups of four without validation: a character outside the
// alphabet (or past the end) has the value -1; the first byte of a group is
// always made; an "=" third or fourth in a group ends the decoding.
inline std::string lenientBase64Decode(const std::string& text) {
  static const std::string alphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  auto v = [&](size_t i) -> int {
    if (i >= text.size()) return -1;
    size_t at = alphabet.find(text[i]);
    return at == std::string::npos || text[i] == '\0' ? -1 : static_cast<int>(at);
  };
  std::string out;
  for (size_t p = 0; p < text.size(); p += 4) {
    const int v0 = v(p), v1 = v(p + 1), v2 = v(p + 2), v3 = v(p + 3);
    // Six bits of each value; -1 acts as all ones.
    out.push_back(static_cast<char>(((v0 & 0x3F) << 2) | ((v1 & 0x3F) >> 4)));
    if (p + 2 < text.size()) {
      if (text[p + 2] == '=') break;
      out.push_back(static_cast<char>(((v1 & 0x0F) << 4) | ((v2 & 0x3F) >> 2)));
    }
    if (p + 3 < text.size()) {
      if (text[p + 3] == '=') break;
      // The fourth value is OR-ed in whole: -1 makes the byte 0xFF.
      out.push_back(static_cast<char>(((v2 & 0x03) << 6) | v3));
    }
  }
  return out;
}

}  // namespace oracle
