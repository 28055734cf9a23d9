// Bytes as hex text for the tests' messages and comparisons.
#pragma once

#include <string>

namespace testsupport {

enum class HexCase { kLower, kUpper };

// Two digits per byte, in the case asked for.
inline std::string toHex(const std::string& bytes, HexCase letters = HexCase::kLower) {
  const char* digits = letters == HexCase::kUpper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    out.push_back(digits[c >> 4]);
    out.push_back(digits[c & 15]);
  }
  return out;
}

}  // namespace testsupport
