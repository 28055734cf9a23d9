// NPVariant values as page script holds them. A Variant owns its value the
// way the browser does: a String's characters are a browser block (made with
// the host's NPN_MemAlloc, not zero-terminated), and whatever the value holds
// is released with NPN_ReleaseVariantValue when the Variant goes.
#pragma once

#include <cstdint>
#include <string>

#include "npapi/npruntime.h"

namespace host {

class Variant {
 public:
  Variant();  // void
  ~Variant();
  Variant(Variant&& other) noexcept;
  Variant& operator=(Variant&& other) noexcept;
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;

  static Variant null();
  static Variant boolean(bool value);
  static Variant int32(int32_t value);
  static Variant number(double value);
  static Variant string(const std::string& text);
  // Takes over a value the module produced (for instance a result).
  static Variant adopt(const NPVariant& value);

  NPVariantType type() const { return value_.type; }
  bool isVoid() const { return value_.type == NPVariantType_Void; }
  bool isInt32() const { return value_.type == NPVariantType_Int32; }
  bool isString() const { return value_.type == NPVariantType_String; }
  int32_t asInt32() const { return value_.value.intValue; }
  // The String's UTF8Length bytes ("" for other types).
  std::string asString() const;
  // For a String the module made: whether its block holds a zero byte right
  // after the text. (Reads one byte past UTF8Length: not for the browser's
  // own strings, whose blocks end with the text.)
  bool zeroTerminated() const;

  const NPVariant& raw() const { return value_; }
  NPVariant* out() { return &value_; }  // for the module to fill (must be void)

 private:
  void release();
  NPVariant value_;
};

}  // namespace host
