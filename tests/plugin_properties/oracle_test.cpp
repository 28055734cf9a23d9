// The property hooks and the attribute reader of a real control, reached
// through the host, against the plain model of property_oracle.h:
//   - every four-byte input6 text over a set of flag bytes, and every byte
//     value at each position, building the input and whole-password
//     patterns, through the property and through the attribute;
//   - malformed input6 values (other lengths, other types);
//   - random sequences of sets of every variant type on all 17 properties;
//   - random attribute lists over the 13 names and near-misses.
// After each step every property is read and compared byte for byte.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "host/browser.h"
#include "host/instance.h"
#include "host/variant.h"
#include "property_oracle.h"
#include "tests/support/flag_patterns.h"

namespace {

using prop_oracle::Model;
using prop_oracle::Read;
using prop_oracle::Value;

std::string printable(const std::string& text) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char b : text) {
    if (b >= 0x20 && b < 0x7F && b != '\\') {
      out += static_cast<char>(b);
    } else {
      out += "\\x";
      out += digits[b >> 4];
      out += digits[b & 15];
    }
  }
  return out;
}

std::string describe(const Read& r) {
  switch (r.kind) {
    case Read::kVoid:
      return "void";
    case Read::kInt32:
      return "Int32 " + std::to_string(r.i);
    case Read::kString:
      return "String \"" + printable(r.s) + "\"";
  }
  return "?";
}

host::Variant makeVariant(const Value& v, NPObject* self) {
  switch (v.kind) {
    case Value::kVoid:
      return host::Variant();
    case Value::kNull:
      return host::Variant::null();
    case Value::kBool:
      return host::Variant::boolean(v.i != 0);
    case Value::kInt32:
      return host::Variant::int32(v.i);
    case Value::kDouble:
      return host::Variant::number(v.d);
    case Value::kString:
      return host::Variant::string(v.s);
    case Value::kObject: {
      NPVariant raw;
      OBJECT_TO_NPVARIANT(host::Browser::get().retainObject(self), raw);
      return host::Variant::adopt(raw);
    }
  }
  return host::Variant();
}

// What the control answers for one property; a String must come in a block
// with a zero byte after the text.
Read readControl(NPObject* object, int index, bool* ok) {
  host::ScriptResult r = host::getProperty(object, prop_oracle::kProperties[index]);
  *ok = r.ok;
  Read out;
  if (r.value.isInt32()) {
    out.kind = Read::kInt32;
    out.i = r.value.asInt32();
  } else if (r.value.isString()) {
    out.kind = Read::kString;
    out.s = r.value.asString();
    EXPECT_TRUE(r.value.zeroTerminated()) << prop_oracle::kProperties[index];
  } else if (!r.value.isVoid()) {
    out.kind = Read::kInt32;
    out.i = INT32_MIN;  // a type the model never gives: shows as a difference
    ADD_FAILURE() << prop_oracle::kProperties[index] << " read as variant type " << r.value.type();
  }
  return out;
}

class PropertyOracle : public ::testing::Test {
 protected:
  void SetUp() override { host::Browser::get().reset(); }
  void TearDown() override {
    EXPECT_EQ(0, host::Browser::get().liveBlocks()) << "browser memory left allocated";
    EXPECT_EQ(0, host::Browser::get().liveObjects()) << "script objects left alive";
    host::Browser::get().reset();
  }

  // Compares every property of the control with the model; returns the
  // number of differences. The control's starting input0 (its own choice)
  // is learned on the first read while the model has none.
  int compareAll(NPObject* object, Model& model, const std::string& step) {
    int differences = 0;
    for (int index = 0; index < 17; ++index) {
      bool ok = false;
      const Read got = readControl(object, index, &ok);
      EXPECT_TRUE(ok) << prop_oracle::kProperties[index];
      if (index == 0 && !model.rsaMode) {
        EXPECT_EQ(Read::kInt32, got.kind) << "input0 before any value";
        continue;
      }
      const Read want = model.read(index);
      if (!(want == got)) {
        ++differences;
        ADD_FAILURE() << "after " << step << ": " << prop_oracle::kProperties[index] << " reads "
                      << describe(got) << ", expected " << describe(want);
      }
    }
    return differences;
  }
};

