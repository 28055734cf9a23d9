// A plain model of what the 17 script properties and the 13 embed attributes
// store and read back (the input6 pattern texts from the written-out cases of
// tests/support/flag_patterns.h), used as an oracle: the tests apply the same sets or
// attributes to a real control (through the host) and to the model, then
// compare every property read byte for byte.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/flag_patterns.h"

namespace prop_oracle {

inline const char* const kProperties[17] = {
    "input0",  "input1",  "input2",  "input3",         "input4",     "maxlength",
    "input5",  "input6",  "input7",  "input8",         "input9",     "input10",
    "input11", "input12", "input13", "returnCallback", "tabCallback"};

// The attribute names in the order they are compared.
inline const char* const kAttributes[13] = {"input0",    "input1",  "input2", "input3", "input4",
                                            "maxlength", "input5",  "input6", "input7", "input9",
                                            "input10",   "input11", "input12"};

// atoi over at most `limit` bytes: white space, a sign, digits; the value is
// held at the 32-bit limits when the digits go past them.
inline int32_t atoiOracle(const std::string& text, size_t limit = std::string::npos) {
  const std::string t = text.substr(0, limit);
  size_t i = 0;
  while (i < t.size() && (t[i] == ' ' || (t[i] >= '\t' && t[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
  int64_t value = 0;
  for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
    value = value * 10 + (t[i] - '0');
    if (value > 2147483648LL) value = 2147483648LL;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) value = INT32_MAX;
  return static_cast<int32_t>(value);
}

// The prefix of text up to its first zero byte.
inline std::string upToZero(const std::string& text) { return text.substr(0, text.find('\0')); }

// A value that page script sets.
struct Value {
  enum Kind { kVoid, kNull, kBool, kInt32, kDouble, kString, kObject } kind = kVoid;
  int32_t i = 0;
  double d = 0;
  std::string s;
};

// What a read should give: no result (void), an Int32 or a String.
struct Read {
  enum Kind { kVoid, kInt32, kString } kind = kVoid;
  int32_t i = 0;
  std::string s;
  bool operator==(const Read& o) const {
    return kind == o.kind && (kind != kInt32 || i == o.i) && (kind != kString || s == o.s);
  }
};

struct Model {
  // A byte buffer: set (non-zero length) or not; what a read copies out is
  // the filled bytes up to the first zero byte.
  struct Buffer {
    bool set = false;
    std::string bytes;
    void fill(const std::string& text) {
      set = !text.empty();
      bytes = set ? upToZero(text) : std::string();
    }
    void empty() {
      set = false;
      bytes.clear();
    }
  };

  std::optional<int32_t> rsaMode;  // no value of its own before input0
  Buffer wrappedKey, inputPattern, passwordPattern;
  int32_t maxlength = 100, input5 = 0, input7 = 0;
  std::string texts[17];  // the text rows, by property index

  static bool isTextRow(int index) { return index == 4 || (index >= 9 && index <= 16); }

  void setProperty(int index, const Value& v) {
    const bool isString = v.kind == Value::kString;
    const bool isInt = v.kind == Value::kInt32;
    switch (index) {
      case 0:
        if (isInt) rsaMode = v.i != 0 ? 1 : 0;
        return;
      case 1:
        if (isString) wrappedKey.fill(v.s);
        return;
      case 2:
        if (isString && !inputPattern.set) inputPattern.fill(v.s);
        return;
      case 3:
        if (isString && !passwordPattern.set) passwordPattern.fill(v.s);
        return;
      case 5:
        if (isInt) maxlength = v.i < 1 ? 0 : v.i;
        return;
      case 6:
        if (isString) input5 = atoiOracle(v.s);
        if (isInt) input5 = v.i;
        return;
      case 7:
        if (isString && v.s.size() == 4) {
          const std::string pattern = flagpatterns::patternFor(v.s);
          inputPattern.fill(pattern);
          if (passwordPattern.set) passwordPattern.fill(pattern);
        }
        return;
      case 8:
        if (isInt) input7 = v.i < 0 ? 0 : v.i;
        return;
      default:
        if (isTextRow(index) && isString) texts[index] = v.s;
        return;
    }
  }

  // One attribute; value nullopt is a null pointer.
  void applyAttribute(const std::string& name, const std::optional<std::string>& value) {
    int row = -1;
    for (int i = 0; i < 13 && row < 0; ++i)
      if (name == kAttributes[i]) row = i;
    if (row < 0) return;
    const std::string attrName = kAttributes[row];
    // A C text ends at its first zero byte.
    const std::optional<std::string> text =
        value ? std::optional<std::string>(upToZero(*value)) : std::nullopt;
    const bool usable = text && !text->empty();
    if (attrName == "input1" || attrName == "input2" || attrName == "input3") {
      Buffer& b = attrName == "input1"   ? wrappedKey
                  : attrName == "input2" ? inputPattern
                                         : passwordPattern;
      b.empty();
      if (usable) b.fill(*text);
      return;
    }
    if (!usable) return;
    if (attrName == "input0") rsaMode = atoiOracle(*text) != 0 ? 1 : 0;
    if (attrName == "input4") texts[4] = *text;
    if (attrName == "maxlength") maxlength = atoiOracle(*text);
    if (attrName == "input5") input5 = atoiOracle(*text);
    if (attrName == "input6" && text->size() == 4) {
      inputPattern.fill(flagpatterns::patternFor(*text));
      passwordPattern.fill(flagpatterns::patternFor(*text));
    }
    if (attrName == "input7") input7 = atoiOracle(*text);
    if (attrName == "input9") texts[10] = *text;
    if (attrName == "input10") texts[11] = *text;
    if (attrName == "input11") texts[12] = *text;
    if (attrName == "input12") texts[13] = *text;
  }

  // The expected read; for input0 before any value, the caller supplies the
  // control's own starting choice.
  Read read(int index) const {
    auto integer = [](int32_t v) { return Read{Read::kInt32, v, {}}; };
    auto buffer = [](const Buffer& b) { return b.set ? Read{Read::kString, 0, b.bytes} : Read{}; };
    switch (index) {
      case 0:
        return integer(rsaMode.value_or(0) == 1 ? 1 : 0);
      case 1:
        return buffer(wrappedKey);
      case 2:
        return buffer(inputPattern);
      case 3:
        return buffer(passwordPattern);
      case 5:
        return integer(maxlength);
      case 6:
        return integer(input5);
      case 7:
        return Read{};
      case 8:
        return integer(input7);
      default:
        if (texts[index].empty()) return Read{};
        return Read{Read::kString, 0, upToZero(texts[index])};
    }
  }
};

}  // namespace prop_oracle
