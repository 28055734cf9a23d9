#include "host/sm2_der.h"

#include <cstddef>
#include <cstdint>

namespace bank {
namespace {

constexpr size_t kCoord = 32;
constexpr size_t kDigest = 32;
constexpr size_t kHead = 1 + 2 * kCoord + kDigest;  // C1 and C3

void appendLength(std::string* out, size_t n) {
  if (n < 0x80) {
    out->push_back(static_cast<char>(n));
    return;
  }
  std::string bytes;
  for (; n; n >>= 8) bytes.insert(bytes.begin(), static_cast<char>(n & 0xFF));
  out->push_back(static_cast<char>(0x80 | bytes.size()));
  *out += bytes;
}

void appendTlv(std::string* out, unsigned char tag, const std::string& value) {
  out->push_back(static_cast<char>(tag));
  appendLength(out, value.size());
  *out += value;
}

// A non-negative INTEGER's content octets from fixed-width big-endian bytes.
std::string integerContent(const std::string& fixed) {
  size_t i = 0;
  while (i + 1 < fixed.size() && fixed[i] == '\0') ++i;
  std::string v = fixed.substr(i);
  if (static_cast<unsigned char>(v[0]) & 0x80) v.insert(v.begin(), '\0');
  return v;
}

struct Reader {
  const std::string& s;
  size_t pos = 0;
  bool read(unsigned char tag, std::string* value) {
    if (pos + 2 > s.size() || static_cast<unsigned char>(s[pos]) != tag) return false;
    ++pos;
    size_t n = static_cast<unsigned char>(s[pos++]);
    if (n & 0x80) {
      size_t count = n & 0x7F;
      if (count == 0 || count > sizeof(size_t) || pos + count > s.size()) return false;
      n = 0;
      for (size_t k = 0; k < count; ++k) n = (n << 8) | static_cast<unsigned char>(s[pos++]);
    }
    if (n > s.size() - pos) return false;
    *value = s.substr(pos, n);
    pos += n;
    return true;
  }
};

// INTEGER content to exactly 32 big-endian bytes; false when it does not fit.
bool fixedWidth(const std::string& content, std::string* out) {
  size_t i = 0;
  while (i < content.size() && content[i] == '\0') ++i;
  std::string v = content.substr(i);
  if (v.size() > kCoord) return false;
  *out = std::string(kCoord - v.size(), '\0') + v;
  return true;
}

}  // namespace

std::string sm2RawToDer(const std::string& raw) {
  if (raw.size() <= kHead || raw[0] != '\x04') return std::string();
  std::string body;
  appendTlv(&body, 0x02, integerContent(raw.substr(1, kCoord)));
  appendTlv(&body, 0x02, integerContent(raw.substr(1 + kCoord, kCoord)));
  appendTlv(&body, 0x04, raw.substr(1 + 2 * kCoord, kDigest));
  appendTlv(&body, 0x04, raw.substr(kHead));
  std::string der;
  appendTlv(&der, 0x30, body);
  return der;
}

std::string sm2DerToRaw(const std::string& der) {
  Reader outer{der};
  std::string body;
  if (!outer.read(0x30, &body) || outer.pos != der.size()) return std::string();
  Reader in{body};
  std::string x, y, c3, c2, fx, fy;
  if (!in.read(0x02, &x) || !in.read(0x02, &y) || !in.read(0x04, &c3) || !in.read(0x04, &c2) ||
      in.pos != body.size())
    return std::string();
  if (!fixedWidth(x, &fx) || !fixedWidth(y, &fy) || c3.size() != kDigest || c2.empty())
    return std::string();
  return std::string("\x04", 1) + fx + fy + c3 + c2;
}

}  // namespace bank
