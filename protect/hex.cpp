#include "protect/hex.h"

#include "protect/hex_internal.h"

namespace {
// The encoder's digits, and the decoder's own copy of them.
constexpr char lut[] = "0123456789ABCDEF";
constexpr char aschex[] = "0123456789ABCDEF";
}  // namespace

std::string string2hex(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    out.push_back(lut[b >> 4]);
    out.push_back(lut[b & 0x0F]);
  }
  return out;
}

char ToUpperPtr(const char* c) {
  if (!c) return 0;
  char ch = *c;
  if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  return ch;
}

unsigned char hextouch(const char* pair) {
  if (!pair) return 0;
  const char hi = ToUpperPtr(pair);
  const char lo = ToUpperPtr(pair + 1);
  unsigned value = 0;
  for (unsigned i = 0; i < 16; ++i) {
    if (hi == aschex[i]) value += 16 * i;
    if (lo == aschex[i]) value += i;
  }
  return static_cast<unsigned char>(value & 0xFF);
}

std::string hex2string(const std::string& hex) {
  if (hex.size() % 2 != 0) return std::string();
  std::string out;
  out.reserve(hex.size() / 2);
  for (size_t i = 0; i < hex.size(); i += 2) out.push_back(static_cast<char>(hextouch(&hex[i])));
  return out;
}
