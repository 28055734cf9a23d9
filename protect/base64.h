// Base64 text of byte strings (standard alphabet, "=" padding, no line breaks).
//
// Encoding cannot fail. Decoding validates nothing and never reads outside its
// input: it reads four characters at a time and stops at the first "=" that
// stands third or fourth in a group; any other character outside the alphabet
// (a blank, a line break, an "=" first or second in a group, a position past
// the end) has the value -1, which yields a defined but meaningless byte.
#pragma once

#include <string>

class Base64Codec {
 public:
  // The 64 characters of the alphabet, in value order. Made when the module
  // is loaded and released at process exit.
  static const std::string alphabet64;
  // Value of each byte: 0..63 for an alphabet character, -1 for any other.
  static const signed char table64[256];

  // Base64 text of the bytes: 4 * ceil(n / 3) characters; empty for empty input.
  static std::string encode(const std::string& bytes);

  // The bytes of a Base64 text. Every non-empty text gives at least one byte;
  // a text of length L with no ending "=" gives 3 * (L / 4) bytes, plus 1 when
  // L % 4 is 1 or 2, plus 2 when it is 3.
  static std::string decode(const std::string& text);

  Base64Codec() = delete;
};

// The same text as Base64Codec::encode, made with OpenSSL's EVP_EncodeBlock.
// Empty for empty input, and when OpenSSL cannot allocate or encode.
std::string base64EncodeBlock(const std::string& bytes);