// Flag bytes: the two that count, and others that must count as "not 1"
// (and, for all four, not "0000").
const std::string kFlagBytes = std::string("01\0002 lI\xFF\x80", 9);

std::vector<std::string> allFlagTexts() {
  std::vector<std::string> texts;
  for (char a : kFlagBytes)
    for (char b : kFlagBytes)
      for (char c : kFlagBytes)
        for (char d : kFlagBytes) texts.push_back(std::string{a, b, c, d});
  // Every byte value at each position, the other three from 0 and 1.
  for (int position = 0; position < 4; ++position)
    for (int others = 0; others < 8; ++others)
      for (int byte = 0; byte < 256; ++byte) {
        std::string t(4, '0');
        int bit = 0;
        for (int p = 0; p < 4; ++p)
          if (p != position) t[p] = (others >> bit++) & 1 ? '1' : '0';
        t[position] = static_cast<char>(byte);
        texts.push_back(t);
      }
  return texts;
}

TEST_F(PropertyOracle, PatternTextsAgreeOnKnownFlags) {
  // The written-out cases, on the lengths and texts the flag rule gives.
  EXPECT_EQ(67u, flagpatterns::patternFor("1111").size());
  EXPECT_EQ("(([0-9])|([a-z]))*", flagpatterns::patternFor("0110"));
  EXPECT_EQ(17u, flagpatterns::patternFor("0000").size());
  EXPECT_EQ('\n', flagpatterns::patternFor("0000")[12]);
  EXPECT_EQ("()*", flagpatterns::patternFor("0002"));
  EXPECT_EQ("()*", flagpatterns::patternFor(std::string("\0\0\0\0", 4)));
  EXPECT_EQ(43u, flagpatterns::patternFor("0001").size());  // the 40-byte symbol class
  // Bytes other than '1' count as '0'.
  EXPECT_EQ(flagpatterns::patternFor("1010"), flagpatterns::patternFor("1l1I"));
  // Seventeen different texts.
  std::set<std::string> texts;
  for (const flagpatterns::Case& c : flagpatterns::kCases) texts.insert(c.pattern);
  EXPECT_EQ(17u, texts.size());
}

// Through the property: input6 always replaces the input pattern, and the
// whole-password pattern because input3 set one first.
TEST_F(PropertyOracle, EveryFlagTextThroughTheProperty) {
  host::Instance control;
  ASSERT_EQ(NPERR_NO_ERROR, control.newResult());
  NPObject* object = control.object();
  ASSERT_NE(nullptr, object);
  Model model;
  const Value first{Value::kString, 0, 0, "seed"};
  ASSERT_TRUE(host::setProperty(object, "input3", makeVariant(first, object)));
  model.setProperty(3, first);

  int differences = 0;
  for (const std::string& flags : allFlagTexts()) {
    if (differences > 3) break;
    const Value v{Value::kString, 0, 0, flags};
    ASSERT_TRUE(host::setProperty(object, "input6", makeVariant(v, object)));
    model.setProperty(7, v);
    for (int index : {2, 3, 7}) {
      bool ok = false;
      const Read got = readControl(object, index, &ok);
      EXPECT_TRUE(ok);
      if (!(got == model.read(index))) {
        ++differences;
        ADD_FAILURE() << "input6 \"" << printable(flags)
                      << "\": " << prop_oracle::kProperties[index] << " reads " << describe(got)
                      << ", expected " << describe(model.read(index));
      }
    }
  }
}

// Without input3, input6 leaves the whole-password pattern unset.
TEST_F(PropertyOracle, FlagTextsWithoutPasswordPattern) {
  host::Instance control;
  NPObject* object = control.object();
  ASSERT_NE(nullptr, object);
  Model model;
  for (const char* flags : {"1111", "0000", "0110", "2222", "1000", "0001"}) {
    const Value v{Value::kString, 0, 0, flags};
    ASSERT_TRUE(host::setProperty(object, "input6", makeVariant(v, object)));
    model.setProperty(7, v);
    if (compareAll(object, model, std::string("input6 ") + flags)) break;
  }
}

