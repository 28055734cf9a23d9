// Values page script sets and the results it expects to read back, for the
// table-driven property and attribute tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "host/instance.h"
#include "host/variant.h"

namespace props {

// A value page script sets.
struct Value {
  enum Kind { kInt32, kDouble, kString, kNull, kBool } kind;
  int32_t i = 0;
  double d = 0;
  std::string s;

  host::Variant make() const {
    switch (kind) {
      case kInt32:
        return host::Variant::int32(i);
      case kDouble:
        return host::Variant::number(d);
      case kString:
        return host::Variant::string(s);
      case kNull:
        return host::Variant::null();
      case kBool:
        return host::Variant::boolean(true);
    }
    return host::Variant();
  }
};
inline Value Int(int32_t v) { return {Value::kInt32, v, 0, {}}; }
inline Value Dbl(double v) { return {Value::kDouble, 0, v, {}}; }
inline Value Str(std::string v) { return {Value::kString, 0, 0, std::move(v)}; }
inline Value Null() { return {Value::kNull, 0, 0, {}}; }
inline Value Bool() { return {Value::kBool, 0, 0, {}}; }

// What reading a property gives.
struct Expect {
  enum Kind { kVoid, kInt32, kString } kind;
  int32_t i = 0;
  std::string s;
};
inline Expect Void() { return {Expect::kVoid, 0, {}}; }
inline Expect IsInt(int32_t v) { return {Expect::kInt32, v, {}}; }
inline Expect IsStr(std::string v) { return {Expect::kString, 0, std::move(v)}; }

// Reads property and checks it against expected: the hook answers true, the
// type and value match, and a String is a zero-terminated block of its length.
inline void expectRead(NPObject* object, const std::string& property, const Expect& expected) {
  host::ScriptResult r = host::getProperty(object, property);
  EXPECT_TRUE(r.ok) << property;
  switch (expected.kind) {
    case Expect::kVoid:
      EXPECT_TRUE(r.value.isVoid()) << property << " gave type " << r.value.type();
      break;
    case Expect::kInt32:
      ASSERT_TRUE(r.value.isInt32()) << property << " gave type " << r.value.type();
      EXPECT_EQ(expected.i, r.value.asInt32()) << property;
      break;
    case Expect::kString:
      ASSERT_TRUE(r.value.isString()) << property << " gave type " << r.value.type();
      EXPECT_EQ(expected.s, r.value.asString()) << property;
      EXPECT_TRUE(r.value.zeroTerminated()) << property;
      break;
  }
}

}  // namespace props
