#include "host/variant.h"

#include <cstring>

#include "host/browser.h"

namespace host {

Variant::Variant() { VOID_TO_NPVARIANT(value_); }

Variant::~Variant() { release(); }

Variant::Variant(Variant&& other) noexcept : value_(other.value_) {
  VOID_TO_NPVARIANT(other.value_);
}

Variant& Variant::operator=(Variant&& other) noexcept {
  if (this != &other) {
    release();
    value_ = other.value_;
    VOID_TO_NPVARIANT(other.value_);
  }
  return *this;
}

void Variant::release() {
  if (value_.type == NPVariantType_Void) return;
  NPNetscapeFuncs& table = Browser::get().table();
  if (table.releasevariantvalue) {
    ModuleCall call;
    table.releasevariantvalue(&value_);
  }
  VOID_TO_NPVARIANT(value_);
}

Variant Variant::null() {
  Variant v;
  NULL_TO_NPVARIANT(v.value_);
  return v;
}

Variant Variant::boolean(bool value) {
  Variant v;
  BOOLEAN_TO_NPVARIANT(value, v.value_);
  return v;
}

Variant Variant::int32(int32_t value) {
  Variant v;
  INT32_TO_NPVARIANT(value, v.value_);
  return v;
}

Variant Variant::number(double value) {
  Variant v;
  DOUBLE_TO_NPVARIANT(value, v.value_);
  return v;
}

Variant Variant::string(const std::string& text) {
  Variant v;
  char* block = Browser::get().copyToBlock(text);
  STRINGN_TO_NPVARIANT(block, text.size(), v.value_);
  return v;
}

Variant Variant::adopt(const NPVariant& value) {
  Variant v;
  v.value_ = value;
  return v;
}

std::string Variant::asString() const {
  if (value_.type != NPVariantType_String || !value_.value.stringValue.UTF8Characters)
    return std::string();
  return std::string(value_.value.stringValue.UTF8Characters, value_.value.stringValue.UTF8Length);
}

bool Variant::zeroTerminated() const {
  return value_.type == NPVariantType_String && value_.value.stringValue.UTF8Characters &&
         value_.value.stringValue.UTF8Characters[value_.value.stringValue.UTF8Length] == '\0';
}

}  // namespace host