// Values of input6 that must change nothing: other lengths (in bytes: a
// four-character UTF-8 text of five bytes too) and every other type.
TEST_F(PropertyOracle, MalformedFlagValuesChangeNothing) {
  host::Instance control;
  NPObject* object = control.object();
  ASSERT_NE(nullptr, object);
  Model model;
  for (int index : {2, 3}) {
    const Value v{Value::kString, 0, 0, "before"};
    ASSERT_TRUE(host::setProperty(object, prop_oracle::kProperties[index], makeVariant(v, object)));
    model.setProperty(index, v);
  }
  const std::vector<Value> values = {
      {Value::kString, 0, 0, ""},
      {Value::kString, 0, 0, "1"},
      {Value::kString, 0, 0, "11"},
      {Value::kString, 0, 0, "111"},
      {Value::kString, 0, 0, "11111"},
      {Value::kString, 0, 0, "111111"},
      {Value::kString, 0, 0, "11111111"},
      {Value::kString, 0, 0,
       "1\xC3\xA4"
       "11"},
      {Value::kString, 0, 0,
       "\xE2\x82\xAC"
       "1"},  // three bytes and one: four bytes
      {Value::kInt32, 1111, 0, {}},
      {Value::kDouble, 0, 1111.0, {}},
      {Value::kBool, 1, 0, {}},
      {Value::kNull, 0, 0, {}},
      {Value::kVoid, 0, 0, {}},
      {Value::kObject, 0, 0, {}},
  };
  for (const Value& v : values) {
    EXPECT_TRUE(host::setProperty(object, "input6", makeVariant(v, object)));
    model.setProperty(7, v);
    if (compareAll(object, model,
                   "input6 \"" + printable(v.s) + "\" of kind " + std::to_string(v.kind)))
      break;
  }
}

// Through the attribute: both patterns always, and only a four-character
// value counts.
TEST_F(PropertyOracle, FlagTextsThroughTheAttribute) {
  host::Browser& browser = host::Browser::get();
  // The cheaper drawing model: the attribute rule is the same in both.
  browser.setCapabilities(host::Answer::kFalse, host::Answer::kTrue, host::Answer::kTrue,
                          host::Answer::kTrue);
  const std::string bytes = "01 2l\xFF";
  std::vector<std::string> values;
  for (char a : bytes)
    for (char b : bytes)
      for (char c : bytes)
        for (char d : bytes) values.push_back(std::string{a, b, c, d});
  for (const char* v : {"", "1", "111", "11111",
                        "1\xC3\xA4"
                        "1",
                        "1\xC3\xA4"
                        "11",
                        "0000 "})
    values.push_back(v);
  int differences = 0;
  for (const std::string& value : values) {
    if (differences > 3) break;
    host::Embed embed;
    embed.attributes = {{"input2", "old2"}, {"input3", "old3"}, {"input6", value}};
    host::Instance control(embed);
    ASSERT_EQ(NPERR_NO_ERROR, control.newResult());
    Model model;
    for (const host::Attribute& a : embed.attributes) model.applyAttribute(a.name, a.value);
    differences +=
        compareAll(control.object(), model, "input6 attribute \"" + printable(value) + "\"");
  }
}

