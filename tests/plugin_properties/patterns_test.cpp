// The four input6 flag bytes and the two pattern texts they build, compared
// byte for byte, through script and through the embed attribute.
#include <string>
#include <vector>

#include "property_cases.h"
#include "tests/plugin/plugin_fixture.h"

namespace {

using namespace props;
using namespace std::string_literals;

// The pieces as the page's pattern engine reads them; every backslash is one byte.
const std::string kSymbols = "([\\x20-\\x2F\\x3A-\\x40\\x5B-\\x60\\x7B-\\x7E])";
const std::string k1111 = "(" + kSymbols + "|([0-9])|([a-z])|([A-Z]))*";
const std::string k0110 = "(([0-9])|([a-z]))*";
const std::string k0000 = "(([^.])&&([^\n]))*";
const std::string kNone = "()*";

struct FlagCase {
  std::string flags;
  std::string text;
};

const FlagCase kFlagCases[] = {
    {"1111", k1111},
    {"0110", k0110},
    {"0000", k0000},
    {"0002", kNone},
    {"2222", kNone},
    {"1000", "(([A-Z]))*"},
    {"0100", "(([a-z]))*"},
    {"0010", "(([0-9]))*"},
    {"0001", "(" + kSymbols + ")*"},
    {"1001", "(" + kSymbols + "|([A-Z]))*"},
    {"1x1y", "(([0-9])|([A-Z]))*"},  // only '1' allows a class
    {"0\0\0\0"s, kNone},
};

TEST_F(PluginTest, PatternTextsHaveTheirExactLengths) {
  EXPECT_EQ(40u, kSymbols.size());
  EXPECT_EQ(67u, k1111.size());
  EXPECT_EQ(18u, k0110.size());
  EXPECT_EQ(17u, k0000.size());
  EXPECT_EQ('\n', k0000[12]);  // the 12th byte of the inner 14-byte text
  EXPECT_EQ(3u, kNone.size());
}

TEST_F(PluginTest, Input6ByScriptSetsTheInputPatternOnly) {
  for (const auto& c : kFlagCases) {
    SCOPED_TRACE(c.flags);
    host::Instance control;
    ASSERT_TRUE(control.setProperty("input6", host::Variant::string(c.flags)));
    expectRead(control.object(), "input2", IsStr(c.text));
    expectRead(control.object(), "input3", Void());
    const editorplugin* o = editor(control.object());
    ASSERT_EQ(c.text.size(), o->inputPattern.length);
    EXPECT_EQ(c.text, std::string(o->inputPattern.bytes, o->inputPattern.length));
    EXPECT_EQ('\0', o->inputPattern.bytes[o->inputPattern.length]);
  }
}

TEST_F(PluginTest, Input6ByScriptReplacesAPasswordPatternThatIsSet) {
  host::Instance control;
  ASSERT_TRUE(control.setProperty("input3", host::Variant::string("whole")));
  ASSERT_TRUE(control.setProperty("input2", host::Variant::string("each")));
  ASSERT_TRUE(control.setProperty("input6", host::Variant::string("0110")));
  expectRead(control.object(), "input2", IsStr(k0110));
  expectRead(control.object(), "input3", IsStr(k0110));
  // And again: input6 keeps replacing both; input2 and input3 are now set and ignore script.
  ASSERT_TRUE(control.setProperty("input6", host::Variant::string("1111")));
  ASSERT_TRUE(control.setProperty("input2", host::Variant::string("late")));
  ASSERT_TRUE(control.setProperty("input3", host::Variant::string("late")));
  expectRead(control.object(), "input2", IsStr(k1111));
  expectRead(control.object(), "input3", IsStr(k1111));
}

TEST_F(PluginTest, Input6ByScriptIgnoresOtherLengthsAndTypes) {
  for (const Value& v : {Str("011"), Str("01101"), Str(""), Int(110), Dbl(1111), Null()}) {
    host::Instance control;
    ASSERT_TRUE(control.setProperty("input2", host::Variant::string("kept")));
    EXPECT_TRUE(control.setProperty("input6", v.make()));
    expectRead(control.object(), "input2", IsStr("kept"));
    expectRead(control.object(), "input3", Void());
  }
}

TEST_F(PluginTest, Input6AttributeSetsBothPatterns) {
  for (const auto& c : kFlagCases) {
    if (c.flags.find('\0') != std::string::npos) continue;  // attributes are C texts
    SCOPED_TRACE(c.flags);
    host::Instance control({.attributes = {{"input6", c.flags}}});
    expectRead(control.object(), "input2", IsStr(c.text));
    expectRead(control.object(), "input3", IsStr(c.text));
  }
}

}  // namespace
