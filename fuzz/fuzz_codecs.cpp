// The hex and Base64 codecs and the string helpers on any bytes, against the
// tests' plain second implementations (tests/support/codec_oracle.h) and
// OpenSSL's Base64: decoding never reads past its input and follows the
// documented rules, encodings decode back.
//
// Input: one byte picks the split delimiter, the rest is the text; the
// text's second half also serves as the pattern that is counted.
#include <openssl/evp.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "protect/base64.h"
#include "protect/hex.h"
#include "protect/hex_internal.h"
#include "protect/strings.h"
#include "tests/support/codec_oracle.h"

namespace {

void checkHex(const std::string& bytes) {
  const std::string hex = string2hex(bytes);
  FUZZ_CHECK(hex == oracle::hexEncode(bytes));
  FUZZ_CHECK(hex2string(hex) == bytes);
  // The bytes themselves read as a hex text.
  FUZZ_CHECK(hex2string(bytes) == oracle::hexDecode(bytes));
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    FUZZ_CHECK(hextouch(&bytes[i]) == oracle::nibble(bytes[i]) * 16 + oracle::nibble(bytes[i + 1]));
  FUZZ_CHECK(hextouch(nullptr) == 0 && ToUpperPtr(nullptr) == 0);
  for (char c : bytes) {
    const char upper = ToUpperPtr(&c);
    FUZZ_CHECK(c >= 'a' && c <= 'z' ? upper == c - 'a' + 'A' : upper == c);
  }
}

// OpenSSL's decoding of a canonical text (alphabet characters, "=" only as
// padding), padding bytes taken off.
std::string opensslDecode(const std::string& text) {
  std::string out(text.size() / 4 * 3, '\0');
  const int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(&out[0]),
                                reinterpret_cast<const unsigned char*>(text.data()),
                                static_cast<int>(text.size()));
  FUZZ_CHECK(n == static_cast<int>(out.size()));
  size_t padding = 0;
  for (size_t i = text.size(); i > 0 && text[i - 1] == '='; --i) ++padding;
  out.resize(out.size() - padding);
  return out;
}

void checkBase64(const std::string& bytes) {
  const std::string text = Base64Codec::encode(bytes);
  FUZZ_CHECK(text == oracle::base64Encode(bytes));
  FUZZ_CHECK(base64EncodeBlock(bytes) == text);
  FUZZ_CHECK(Base64Codec::decode(text) == bytes);
  if (!text.empty()) FUZZ_CHECK(opensslDecode(text) == bytes);
  // The bytes themselves read as a Base64 text, and the documented length.
  const std::string decoded = Base64Codec::decode(bytes);
  FUZZ_CHECK(decoded == oracle::base64Decode(bytes));
  if (bytes.find('=') == std::string::npos) {
    const size_t rest = bytes.size() % 4;
    FUZZ_CHECK(decoded.size() == 3 * (bytes.size() / 4) + (rest == 0 ? 0 : rest == 3 ? 2 : 1));
  }
}

void checkStrings(const std::string& text, char delimiter) {
  std::vector<std::string> pieces{"kept"};
  splitString(text, delimiter, pieces);
  std::vector<std::string> expected{"kept"};
  for (const std::string& piece : oracle::split(text, delimiter)) expected.push_back(piece);
  FUZZ_CHECK(pieces == expected);

  std::string list, joined;
  for (size_t i = 1; i < pieces.size(); ++i) {
    appendString(list, pieces[i]);
    joined += (i > 1 ? "|" : "") + pieces[i];
  }
  FUZZ_CHECK(list == joined);
  std::string one = "a";
  appendString(one, text);
  FUZZ_CHECK(one == "a|" + text);

  const std::string pattern = text.substr(text.size() / 2, 3);
  FUZZ_CHECK(countOccurrences(text, pattern) == oracle::countNonOverlapping(text, pattern));
  FUZZ_CHECK(countOccurrences(pattern, text) == oracle::countNonOverlapping(pattern, text));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const char delimiter = static_cast<char>(data[0]);
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  checkHex(text);
  checkBase64(text);
  checkStrings(text, delimiter);
  return 0;
}