// Every variant type on every property, on a new control and on one whose
// properties all hold values already.
TEST_F(PropertyOracle, EveryTypeOnEveryProperty) {
  const std::vector<Value> values = {
      {Value::kVoid, 0, 0, {}},         {Value::kNull, 0, 0, {}},
      {Value::kBool, 1, 0, {}},         {Value::kBool, 0, 0, {}},
      {Value::kInt32, 0, 0, {}},        {Value::kInt32, 1, 0, {}},
      {Value::kInt32, -1, 0, {}},       {Value::kInt32, 7, 0, {}},
      {Value::kDouble, 0, 1.0, {}},     {Value::kDouble, 0, -5.0, {}},
      {Value::kString, 0, 0, ""},       {Value::kString, 0, 0, "1111"},
      {Value::kString, 0, 0, " -42ab"}, {Value::kString, 0, 0, std::string("\0x9", 3)},
      {Value::kObject, 0, 0, {}},
  };
  // Values for the preset control: something in every field.
  const std::vector<std::pair<int, Value>> preset = {
      {0, {Value::kInt32, 1, 0, {}}},      {1, {Value::kString, 0, 0, "wrapped"}},
      {3, {Value::kString, 0, 0, "pw"}},   {7, {Value::kString, 0, 0, "0110"}},
      {5, {Value::kInt32, 12, 0, {}}},     {6, {Value::kInt32, 5, 0, {}}},
      {8, {Value::kInt32, 3, 0, {}}},      {9, {Value::kString, 0, 0, "t8"}},
      {10, {Value::kString, 0, 0, "t9"}},  {11, {Value::kString, 0, 0, "t10"}},
      {12, {Value::kString, 0, 0, "t11"}}, {13, {Value::kString, 0, 0, "t12"}},
      {14, {Value::kString, 0, 0, "t13"}}, {15, {Value::kString, 0, 0, "ret"}},
      {16, {Value::kString, 0, 0, "tab"}},
  };
  int differences = 0;
  for (bool filled : {false, true}) {
    for (int index = 0; index < 17; ++index) {
      for (const Value& v : values) {
        if (differences > 3) return;
        host::Instance control;
        ASSERT_EQ(NPERR_NO_ERROR, control.newResult());
        NPObject* object = control.object();
        Model model;
        if (filled) {
          for (const auto& [i, pv] : preset) {
            ASSERT_TRUE(
                host::setProperty(object, prop_oracle::kProperties[i], makeVariant(pv, object)));
            model.setProperty(i, pv);
          }
        }
        EXPECT_TRUE(
            host::setProperty(object, prop_oracle::kProperties[index], makeVariant(v, object)));
        model.setProperty(index, v);
        differences += compareAll(object, model,
                                  std::string(filled ? "filled, " : "new, ") + "set " +
                                      prop_oracle::kProperties[index] + " kind " +
                                      std::to_string(v.kind) + " \"" + printable(v.s) + "\" " +
                                      std::to_string(v.i) + " " + std::to_string(v.d));
      }
    }
  }
}

// What the flag patterns mean, checked through get_output5: the flags build
// the whole-password pattern, a later input2 attribute that takes any
// character leaves typing free, and random printable ASCII passwords must be
// refused exactly when a character lies outside the allowed classes (for
// 0000: outside the four-character groups).
bool flagsAllow(const std::string& flags, const std::string& text) {
  if (flags == "0000") {
    if (text.size() % 4 != 0) return false;
    for (size_t i = 0; i < text.size(); i += 4)
      if (text[i] == '.' || text[i + 1] != '&' || text[i + 2] != '&' || text[i + 3] == '\n')
        return false;
    return true;
  }
  for (char c : text) {
    const bool upper = c >= 'A' && c <= 'Z', lower = c >= 'a' && c <= 'z',
               digit = c >= '0' && c <= '9',
               symbol = c >= 0x20 && c <= 0x7E && !upper && !lower && !digit;
    const bool allowed = (upper && flags[0] == '1') || (lower && flags[1] == '1') ||
                         (digit && flags[2] == '1') || (symbol && flags[3] == '1');
    if (!allowed) return false;
  }
  return true;
}

