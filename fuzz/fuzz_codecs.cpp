// The hex and Base64 codecs and the string helpers on any bytes: decoding
// never reads past its input and follows the documented length rules,
// encodings agree with OpenSSL's and decode back, and the helpers agree with
// plain loops written here.
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
#include "protect/strings.h"

namespace {

int nibble(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;  // any other character counts as 0
}

void checkHex(const std::string& bytes) {
  const std::string hex = string2hex(bytes);
  FUZZ_CHECK(hex.size() == 2 * bytes.size());
  FUZZ_CHECK(hex.find_first_not_of("0123456789ABCDEF") == std::string::npos);
  FUZZ_CHECK(hex2string(hex) == bytes);

  // The bytes themselves read as a hex text.
  const std::string decoded = hex2string(bytes);
  if (bytes.size() % 2 != 0) {
    FUZZ_CHECK(decoded.empty());
    return;
  }
  FUZZ_CHECK(decoded.size() == bytes.size() / 2);
  for (size_t i = 0; i < decoded.size(); ++i) {
    const int expected = 16 * nibble(bytes[2 * i]) + nibble(bytes[2 * i + 1]);
    FUZZ_CHECK(static_cast<unsigned char>(decoded[i]) == expected);
    FUZZ_CHECK(hextouch(&bytes[2 * i]) == expected);
  }
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
  FUZZ_CHECK(text.size() == (bytes.size() + 2) / 3 * 4);
  FUZZ_CHECK(base64EncodeBlock(bytes) == text);
  FUZZ_CHECK(Base64Codec::decode(text) == bytes);
  if (!text.empty()) FUZZ_CHECK(opensslDecode(text) == bytes);

  // The bytes themselves read as a Base64 text.
  const std::string decoded = Base64Codec::decode(bytes);
  FUZZ_CHECK(decoded.empty() == bytes.empty());
  if (bytes.find('=') == std::string::npos) {
    const size_t rest = bytes.size() % 4;
    FUZZ_CHECK(decoded.size() == 3 * (bytes.size() / 4) + (rest == 0 ? 0 : rest == 3 ? 2 : 1));
  } else {
    FUZZ_CHECK(decoded.size() <= 3 * (bytes.size() / 4) + 2);
  }
  // Groups of four alphabet characters decode as OpenSSL decodes them.
  if (!bytes.empty() && bytes.size() % 4 == 0) {
    bool canonical = true;
    for (char c : bytes) canonical = canonical && Base64Codec::table64[(unsigned char)c] >= 0;
    if (canonical) FUZZ_CHECK(decoded == opensslDecode(bytes));
  }
}

int32_t naiveCount(const std::string& text, const std::string& pattern) {
  if (pattern.empty()) return static_cast<int32_t>(text.size() + 1);
  int32_t count = 0;
  for (size_t i = 0; i + pattern.size() <= text.size();) {
    if (text.compare(i, pattern.size(), pattern) == 0) {
      ++count;
      i += pattern.size();
    } else {
      ++i;
    }
  }
  return count;
}

void checkStrings(const std::string& text, char delimiter) {
  std::vector<std::string> pieces{"kept"};
  splitString(text, delimiter, pieces);
  FUZZ_CHECK(!pieces.empty() && pieces[0] == "kept");
  std::string joined, withoutDelimiters;
  size_t runs = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == delimiter) continue;
    withoutDelimiters.push_back(text[i]);
    if (i == 0 || text[i - 1] == delimiter) ++runs;
  }
  FUZZ_CHECK(pieces.size() == runs + 1);
  for (size_t i = 1; i < pieces.size(); ++i) {
    FUZZ_CHECK(!pieces[i].empty() && pieces[i].find(delimiter) == std::string::npos);
    joined += pieces[i];
  }
  FUZZ_CHECK(joined == withoutDelimiters);

  std::string list;
  for (size_t i = 1; i < pieces.size(); ++i) appendString(list, pieces[i]);
  if (delimiter == '|') {
    std::vector<std::string> again;
    splitString(list, '|', again);
    FUZZ_CHECK(again == std::vector<std::string>(pieces.begin() + 1, pieces.end()));
  }
  std::string one = "a";
  appendString(one, text);
  FUZZ_CHECK(one == "a|" + text);

  const std::string pattern = text.substr(text.size() / 2, 3);
  FUZZ_CHECK(countOccurrences(text, pattern) == naiveCount(text, pattern));
  FUZZ_CHECK(countOccurrences(pattern, text) == naiveCount(pattern, text));
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
