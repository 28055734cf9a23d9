// The property hooks, row by row: what each property accepts through script,
// how it bounds or converts the value, and what reading it back gives.
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "property_cases.h"
#include "tests/plugin/plugin_fixture.h"

namespace {

using namespace std::string_literals;
using namespace props;

struct ScriptCase {
  const char* property;
  std::vector<Value> sets;  // set in this order on a fresh control
  Expect read;
  const char* why;
};

const std::vector<ScriptCase>& scriptCases() {
  static const std::vector<ScriptCase> cases = {
      // input0: Int32 only, stored as 1 or 0.
      {"input0", {Int(7)}, IsInt(1), "non-zero Int32 selects RSA mode"},
      {"input0", {Int(7), Int(0)}, IsInt(0), "zero selects SM2 mode"},
      {"input0", {Int(0), Int(-1)}, IsInt(1), "negative is non-zero"},
      {"input0", {Int(0), Dbl(1)}, IsInt(0), "a Double is ignored"},
      {"input0", {Int(0), Str("1")}, IsInt(0), "a String is ignored"},
      {"input0", {Int(0), Bool()}, IsInt(0), "a Bool is ignored"},
      // input1: the wrapped key; an empty String empties it.
      {"input1", {}, Void(), "unset reads void"},
      {"input1", {Str("wrapped")}, IsStr("wrapped"), "stored"},
      {"input1", {Str("a"), Str("bc")}, IsStr("bc"), "replaced"},
      {"input1", {Str("wrapped"), Str("")}, Void(), "an empty String empties it"},
      {"input1", {Str("wrapped"), Int(5)}, IsStr("wrapped"), "an Int32 is ignored"},
      {"input1", {Str("ab\0cd"s)}, IsStr("ab"), "read back up to its first zero byte"},
      // input2, input3: write-once through script.
      {"input2", {Str("first"), Str("second")}, IsStr("first"), "write-once"},
      {"input2", {Str(""), Str("later")}, IsStr("later"), "an empty String leaves it unset"},
      {"input2", {Str("first"), Str("")}, IsStr("first"), "an empty String does not empty it"},
      {"input2", {Int(3)}, Void(), "an Int32 is ignored"},
      {"input3", {Str("first"), Str("second")}, IsStr("first"), "write-once"},
      {"input3", {Str(""), Str("later")}, IsStr("later"), "an empty String leaves it unset"},
      {"input3", {Dbl(2)}, Void(), "a Double is ignored"},
      // input4: stored as set, empty included.
      {"input4", {Str("c2VydmVyIHJhbmRvbQ==")}, IsStr("c2VydmVyIHJhbmRvbQ=="), "stored"},
      {"input4", {Str("x"), Str("")}, Void(), "an empty String empties it"},
      {"input4", {Str("x"), Int(1)}, IsStr("x"), "an Int32 is ignored"},
      // maxlength: below 1 stores 0.
      {"maxlength", {}, IsInt(100), "default"},
      {"maxlength", {Int(8)}, IsInt(8), "stored"},
      {"maxlength", {Int(1)}, IsInt(1), "1 is kept"},
      {"maxlength", {Int(0)}, IsInt(0), "0 stores 0"},
      {"maxlength", {Int(-5)}, IsInt(0), "negative stores 0"},
      {"maxlength", {Int(INT32_MIN)}, IsInt(0), "most negative stores 0"},
      {"maxlength", {Int(INT32_MAX)}, IsInt(INT32_MAX), "no upper bound"},
      {"maxlength", {Dbl(5)}, IsInt(100), "a Double is ignored"},
      {"maxlength", {Str("5")}, IsInt(100), "a String is ignored"},
      // input5: Int32, or a String parsed as atoi does, saturating.
      {"input5", {}, IsInt(0), "default"},
      {"input5", {Int(42)}, IsInt(42), "Int32"},
      {"input5", {Int(-42)}, IsInt(-42), "negative Int32 unbounded"},
      {"input5", {Str("42abc")}, IsInt(42), "digits up to the first other character"},
      {"input5", {Str(" \t\n\v\f\r-17x")}, IsInt(-17), "leading white space and a sign"},
      {"input5", {Str("+8")}, IsInt(8), "plus sign"},
      {"input5", {Int(9), Str("abc")}, IsInt(0), "no digits give 0"},
      {"input5", {Int(9), Str("")}, IsInt(0), "an empty String gives 0"},
      {"input5", {Str("- 5")}, IsInt(0), "a blank after the sign ends the number"},
      {"input5", {Str("2147483647")}, IsInt(INT32_MAX), "largest"},
      {"input5", {Str("-2147483648")}, IsInt(INT32_MIN), "smallest"},
      {"input5", {Str("2147483648")}, IsInt(INT32_MAX), "saturates above"},
      {"input5", {Str("-2147483649")}, IsInt(INT32_MIN), "saturates below"},
      {"input5", {Str("123456789012345678901234567890")}, IsInt(INT32_MAX), "far above"},
      {"input5", {Str("00000000000000000000042")}, IsInt(42), "leading zeros"},
      {"input5", {Int(9), Dbl(3)}, IsInt(9), "a Double is ignored"},
      // input6 never reads back.
      {"input6", {Str("1111")}, Void(), "reads void"},
      // input7: below 0 stores 0.
      {"input7", {}, IsInt(0), "default"},
      {"input7", {Int(5)}, IsInt(5), "stored"},
      {"input7", {Int(0)}, IsInt(0), "0 is kept"},
      {"input7", {Int(-1)}, IsInt(0), "negative stores 0"},
      {"input7", {Int(5), Str("7")}, IsInt(5), "a String is ignored"},
  };
  return cases;
}

TEST_F(PluginTest, ScriptPropertiesFollowTheirRows) {
  for (const auto& c : scriptCases()) {
    SCOPED_TRACE(std::string(c.property) + ": " + c.why);
    host::Instance control;
    NPObject* object = control.object();
    ASSERT_NE(nullptr, object);
    for (const Value& v : c.sets) EXPECT_TRUE(host::setProperty(object, c.property, v.make()));
    expectRead(object, c.property, c.read);
  }
}

// The texts that are stored and read back only, and input9.
const char* const kTextProperties[] = {"input8",  "input9",  "input10",        "input11",
                                       "input12", "input13", "returnCallback", "tabCallback"};

TEST_F(PluginTest, TextPropertiesStoreTheWholeStringAndReadItBack) {
  const std::string pem = "-----BEGIN CERTIFICATE-----\r\nMIIB\r\n-----END CERTIFICATE-----";
  struct Case {
    std::vector<Value> sets;
    Expect read;
  };
  const Case cases[] = {
      {{}, Void()},
      {{Str("value")}, IsStr("value")},
      {{Str(pem)}, IsStr(pem)},
      {{Str("value"), Str("")}, Void()},
      {{Str("value"), Int(1)}, IsStr("value")},
      {{Str("value"), Null()}, IsStr("value")},
      {{Str("ab\0cd"s)}, IsStr("ab")},
      {{Str(std::string(5000, 'k'))}, IsStr(std::string(5000, 'k'))},
  };
  for (const char* property : kTextProperties) {
    for (const auto& c : cases) {
      SCOPED_TRACE(property);
      host::Instance control;
      for (const Value& v : c.sets) EXPECT_TRUE(control.setProperty(property, v.make()));
      expectRead(control.object(), property, c.read);
    }
  }
}

TEST_F(PluginTest, EachTextPropertyKeepsItsOwnText) {
  host::Instance control;
  for (const char* property : kTextProperties) {
    EXPECT_TRUE(control.setProperty(property, host::Variant::string(std::string("v-") + property)));
  }
  for (const char* property : kTextProperties) {
    expectRead(control.object(), property, IsStr(std::string("v-") + property));
  }
  const editorplugin* o = editor(control.object());
  EXPECT_EQ("v-input9", o->serverPublicKey);
  EXPECT_EQ("v-returnCallback", o->returnCallback);
}

TEST_F(PluginTest, StoredTextsKeepEveryByteTheyWereGiven) {
  host::Instance control;
  const std::string withZero = "ab\0cd"s;
  ASSERT_TRUE(control.setProperty("input4", host::Variant::string(withZero)));
  ASSERT_TRUE(control.setProperty("input1", host::Variant::string(withZero)));
  const editorplugin* o = editor(control.object());
  EXPECT_EQ(withZero, o->encryptedServerRandom);
  EXPECT_EQ(5u, o->wrappedKey.length);
  EXPECT_EQ(0, std::memcmp(o->wrappedKey.bytes, "ab\0\0\0", 6));  // zero-filled after the zero
}

TEST_F(PluginTest, UnknownNamesAnswerFalseFromEveryHookAndChangeNothing) {
  host::Instance control;
  NPObject* object = control.object();
  for (const char* name : {"Input0", "MAXLENGTH", "input14", "input", "get_output1", ""}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(host::hasProperty(object, name));
    EXPECT_FALSE(host::setProperty(object, name, host::Variant::int32(0)));
    host::ScriptResult r = host::getProperty(object, name);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.value.isVoid());
  }
  expectRead(object, "maxlength", IsInt(100));
  expectRead(object, "input0", IsInt(1));
  for (const char* name : propertyIdentifiersNames) EXPECT_TRUE(host::hasProperty(object, name));
}