TEST_F(PropertyOracle, FlagPatternsAcceptWhatTheFlagsAllow) {
  host::Browser::get().setCapabilities(host::Answer::kFalse, host::Answer::kTrue,
                                       host::Answer::kTrue, host::Answer::kTrue);
  std::vector<std::string> flagTexts = {"2222", "0002"};
  for (int bits = 0; bits < 16; ++bits) {
    std::string f(4, '0');
    for (int p = 0; p < 4; ++p) f[p] = (bits >> p) & 1 ? '1' : '0';
    flagTexts.push_back(f);
  }
  std::mt19937 rng(0x0006);
  auto below = [&rng](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };
  const std::string pool = "aZ5 ~/:@[`{.&&&";
  int differences = 0;
  int answers[2] = {};  // both verdicts must come up often
  for (const std::string& flags : flagTexts) {
    host::Embed embed;
    embed.attributes = {{"input6", flags}, {"input2", "(.)*"}};
    host::Instance control(embed);
    ASSERT_EQ(NPERR_NO_ERROR, control.newResult());
    control.setWindow(0, 0, 200, 30);
    control.focus(true);
    for (int round = 0; round < 40 && differences < 4; ++round) {
      std::string text;
      const bool oneClass = below(3) == 0;  // often all from one class, so matches occur
      const std::string classPool = std::string(1, pool[below(pool.size())]);
      const size_t n = 1 + below(8);
      for (size_t i = 0; i < n; ++i)
        text += oneClass ? classPool : std::string(1, pool[below(pool.size())]);
      if (flags == "0000" && below(2)) text = std::string(1, pool[below(pool.size())]) + "&&" + "x";
      EXPECT_TRUE(control.invoke("ClearSeCtrl").ok);
      control.typeText(text);
      host::ScriptResult length = control.invoke("get_output3");
      ASSERT_EQ(static_cast<int32_t>(text.size()), length.value.asInt32()) << text;
      host::ScriptResult mismatch = control.invoke("get_output5");
      ASSERT_TRUE(mismatch.ok && mismatch.value.isInt32());
      const int32_t want = flagsAllow(flags, text) ? 0 : 1;
      ++answers[want];
      if (want != mismatch.value.asInt32()) {
        ++differences;
        ADD_FAILURE() << "flags " << flags << ", password \"" << printable(text)
                      << "\": get_output5 " << mismatch.value.asInt32() << ", expected " << want;
      }
    }
  }
  EXPECT_GT(answers[0], 100);
  EXPECT_GT(answers[1], 100);
}

// Random sets of every variant type on every property of one control.
TEST_F(PropertyOracle, RandomPropertySets) {
  host::Instance control;
  NPObject* object = control.object();
  ASSERT_NE(nullptr, object);
  Model model;
  std::mt19937 rng(0x1103);
  auto below = [&rng](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };
  const std::vector<std::string> texts = {"",
                                          "0",
                                          "42abc",
                                          "  -17x",
                                          "+9",
                                          "-",
                                          " ",
                                          "2147483647",
                                          "2147483648",
                                          "-2147483648",
                                          "-2147483649",
                                          "99999999999",
                                          "\t\n\v\f\r 8",
                                          "1111",
                                          "0110",
                                          "0000",
                                          "2222",
                                          "\0"
                                          "12",
                                          "a\0b",
                                          "\xC3\xA4\xE2\x82\xAC",
                                          "text",
                                          "MIIB...",
                                          "12 34",
                                          "0x10",
                                          "007"};
  const std::vector<int32_t> ints = {0, 1, -1, 7, -5, 100, INT32_MIN, INT32_MAX, 2, 42};

  // Only a few input4 sets: each one runs the server-random step.
  int input4Sets = 0;
  int differences = 0;
  for (int step = 0; step < 1500 && differences < 4; ++step) {
    int index = static_cast<int>(below(17));
    Value v;
    v.kind = static_cast<Value::Kind>(below(7));
    if (v.kind == Value::kString) {
      const size_t pick = below(texts.size() + 1);
      if (pick < texts.size()) {
        v.s = texts[pick];
      } else {
        v.s.resize(below(12));
        for (char& c : v.s) c = static_cast<char>(below(256));
      }
    }
    if (v.kind == Value::kInt32)
      v.i = below(3) ? ints[below(ints.size())] : static_cast<int32_t>(rng());
    if (v.kind == Value::kBool) v.i = static_cast<int32_t>(below(2));
    if (v.kind == Value::kDouble) v.d = below(2) ? 1.0 : -3.5;
    if (index == 4 && v.kind == Value::kString && ++input4Sets > 12) index = 9;
    EXPECT_TRUE(host::setProperty(object, prop_oracle::kProperties[index], makeVariant(v, object)));
    model.setProperty(index, v);
    differences += compareAll(
        object, model,
        "step " + std::to_string(step) + " set " + prop_oracle::kProperties[index] + " kind " +
            std::to_string(v.kind) + " \"" + printable(v.s) + "\" " + std::to_string(v.i));
  }
}

