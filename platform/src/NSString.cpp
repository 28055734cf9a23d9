#include "Foundation/NSString.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Mac OS Roman bytes 0x80..0xFF as Unicode code points.
const char16_t kMacRomanHigh[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3,
    0x00E5, 0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3,
    0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3,
    0x00A7, 0x2022, 0x00B6, 0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8,
    0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA,
    0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB,
    0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D,
    0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02,
    0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1, 0x00CB, 0x00C8, 0x00CD, 0x00CE,
    0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC,
    0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,
};

void appendUTF8(std::string* out, char32_t cp) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

bool NSConvertFromUTF8(const char* bytes, size_t length, std::u16string* out) {
  out->clear();
  const auto* p = reinterpret_cast<const unsigned char*>(bytes);
  size_t i = 0;
  while (i < length) {
    unsigned char b = p[i];
    char32_t cp;
    size_t extra;
    char32_t min;
    if (b < 0x80) {
      cp = b, extra = 0, min = 0;
    } else if ((b & 0xE0) == 0xC0) {
      cp = b & 0x1F, extra = 1, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
      cp = b & 0x0F, extra = 2, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
      cp = b & 0x07, extra = 3, min = 0x10000;
    } else {
      return false;
    }
    if (i + extra >= length && extra > 0) return false;  // truncated sequence
    for (size_t k = 1; k <= extra; ++k) {
      unsigned char c = p[i + k];
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out->push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out->push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out->push_back(static_cast<char16_t>(cp));
    }
    i += extra + 1;
  }
  return true;
}

std::string NSConvertToUTF8(const std::u16string& units) {
  std::string out;
  out.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    char32_t cp = units[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;  // a lone surrogate has no UTF-8 form
    }
    appendUTF8(&out, cp);
  }
  return out;
}

NSString* NSString::initWithUTF8String(const char* text) {
  if (!text) return nullptr;
  std::u16string units;
  if (!NSConvertFromUTF8(text, std::strlen(text), &units)) return nullptr;
  return new NSString(std::move(units));
}

NSString* NSString::initWithCString(const char* bytes, NSUInteger length) {
  return initWithBytes(bytes, length, NSMacOSRomanStringEncoding);
}

NSString* NSString::initWithBytes(const void* bytes, NSUInteger length, NSStringEncoding encoding) {
  if (!bytes && length) return nullptr;
  const auto* p = static_cast<const unsigned char*>(bytes);
  std::u16string units;
  switch (encoding) {
    case NSUTF8StringEncoding:
      if (!NSConvertFromUTF8(static_cast<const char*>(bytes), length, &units)) return nullptr;
      break;
    case NSASCIIStringEncoding:
      for (NSUInteger i = 0; i < length; ++i) {
        if (p[i] >= 0x80) return nullptr;
        units.push_back(p[i]);
      }
      break;
    case NSISOLatin1StringEncoding:
      for (NSUInteger i = 0; i < length; ++i) units.push_back(p[i]);
      break;
    case NSMacOSRomanStringEncoding:
      for (NSUInteger i = 0; i < length; ++i)
        units.push_back(p[i] < 0x80 ? char16_t(p[i]) : kMacRomanHigh[p[i] - 0x80]);
      break;
    default:
      return nullptr;
  }
  return new NSString(std::move(units));
}

NSString* NSString::string() { return NSAutorelease(new NSString()); }

NSString* NSString::stringWithUTF8String(const char* text) {
  return NSAutorelease(initWithUTF8String(text));
}

NSString* NSString::stringWithFormat(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::vector<char> buffer(n > 0 ? n + 1 : 1, '\0');
  if (n > 0) std::vsnprintf(buffer.data(), buffer.size(), format, args);
  va_end(args);
  std::u16string units;
  if (!NSConvertFromUTF8(buffer.data(), n > 0 ? n : 0, &units)) {
    // Bytes that are not UTF-8 come through one unit per byte.
    units.clear();
    for (int i = 0; i < n; ++i) units.push_back(static_cast<unsigned char>(buffer[i]));
  }
  return NSAutorelease(new NSString(std::move(units)));
}

const char* NSString::UTF8String() const {
  if (!utf8Valid_) {
    utf8_ = NSConvertToUTF8(units_);
    utf8Valid_ = true;
  }
  return utf8_.c_str();
}

NSUInteger NSString::lengthOfBytesUsingEncoding(NSStringEncoding encoding) const {
  switch (encoding) {
    case NSUTF8StringEncoding:
      UTF8String();
      return utf8_.size();
    default:
      return units_.size();
  }
}

bool NSString::isEqualToString(const NSString* other) const {
  return other && units_ == other->units_;
}

NSString* NSString::substringToIndex(NSUInteger index) const {
  return NSAutorelease(new NSString(units_.substr(0, index)));
}

NSString* NSString::substringFromIndex(NSUInteger index) const {
  return NSAutorelease(new NSString(index <= units_.size() ? units_.substr(index) : u""));
}

NSString* NSString::substringWithRange(NSRange range) const {
  if (range.location > units_.size()) return NSAutorelease(new NSString());
  return NSAutorelease(new NSString(units_.substr(range.location, range.length)));
}

NSMutableString* NSMutableString::string() { return NSAutorelease(new NSMutableString()); }

void NSMutableString::setString(const NSString* other) {
  units_ = other ? other->units() : std::u16string();
  changed();
}

void NSMutableString::appendString(const NSString* other) {
  if (other) units_ += other->units();
  changed();
}

void NSMutableString::insertString(const NSString* other, NSUInteger index) {
  if (!other || index > units_.size()) return;
  units_.insert(index, other->units());
  changed();
}

void NSMutableString::deleteCharactersInRange(NSRange range) {
  if (range.location > units_.size()) return;
  units_.erase(range.location, range.length);
  changed();
}

void NSMutableString::replaceCharactersInRange(NSRange range, const NSString* other) {
  if (range.location > units_.size()) return;
  units_.replace(range.location, range.length, other ? other->units() : std::u16string());
  changed();
}