TEST_F(PluginTest, EveryPropertyAnswersTrueForEveryValueType) {
  host::Instance control;
  NPObject* object = control.object();
  for (const char* name : propertyIdentifiersNames) {
    for (const Value& v : {Int(1), Dbl(1), Str("1"), Str(""), Null(), Bool()}) {
      EXPECT_TRUE(host::setProperty(object, name, v.make())) << name;
      EXPECT_TRUE(host::getProperty(object, name).ok) << name;
    }
  }
}

TEST_F(PluginTest, ReadingWhenTheBrowserHasNoMemoryLeavesTheResultVoid) {
  host::Instance control;
  ASSERT_TRUE(control.setProperty("input9", host::Variant::string("key text")));
  browser.setAllocationFails(true);
  expectRead(control.object(), "input9", Void());
  browser.setAllocationFails(false);
  expectRead(control.object(), "input9", IsStr("key text"));
}

TEST_F(PluginTest, EveryReadIsAFreshBlock) {
  host::Instance control;
  ASSERT_TRUE(control.setProperty("input10", host::Variant::string("text")));
  const long before = browser.liveBlocks();  // the control's record is a browser block too
  host::ScriptResult a = control.getProperty("input10");
  host::ScriptResult b = control.getProperty("input10");
  ASSERT_TRUE(a.value.isString() && b.value.isString());
  EXPECT_NE(a.value.raw().value.stringValue.UTF8Characters,
            b.value.raw().value.stringValue.UTF8Characters);
  EXPECT_EQ(before + 2, browser.liveBlocks());
}

}  // namespace