// Every attribute name (and a few near misses) with every kind of value,
// alone and after a full set of attributes.
TEST_F(PropertyOracle, EveryValueOnEveryAttribute) {
  host::Browser::get().setCapabilities(host::Answer::kFalse, host::Answer::kTrue,
                                       host::Answer::kTrue, host::Answer::kTrue);
  std::vector<std::string> names(prop_oracle::kAttributes, prop_oracle::kAttributes + 13);
  for (const char* near : {"input8", "input13", "returnCallback", "tabCallback", "INPUT1"})
    names.push_back(near);
  const std::vector<std::optional<std::string>> values = {
      std::nullopt, "",     "0",   "1",          "-5",         " 12px",
      "1111",       "0000", "abc", "2147483648", "-2147483649"};
  const std::vector<host::Attribute> full = {
      {"input0", "1"},  {"input1", "wk"},   {"input2", "ip"},   {"input3", "pp"},
      {"input4", "r4"}, {"maxlength", "9"}, {"input5", "5"},    {"input7", "7"},
      {"input9", "k9"}, {"input10", "t10"}, {"input11", "t11"}, {"input12", "t12"}};
  int differences = 0;
  for (bool filled : {false, true}) {
    for (const std::string& name : names) {
      for (const auto& value : values) {
        if (differences > 3) return;
        host::Embed embed;
        if (filled) embed.attributes = full;
        embed.attributes.push_back({name, value});
        host::Instance control(embed);
        ASSERT_EQ(NPERR_NO_ERROR, control.newResult());
        Model model;
        for (const host::Attribute& a : embed.attributes) model.applyAttribute(a.name, a.value);
        differences += compareAll(control.object(), model,
                                  std::string(filled ? "full attributes, then " : "") + name + "=" +
                                      (value ? "\"" + printable(*value) + "\"" : "null"));
      }
    }
  }
}

// Random attribute lists: the 13 names, names that only come close, null and
// empty values, numbers, flag texts, free text.
TEST_F(PropertyOracle, RandomAttributeLists) {
  host::Browser::get().setCapabilities(host::Answer::kFalse, host::Answer::kTrue,
                                       host::Answer::kTrue, host::Answer::kTrue);
  std::mt19937 rng(0x0113);
  auto below = [&rng](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };
  std::vector<std::string> names(prop_oracle::kAttributes, prop_oracle::kAttributes + 13);
  for (const char* near : {"input8", "input13", "returnCallback", "tabCallback", "Input0",
                           "MAXLENGTH", "input6 ", "input", "input02", ""})
    names.push_back(near);
  const std::vector<std::string> values = {
      "",     "0",    "1",    "-5", "  12px", "+7",  "-",        "2147483648", "-99999999999",
      "1111", "0110", "0000", "22", "11111",  "abc", "MIIBIjAN", "\xC3\xA4",   "\t-1"};

  int differences = 0;
  for (int round = 0; round < 150 && differences < 4; ++round) {
    host::Embed embed;
    const size_t count = below(7);
    for (size_t k = 0; k < count; ++k) {
      host::Attribute a;
      a.name = names[below(names.size())];
      const size_t pick = below(values.size() + 2);
      if (pick < values.size())
        a.value = values[pick];
      else if (pick == values.size())
        a.value = std::nullopt;
      else
        a.value = std::to_string(static_cast<int32_t>(rng()));
      embed.attributes.push_back(a);
    }
    host::Instance control(embed);
    ASSERT_EQ(NPERR_NO_ERROR, control.newResult());
    Model model;
    std::string step = "attributes";
    for (const host::Attribute& a : embed.attributes) {
      model.applyAttribute(a.name, a.value);
      step += " " + a.name + "=" + (a.value ? "\"" + printable(*a.value) + "\"" : "null");
    }
    differences += compareAll(control.object(), model, step);
  }
}

}  // namespace
